#include "AesPair.h"
#include "Crypt.h"
#include "Exception.h"
#include "FilePermissions.h"
#include "FixtureFiles.h"
#include "LangBundle.h"
#include "LogCapture.h"
#include "Model.h"
#include "RackModel.h"
#include "ModuleTexts.h"
#include "TestEnvironment.h"
#include "TestMain.h"
#include "VaultEntry.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

namespace {
using FixtureFiles::readAll;

const QString ReferencePassword = QStringLiteral("Reference-Pw1");
const QString LoadContext =
    QStringLiteral("shared_ptr<Model> Model::loadVault(const QString&, const AesPair&, Base*, shared_ptr<Logger>) -> ");

QString fixture(const QString& name)
{
    return QStringLiteral(KOVRIN_SOURCE_DIR "/tests/vault/data/") + name;
}

// "name|role|role..." per rack.
QStringList describe(const Model& model)
{
    QStringList racks;
    for (const RackModel* rack : *model.racks()) {
        QStringList parts{rack->name()};
        for (const VaultEntry* entry : rack->entries())
            parts.append(entry->name());
        racks.append(parts.join(QLatin1Char('|')));
    }
    return racks;
}

VaultEntry* entry(const QString& name, const QString& user, const QString& password, const QString& comment)
{
    return new VaultEntry(name, user, password, comment);
}

// The racks of reference.txt, built through the model's own interface.
void fillReference(const std::shared_ptr<Model>& model)
{
    auto* mail = new RackModel(model, QStringLiteral("Mail"));
    mail->appendEntry(entry(QStringLiteral("mail"), QStringLiteral("bob"), QStringLiteral("x"), QString()));
    mail->appendEntry(entry(QStringLiteral("Société Générale"), QStringLiteral("élodie"), QStringLiteral("pässwörd€"),
                            QStringLiteral("accents and a euro sign")));
    auto* servers = new RackModel(model, QStringLiteral("Servers"));
    servers->appendEntry(entry(QStringLiteral("alpha"), QStringLiteral("root"), QStringLiteral("α-β-γ"),
                               QStringLiteral("Greek letters")));
    servers->appendEntry(entry(QStringLiteral("emoji"), QStringLiteral("u"), QStringLiteral("🔑key"),
                               QStringLiteral("a character outside the BMP")));
    servers->appendEntry(entry(QStringLiteral("spaces"), QStringLiteral(" lead"), QStringLiteral("trail "), QStringLiteral("  ")));
    for (RackModel* rack : {mail, new RackModel(model, QStringLiteral("Empty")), servers})
        if (!model->addRackModel(rack))
            qFatal("rack refused");
}

QString trashFiles()
{
    return TestEnvironment::trash() + QStringLiteral("/files");
}
} // namespace

class TestModel : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init()
    {
        _tabs = std::make_unique<QTabWidget>();
        _log = std::make_unique<LogCapture>();
    }
    void cleanup()
    {
        _tabs.reset();
        _log.reset();
    }

    void messagesInBothLanguages_data();
    void messagesInBothLanguages();
    void keyFromPassword_data();
    void keyFromPassword();
    void sameIvDifferentKeys();
    void passwordRule_data();
    void passwordRule();

    void referenceFileLoads();
    void referenceRacksSaveToTheReferenceBytes();
    void roundTrip();
    void emptyVaultIsOneBlock();
    void migrationLoadsModified();
    void repeatedRackNamesAreMadeUnique_data();
    void repeatedRackNamesAreMadeUnique();
    void wrongPasswordFails();
    void sizeLimit_data();
    void sizeLimit();
    void unusableFilesAreRefused_data();
    void unusableFilesAreRefused();
    void twoSavesRotateBackupAndTrash();
    void demoVaultOpens();

    void constructorRefusesMissingParts();
    void rackListOperations();
    void removedRackBelongsToTheCaller();
    void tabWidgetMayGoFirst();
    void lastReferenceMayGoFirst();
    void refusedRackOutlivesTheModel();
    void rackDeletedByAnotherOwnerLeavesTheList();
    void lookupsFollowRenamesAndRemovals();
    void firstFreeRackName();

private:
    std::shared_ptr<Model> newModel(const QString& fileName)
    {
        return std::make_shared<Model>(nullptr, fileName, Model::keyFromPassword(ReferencePassword), _tabs.get());
    }
    std::shared_ptr<Model> load(const QString& fileName, const QString& password = ReferencePassword)
    {
        return Model::loadVault(fileName, *Model::keyFromPassword(password), _tabs.get(), _log->logger());
    }

    std::unique_ptr<QTabWidget> _tabs;
    std::unique_ptr<LogCapture> _log;
};

void TestModel::initTestCase()
{
    ModuleTexts::setLanguage(QStringLiteral("en_US"));
    QVERIFY(dropPermissionOverride());
}

void TestModel::messagesInBothLanguages_data()
{
    QTest::addColumn<QString>("module");
    QTest::addColumn<QString>("key");
    for (const char* key : {"EmptyEntryName", "IllegalEntryBuffer", "UndefinedParameter", "StringTooLong",
                            "RackNameAlreadyExists", "UndefinedRole", "PleaseSetRole", "Entry", "Account", "Password",
                            "Comment", "CipheredVaultTooBig", "ToTrashFailure", "PasswordRule",
                            "ForbiddenFieldCharacter", "RackNameLineFeed", "VaultReadBackFailure",
                            "VaultTooBigToSave", "VaultChangedOnDisk", "VaultModeTightened", "VaultRackRenamed", "BackupNotAFile"})
        QTest::newRow(key) << QStringLiteral("kovrin") << QString::fromLatin1(key);
    for (const char* key : {"FileNotReadable", "FileNotOpened", "FileNotWritable"})
        QTest::newRow(key) << QStringLiteral("zemb") << QString::fromLatin1(key);
}

void TestModel::messagesInBothLanguages()
{
    QFETCH(QString, module);
    QFETCH(QString, key);
    for (const QString& lang : {QStringLiteral("en_US"), QStringLiteral("fr_FR")})
        QVERIFY2(LangBundle::load(QStringLiteral(":resources/lang"), module, lang)->contains(key), qPrintable(lang));
}

void TestModel::keyFromPassword_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QByteArray>("expected"); // IV then key, from keys.tsv
    QFile table(fixture(QStringLiteral("keys.tsv")));
    QVERIFY(table.open(QIODevice::ReadOnly));
    for (QByteArray line = table.readLine(); !line.isEmpty(); line = table.readLine()) {
        const QList<QByteArray> parts = line.chopped(line.endsWith('\n') ? 1 : 0).split('\t');
        QCOMPARE(parts.size(), 3);
        const QString password = QString::fromUtf8(QByteArray::fromHex(parts[0]));
        QTest::newRow(qPrintable(password.left(20))) << password << QByteArray::fromHex(parts[1] + parts[2]);
    }
}

void TestModel::keyFromPassword()
{
    QFETCH(QString, password);
    QFETCH(QByteArray, expected);
    const auto pair = Model::keyFromPassword(password);
    QCOMPARE(pair->toBuffer(), expected);
    QVERIFY(!pair->isNull());
    QCOMPARE(*Model::keyFromPassword(password), *pair);
}

void TestModel::sameIvDifferentKeys()
{
    const QByteArray lower = Model::keyFromPassword(QStringLiteral("secret"))->toBuffer();
    const QByteArray upper = Model::keyFromPassword(QStringLiteral("SECRET"))->toBuffer();
    QCOMPARE(lower.left(16), upper.left(16));
    QVERIFY(lower.mid(16) != upper.mid(16));
}

void TestModel::passwordRule_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("compliant");
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("six with every kind") << QStringLiteral("aB3!xY") << false;
    QTest::newRow("seven with !") << QStringLiteral("aB3!xyz") << true;
    QTest::newRow("slash is the last symbol") << QStringLiteral("aB3/xyz") << true;
    QTest::newRow("commercial at is no symbol") << QStringLiteral("aB3@xyz") << false;
    QTest::newRow("low line is no symbol") << QStringLiteral("aB3_xyz") << false;
    QTest::newRow("colon is no symbol") << QStringLiteral("aB3:xyz") << false;
    QTest::newRow("space is allowed but no symbol") << QStringLiteral("aB3 xyz") << false;
    QTest::newRow("space among the rest") << QStringLiteral("a B3-xyz") << true;
    QTest::newRow("no digit") << QStringLiteral("aBc!xyz") << false;
    QTest::newRow("no uppercase") << QStringLiteral("ab3!xyz") << false;
    QTest::newRow("no lowercase") << QStringLiteral("AB3!XYZ") << false;
    QTest::newRow("accented letters count") << QStringLiteral("éÉ3!---") << true;
    QTest::newRow("arabic-indic digit counts") << QStringLiteral("aB\u0663!xyz") << true;
}

void TestModel::passwordRule()
{
    QFETCH(QString, password);
    QFETCH(bool, compliant);
    QCOMPARE(Model::isPasswordCompliant(password), compliant);
}

void TestModel::referenceFileLoads()
{
    const auto model = load(fixture(QStringLiteral("reference.kovrin")));
    QCOMPARE(describe(*model), QStringList({QStringLiteral("Mail|mail|Société Générale"), QStringLiteral("Empty"),
                                            QStringLiteral("Servers|alpha|emoji|spaces")}));
    QVERIFY(!model->isModified());
    QVERIFY(_log->lines().isEmpty());
    const VaultEntry& bank = *model->rackModel(QStringLiteral("Mail"))->entries().at(1);
    QCOMPARE(bank.user(), QStringLiteral("élodie"));
    QCOMPARE(bank.password(), QStringLiteral("pässwörd€"));
    QVERIFY(model->hasKey(*Model::keyFromPassword(ReferencePassword)));
    QVERIFY(!model->hasKey(*Model::keyFromPassword(QStringLiteral("reference-pw1"))));
    QCOMPARE(*model->toPlainText(), readAll(fixture(QStringLiteral("reference.txt"))));
}

void TestModel::referenceRacksSaveToTheReferenceBytes()
{
    const QString fileName = TestEnvironment::freshDir(QStringLiteral("reference")) + QStringLiteral("/vault.kovrin");
    const auto model = newModel(fileName);
    fillReference(model);
    QCOMPARE(*model->toPlainText(), readAll(fixture(QStringLiteral("reference.txt"))));
    model->saveVault();
    // The same key, IV and plaintext: the very bytes the independent tools wrote.
    QCOMPARE(readAll(fileName), readAll(fixture(QStringLiteral("reference.kovrin"))));
}

void TestModel::roundTrip()
{
    const QString fileName = TestEnvironment::freshDir(QStringLiteral("roundtrip")) + QStringLiteral("/vault.kovrin");
    const auto model = newModel(fileName);
    auto* a = new RackModel(model, QStringLiteral("A: colon"));
    a->appendEntry(entry(QStringLiteral("one"), QStringLiteral("u1"), QStringLiteral("p1"), QStringLiteral("c1")));
    a->appendEntry(entry(QStringLiteral("two"), QString(), QStringLiteral("p2"), QString()));
    auto* b = new RackModel(model, QStringLiteral("B"));
    b->appendEntry(entry(QStringLiteral("three"), QStringLiteral("u3"), QString(128, u'p'), QString(512, u'c')));
    QVERIFY(model->addRackModel(a));
    QVERIFY(model->addRackModel(b));
    model->setModified();
    QSignalSpy status(model.get(), &Model::vaultStatusUpdated);
    model->saveVault();
    QVERIFY(!model->isModified());
    QCOMPARE(status.size(), 1);
    QCOMPARE(status.first().first().toBool(), false);

    const auto loaded = load(fileName);
    QCOMPARE(describe(*loaded), QStringList({"A: colon|one|two", "B|three"}));
    for (const QString& name : {QStringLiteral("A: colon"), QStringLiteral("B")})
        for (int row = 0; row < loaded->rackModel(name)->entryCount(); ++row)
            QCOMPARE(*loaded->rackModel(name)->entries().at(row), *model->rackModel(name)->entries().at(row));
    QVERIFY(!loaded->isModified());
    QCOMPARE(loaded->fileName(), fileName);

    // A silent save clears the flag without telling anyone.
    loaded->setModified();
    QSignalSpy silent(loaded.get(), &Model::vaultStatusUpdated);
    loaded->saveVault(true);
    QVERIFY(!loaded->isModified());
    QCOMPARE(silent.size(), 0);
}

void TestModel::emptyVaultIsOneBlock()
{
    const QString fileName = TestEnvironment::freshDir(QStringLiteral("empty")) + QStringLiteral("/vault.kovrin");
    newModel(fileName)->saveVault();
    QCOMPARE(QFileInfo(fileName).size(), 16);
    const auto loaded = load(fileName);
    QCOMPARE(loaded->rackCount(), 0);
    QVERIFY(!loaded->isModified());
}

void TestModel::migrationLoadsModified()
{
    const QString fileName = TestEnvironment::freshDir(QStringLiteral("migration")) + QStringLiteral("/vault.kovrin");
    QVERIFY(QFile::copy(fixture(QStringLiteral("migration.kovrin")), fileName));
    QVERIFY(QFile::setPermissions(fileName, QFile::ReadOwner | QFile::WriteOwner));
    const auto model = load(fileName);
    QCOMPARE(describe(*model), QStringList({"Migration|old1|old2"}));
    QVERIFY(model->isModified());
    QCOMPARE(model->rackModel(QStringLiteral("Migration"))->entries().at(1)->comment(), QString());

    model->saveVault();
    const auto again = load(fileName);
    QCOMPARE(describe(*again), QStringList({"Migration|old1|old2"}));
    QVERIFY(!again->isModified());
    QVERIFY(again->toPlainText()->startsWith("\n\nSegment:Migration\n"));
}

void TestModel::repeatedRackNamesAreMadeUnique_data()
{
    QTest::addColumn<QStringList>("inFile");
    QTest::addColumn<QStringList>("loaded");
    QTest::newRow("no repeat") << QStringList{"A", "B"} << QStringList{"A", "B"};
    QTest::newRow("one repeat") << QStringList{"A", "A"} << QStringList{"A", "A (2)"};
    QTest::newRow("three times") << QStringList{"A", "A", "A"} << QStringList{"A", "A (2)", "A (3)"};
    QTest::newRow("free name used further on") << QStringList{"A", "A", "A (2)"} << QStringList{"A", "A (3)", "A (2)"};
    QTest::newRow("two names repeated") << QStringList{"A", "B", "A", "B"} << QStringList{"A", "B", "A (2)", "B (2)"};
    QTest::newRow("empty name repeated") << QStringList{"", ""} << QStringList{"", " (2)"};
}

// Each segment becomes a rack of its own, under a name no other rack has, and
// the next save writes the new names.
void TestModel::repeatedRackNamesAreMadeUnique()
{
    QFETCH(QStringList, inFile);
    QFETCH(QStringList, loaded);
    QByteArray plain;
    for (qsizetype i = 0; i < inFile.size(); ++i)
        plain += "\n\nSegment:" + inFile[i].toUtf8() + "\nentry" + QByteArray::number(i) + "\tu\tp\tc\n";
    QByteArray cipher;
    Crypt::getInstance().encryptAES256CBC(*Model::keyFromPassword(ReferencePassword), plain, cipher);
    const QString fileName = TestEnvironment::freshDir(QStringLiteral("repeats")) + QStringLiteral("/vault.kovrin");
    FixtureFiles::writeFile(fileName, cipher);

    const auto model = load(fileName);
    QStringList expected;
    QStringList warnings;
    for (qsizetype i = 0; i < loaded.size(); ++i) {
        expected.append(loaded[i] + QStringLiteral("|entry%1").arg(i));
        if (loaded[i] != inFile[i])
            warnings.append(LoadContext
                            + QStringLiteral("The vault file holds the rack [%1] more than once: the repeat is now named [%2].")
                                  .arg(inFile[i], loaded[i]));
    }
    QCOMPARE(describe(*model), expected);
    QCOMPARE(_log->messages(LoggerLevel::Warning), warnings);
    QCOMPARE(model->isModified(), !warnings.isEmpty());

    model->saveVault();
    const auto again = load(fileName);
    QCOMPARE(describe(*again), expected);
    QVERIFY(!again->isModified());
}

void TestModel::wrongPasswordFails()
{
    try {
        load(fixture(QStringLiteral("reference.kovrin")), QStringLiteral("reference-Pw1"));
        QFAIL("loaded with a wrong password");
    } catch (const Exception& e) {
        QVERIFY2(e.detail().startsWith(QStringLiteral("void Crypt::decryptAES256CBC(const AesPair&, const QByteArray&, QByteArray&) -> ")),
                 qPrintable(e.detail()));
    }
}

void TestModel::sizeLimit_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("4,194,304") << qint64(4194304) << true;
    QTest::newRow("4,194,305") << qint64(4194305) << false;
}

void TestModel::sizeLimit()
{
    QFETCH(qint64, size);
    QFETCH(bool, accepted);
    const QString fileName = TestEnvironment::freshDir(QStringLiteral("limit")) + QStringLiteral("/vault.kovrin");
    // A real vault whose ciphertext is exactly the limit: 4,194,288 plaintext bytes
    // and one block of padding.
    const auto model = newModel(fileName);
    auto* rack = new RackModel(model, QStringLiteral("Big"));
    const qsizetype header = QByteArray("\n\nSegment:Big\n").size();
    qsizetype remaining = 4194288 - header;
    QList<VaultEntry*> entries;
    for (int i = 0; remaining > 0; ++i) {
        const QString name = QStringLiteral("entry%1").arg(i, 6, 10, QLatin1Char('0'));
        const qsizetype fill = std::min<qsizetype>(500, remaining - name.size() - 4);
        entries.append(entry(name, QString(), QString(), QString(fill, u'c')));
        remaining -= name.size() + 4 + fill;
    }
    QCOMPARE(remaining, 0);
    rack->setEntries(entries);
    QVERIFY(model->addRackModel(rack));
    model->saveVault();
    QCOMPARE(QFileInfo(fileName).size(), qint64(4194304));
    if (size > 4194304) {
        QFile file(fileName);
        QVERIFY(file.open(QIODevice::Append));
        QCOMPARE(file.write(QByteArray(size - 4194304, 'x')), size - 4194304);
    }
    try {
        const auto loaded = load(fileName);
        QVERIFY(accepted);
        QCOMPARE(loaded->rackModel(QStringLiteral("Big"))->entryCount(), entries.size());
    } catch (const Exception& e) {
        QVERIFY2(!accepted, qPrintable(e.detail()));
        QCOMPARE(e.detail(), LoadContext + QStringLiteral("Encrypted vault file [%1] too large (> 4194304)").arg(fileName));
    }
}

void TestModel::unusableFilesAreRefused_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing") << QStringLiteral("missing");
    QTest::newRow("folder") << QStringLiteral("folder");
    QTest::newRow("read-only") << QStringLiteral("read-only");
    QTest::newRow("write-only") << QStringLiteral("write-only");
}

void TestModel::unusableFilesAreRefused()
{
    QFETCH(QString, kind);
    const QString fileName = TestEnvironment::freshDir(QStringLiteral("unusable")) + QStringLiteral("/vault.kovrin");
    if (kind == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(fileName));
    } else if (kind != QLatin1String("missing")) {
        QVERIFY(QFile::copy(fixture(QStringLiteral("reference.kovrin")), fileName));
        QVERIFY(QFile::setPermissions(fileName, kind == QLatin1String("read-only") ? QFile::ReadOwner : QFile::WriteOwner));
    }
    try {
        load(fileName);
        QFAIL("loaded");
    } catch (const Exception& e) {
        QCOMPARE(e.detail(), LoadContext + QStringLiteral("File [%1] isn't readable").arg(fileName));
    }
}

void TestModel::twoSavesRotateBackupAndTrash()
{
    const QString folder = TestEnvironment::freshDir(QStringLiteral("rotation"));
    QDir(trashFiles()).removeRecursively();
    const QString fileName = folder + QStringLiteral("/vault.kovrin");
    QVERIFY(QFile::copy(fixture(QStringLiteral("reference.kovrin")), fileName));
    QVERIFY(QFile::setPermissions(fileName, QFile::ReadOwner | QFile::WriteOwner));
    const QByteArray loadedBytes = readAll(fileName);

    const auto model = load(fileName);
    model->rackModel(QStringLiteral("Empty"))->appendEntry(entry(QStringLiteral("first"), QString(), QString(), QString()));
    model->saveVault();
    const QByteArray firstSave = readAll(fileName);
    model->rackModel(QStringLiteral("Empty"))->appendEntry(entry(QStringLiteral("second"), QString(), QString(), QString()));
    model->saveVault();

    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList({"vault.kovrin", "vault.kovrin~"}));
    QCOMPARE(describe(*load(fileName)).at(1), QStringLiteral("Empty|first|second"));
    QCOMPARE(readAll(fileName + QLatin1Char('~')), firstSave);
    QCOMPARE(QDir(trashFiles()).entryList(QDir::Files), QStringList({"vault.kovrin~"}));
    QCOMPARE(readAll(trashFiles() + QStringLiteral("/vault.kovrin~")), loadedBytes);
    // Saving keeps the vault file's permissions.
    // Owner, group and other bits (0x0700 are the current user's, a copy of one of them).
    QCOMPARE(QFile::permissions(fileName) & 0x7077, QFile::ReadOwner | QFile::WriteOwner);
}

void TestModel::demoVaultOpens()
{
    // The password the README gives for the sample vault.
    const QString fileName = TestEnvironment::freshDir(QStringLiteral("demo")) + QStringLiteral("/demo.kovrin");
    QVERIFY(QFile::copy(QStringLiteral(KOVRIN_SOURCE_DIR "/examples/demo.kovrin"), fileName));
    QVERIFY(QFile::setPermissions(fileName, QFile::ReadOwner | QFile::WriteOwner));
    const auto model = load(fileName, QStringLiteral("Kovrin-Demo-1"));
    QCOMPARE(model->rackNames(), QStringList({"Personal", "Work"}));
    QVERIFY(model->rackModel(QStringLiteral("Personal"))->entryCount() > 2);
    QVERIFY(_log->lines().isEmpty());
}

void TestModel::constructorRefusesMissingParts()
{
    const QString context = QStringLiteral("Model::Model(shared_ptr<Logger>, AesPair*, QTabWidget*, QObject*) -> ");
    try {
        Model model(nullptr, QStringLiteral("f"), nullptr, _tabs.get());
        QFAIL("no key accepted");
    } catch (const Exception& e) {
        QCOMPARE(e.detail(), context + QStringLiteral("Undefined method parameter\u00A0[pKey]: [Model::Model]"));
    }
    try {
        Model model(nullptr, QStringLiteral("f"), Model::keyFromPassword(QString()), nullptr);
        QFAIL("no tab widget accepted");
    } catch (const Exception& e) {
        QCOMPARE(e.detail(), context + QStringLiteral("Undefined method parameter\u00A0[pTab]: [Model::Model]"));
    }
}

void TestModel::rackListOperations()
{
    const auto model = std::make_shared<Model>(_log->logger(), QStringLiteral("unused"),
                                               Model::keyFromPassword(QString()), _tabs.get());
    const auto other = newModel(QStringLiteral("unused"));
    auto* a = new RackModel(model, QStringLiteral("A"));
    QVERIFY(model->addRackModel(a));
    QCOMPARE(a->parent(), model.get());
    const std::unique_ptr<RackModel> refused[] = {
        std::make_unique<RackModel>(model, QStringLiteral("A")),
        std::make_unique<RackModel>(model, QString()),
        std::make_unique<RackModel>(model, QStringLiteral("Two\nlines")),
        std::make_unique<RackModel>(other, QStringLiteral("Foreign")),
    };
    for (const auto& rack : refused)
        QVERIFY(!model->addRackModel(rack.get()));
    QVERIFY(!model->addRackModel(nullptr));
    QCOMPARE(model->rackNames(), QStringList({"A"}));
    QCOMPARE(_log->messages(LoggerLevel::Warning),
             QStringList({"bool Model::addRackModel(RackModel*) -> A rack name cannot hold a line feed."}));

    QVERIFY(model->addRackModel(new RackModel(model, QStringLiteral("a"))));
    QVERIFY(model->rackExists(QStringLiteral("a")));
    QVERIFY(!model->rackExists(QStringLiteral("B")));
    QCOMPARE(model->rackModel(QStringLiteral("A")), a);
    QCOMPARE(model->rackModel(QStringLiteral("B")), nullptr);
    QCOMPARE(model->rackCount(), 2);
    QCOMPARE(model->racks()->size(), 2);
}

void TestModel::removedRackBelongsToTheCaller()
{
    QPointer<RackModel> kept;
    std::unique_ptr<RackModel> removed;
    {
        const auto model = newModel(QStringLiteral("unused"));
        auto* rack = new RackModel(model, QStringLiteral("A"));
        rack->appendEntry(entry(QStringLiteral("e"), QString(), QString(), QString()));
        QVERIFY(model->addRackModel(rack));
        QVERIFY(model->addRackModel(new RackModel(model, QStringLiteral("B"))));
        QCOMPARE(model->removeRackModel(QStringLiteral("none")), nullptr);
        removed = model->removeRackModel(QStringLiteral("A"));
        QCOMPARE(removed.get(), rack);
        QCOMPARE(model->rackNames(), QStringList({"B"}));
        kept = removed.get();
    }
    // The vault model is gone; the removed rack and its entries are still whole.
    QVERIFY(kept);
    QCOMPARE(removed->entryCount(), 1);
    QCOMPARE(removed->model(), nullptr);
    QVERIFY(!removed->setTabIndex(2));
}

void TestModel::tabWidgetMayGoFirst()
{
    auto model = newModel(QStringLiteral("unused"));
    QPointer<RackModel> rack = new RackModel(model, QStringLiteral("A"));
    QVERIFY(model->addRackModel(rack));
    QCOMPARE(model->tabs(), _tabs.get());
    _tabs.reset();
    QVERIFY(rack);
    QCOMPARE(model->tabs(), nullptr);
    QCOMPARE(model->rackNames(), QStringList({"A"}));
    model.reset();
    QVERIFY(!rack);
}

void TestModel::lastReferenceMayGoFirst()
{
    QPointer<Model> watched;
    QPointer<RackModel> rack;
    {
        auto model = newModel(QStringLiteral("unused"));
        watched = model.get();
        rack = new RackModel(model, QStringLiteral("A"));
        QVERIFY(model->addRackModel(rack));
        // A rack's reference to its model does not keep the model alive.
        QCOMPARE(model.use_count(), 1);
        QCOMPARE(rack->model(), model);
    }
    QVERIFY(!watched);
    QVERIFY(!rack);
    _tabs.reset();
}

void TestModel::refusedRackOutlivesTheModel()
{
    auto model = newModel(QStringLiteral("unused"));
    QVERIFY(model->addRackModel(new RackModel(model, QStringLiteral("A"))));
    auto refused = std::make_unique<RackModel>(model, QStringLiteral("A"));
    QVERIFY(!model->addRackModel(refused.get()));
    QPointer<RackModel> watched = refused.get();
    model.reset();
    // Still the creator's: the vault model did not delete it on its way out.
    QVERIFY(watched);
    refused.reset();
    QVERIFY(!watched);
}

void TestModel::rackDeletedByAnotherOwnerLeavesTheList()
{
    const auto model = newModel(QStringLiteral("unused"));
    auto* a = new RackModel(model, QStringLiteral("A"));
    QVERIFY(model->addRackModel(a));
    QVERIFY(model->addRackModel(new RackModel(model, QStringLiteral("B"))));
    const auto racks = model->racks();
    delete a;
    QCOMPARE(model->rackNames(), QStringList({"B"}));
    QCOMPARE(racks->size(), 1);
}

// Racks are found by name in constant time: the index must follow every road
// by which a name comes or goes.
void TestModel::lookupsFollowRenamesAndRemovals()
{
    const auto model = newModel(QStringLiteral("unused"));
    auto* a = new RackModel(model, QStringLiteral("A"));
    auto* b = new RackModel(model, QStringLiteral("B"));
    QVERIFY(model->addRackModel(a));
    QVERIFY(model->addRackModel(b));

    a->setName(QStringLiteral("C"));
    QCOMPARE(model->rackModel(QStringLiteral("C")), a);
    QVERIFY(!model->rackExists(QStringLiteral("A")));
    QVERIFY_THROWS_EXCEPTION(Exception, b->setName(QStringLiteral("C")));
    QCOMPARE(model->rackModel(QStringLiteral("B")), b);
    // The old name is free for a new rack.
    auto* again = new RackModel(model, QStringLiteral("A"));
    QVERIFY(model->addRackModel(again));
    QCOMPARE(model->rackModel(QStringLiteral("A")), again);

    // A rack not (yet) in the vault renames without touching the vault's names.
    const auto loose = std::make_unique<RackModel>(model, QStringLiteral("Loose"));
    loose->setName(QStringLiteral("B2"));
    QVERIFY(!model->rackExists(QStringLiteral("B2")));
    QCOMPARE(model->rackModel(QStringLiteral("B")), b);

    std::unique_ptr<RackModel> removed = model->removeRackModel(QStringLiteral("B"));
    QCOMPARE(removed.get(), b);
    QVERIFY(!model->rackExists(QStringLiteral("B")));
    // Renamed or deleted once out of the vault, it leaves the vault alone.
    QVERIFY(model->addRackModel(new RackModel(model, QStringLiteral("B"))));
    RackModel* newB = model->rackModel(QStringLiteral("B"));
    removed->setName(QStringLiteral("D"));
    removed.reset();
    QCOMPARE(model->rackModel(QStringLiteral("B")), newB);
    QVERIFY(!model->rackExists(QStringLiteral("D")));

    delete a;
    QVERIFY(!model->rackExists(QStringLiteral("C")));
    QCOMPARE(model->rackNames(), (QStringList{"A", "B"}));
}

void TestModel::firstFreeRackName()
{
    const auto model = newModel(QStringLiteral("unused"));
    const QString r = QStringLiteral("R");
    const auto add = [&](const QString& name) { QVERIFY(model->addRackModel(new RackModel(model, name))); };
    QCOMPARE(model->firstFreeRackName(r), QStringLiteral("R 1"));
    QCOMPARE(model->firstFreeRackName(r), QStringLiteral("R 1")); // asking takes nothing
    add(QStringLiteral("R 1"));
    add(QStringLiteral("R 2"));
    add(QStringLiteral("R 4"));
    QCOMPARE(model->firstFreeRackName(r), QStringLiteral("R 3"));
    add(QStringLiteral("R 3"));
    QCOMPARE(model->firstFreeRackName(r), QStringLiteral("R 5"));
    QCOMPARE(model->firstFreeRackName(QStringLiteral("S")), QStringLiteral("S 1"));
    // Names set free by a rename, a removal or a deletion are given again, lowest first.
    model->rackModel(QStringLiteral("R 2"))->setName(QStringLiteral("Two"));
    QCOMPARE(model->firstFreeRackName(r), QStringLiteral("R 2"));
    add(QStringLiteral("R 2"));
    QCOMPARE(model->firstFreeRackName(r), QStringLiteral("R 5"));
    (void)model->removeRackModel(QStringLiteral("R 3"));
    QCOMPARE(model->firstFreeRackName(r), QStringLiteral("R 3"));
    add(QStringLiteral("R 3"));
    delete model->rackModel(QStringLiteral("R 1"));
    QCOMPARE(model->firstFreeRackName(r), QStringLiteral("R 1"));
}

KOVRIN_TEST_MAIN(TestModel)
#include "tst_model.moc"
