#include "Exception.h"
#include "FilePermissions.h"
#include "FixtureFiles.h"
#include "FileSizeLimit.h"
#include "Model.h"
#include "RackModel.h"
#include "ModuleTexts.h"
#include "TestEnvironment.h"
#include "TestMain.h"
#include "VaultEntry.h"
#include "VaultFileSystem.h"

#include <QDir>
#include <QFile>
#include <QTabWidget>
#include <QTest>


namespace {
using FixtureFiles::readAll;
using FixtureFiles::writeFile;

const QString Password = QStringLiteral("Faults-Pw1");
const QString SaveContext = QStringLiteral("void Model::saveVault() -> ");
constexpr qint64 Limit = Model::MaxCipheredSize;

// Entries of the given UTF-8 size each (line feed included), plain ASCII.
QList<VaultEntry*> entriesOfSize(int first, int count, qsizetype lineSize)
{
    QList<VaultEntry*> entries;
    for (int i = first; i < first + count; ++i) {
        const QString name = QStringLiteral("e%1").arg(i, 6, 10, QLatin1Char('0'));
        entries.append(new VaultEntry(name, QString(), QString(), QString(lineSize - name.size() - 4, u'c')));
    }
    return entries;
}

QString trash()
{
    return TestEnvironment::trash();
}

QStringList trashContent()
{
    QStringList names;
    for (const QString& sub : {QStringLiteral("files"), QStringLiteral("info")})
        for (const QString& name : QDir(trash() + QLatin1Char('/') + sub).entryList(QDir::Files | QDir::Hidden))
            names.append(sub + QLatin1Char('/') + name);
    return names;
}

// Real file moves, except that one chosen step fails.
class FailingFileSystem : public VaultFileSystem
{
public:
    int failingRename = -1; // 0: vault to backup, 1: new file to vault
    bool failingTrash = false;

    bool moveToTrash(const QString& path, QString* trashedPath) override
    {
        return !failingTrash && VaultFileSystem::moveToTrash(path, trashedPath);
    }
    bool rename(const QString& from, const QString& to, QString* error) override
    {
        if (_renames++ == failingRename) {
            if (error)
                *error = QStringLiteral("injected failure");
            return false;
        }
        return VaultFileSystem::rename(from, to, error);
    }

private:
    int _renames = 0;
};
} // namespace

class TestModelSave : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void faultLeavesFilesAsTheyWere_data();
    void faultLeavesFilesAsTheyWere();
    void newVaultInReadOnlyFolderIsNotCreated();

    void savedSizeIsTheFileSize_data();
    void savedSizeIsTheFileSize();
    void oversizedVaultIsNotSaved_data();
    void oversizedVaultIsNotSaved();
    void changedOnDisk_data();
    void changedOnDisk();
    void fileAppearingBesideNewVault();

private:
    void addEntries(int count);

    // The vault, backup and trash as init() leaves them.
    struct Files
    {
        QByteArray vault, backup;
        QStringList folder, trash;
    };
    Files files() const;

    std::unique_ptr<QTabWidget> _tabs;
    std::shared_ptr<Model> _model;
    QString _folder;
    QString _fileName;
};

void TestModelSave::initTestCase()
{
    ModuleTexts::setLanguage(QStringLiteral("en_US"));
    QVERIFY(dropPermissionOverride());
}

void TestModelSave::addEntries(int count)
{
    RackModel* rack = _model->rackModel(QStringLiteral("Rack"));
    const qsizetype first = rack->entryCount();
    for (qsizetype i = first; i < first + count; ++i)
        rack->appendEntry(new VaultEntry(QStringLiteral("entry %1").arg(i), QStringLiteral("user"),
                                         QStringLiteral("password %1").arg(i), QStringLiteral("a comment of some length")));
}

// Every case starts from a vault saved twice: the vault file, its backup, and
// one older version in the trash, which is emptied.
void TestModelSave::init()
{
    _folder = TestEnvironment::freshDir(QStringLiteral("faults"));
    _fileName = _folder + QStringLiteral("/vault.kovrin");
    _tabs = std::make_unique<QTabWidget>();
    _model = std::make_shared<Model>(nullptr, _fileName, Model::keyFromPassword(Password), _tabs.get());
    QVERIFY(_model->addRackModel(new RackModel(_model, QStringLiteral("Rack"))));
    addEntries(2);
    _model->saveVault();
    addEntries(1);
    _model->saveVault();
    QDir(trash()).removeRecursively();
}

void TestModelSave::cleanup()
{
    QFile::setPermissions(_folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile::remove(trash());
    QDir(trash()).removeRecursively();
    _model.reset();
    _tabs.reset();
}

void TestModelSave::faultLeavesFilesAsTheyWere_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("message"); // the beginning of the error's detail; %1 the vault file
    const QString notWritable = QStringLiteral("void Model::saveVault() -> File [%1] cannot be modified - ");
    QTest::newRow("full disk") << "full disk" << notWritable;
    QTest::newRow("read-only folder") << "read-only folder" << notWritable;
    QTest::newRow("trash unusable") << "trash unusable"
                                    << "void Model::saveVault() -> File [%1~] failed to be moved to the trash";
    QTest::newRow("trash refuses") << "trash refuses" << "void Model::saveVault() -> File [%1~] failed to be moved to the trash";
    QTest::newRow("vault rename fails") << "vault rename fails" << notWritable + "injected failure";
    QTest::newRow("new file rename fails") << "new file rename fails" << notWritable + "injected failure";
}

void TestModelSave::faultLeavesFilesAsTheyWere()
{
    QFETCH(QString, fault);
    QFETCH(QString, message);
    const QByteArray vault = readAll(_fileName);
    const QByteArray backup = readAll(_fileName + QLatin1Char('~'));
    QVERIFY(!vault.isEmpty() && !backup.isEmpty() && vault != backup);

    auto files = std::make_shared<FailingFileSystem>();
    _model->setFileSystem(files);
    addEntries(200); // well over the file size limit below
    _model->setModified();
    std::unique_ptr<FileSizeLimit> limit;
    if (fault == QLatin1String("full disk")) {
        limit = std::make_unique<FileSizeLimit>(4096);
        QVERIFY(limit->active());
    } else if (fault == QLatin1String("read-only folder")) {
        QVERIFY(QFile::setPermissions(_folder, QFile::ReadOwner | QFile::ExeOwner));
    } else if (fault == QLatin1String("trash unusable")) {
        // A plain file where the trash folder should be.
        QVERIFY(QDir().mkpath(QFileInfo(trash()).path()));
        QFile blocker(trash());
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    } else if (fault == QLatin1String("trash refuses")) {
        files->failingTrash = true;
    } else if (fault == QLatin1String("vault rename fails")) {
        files->failingRename = 0;
    } else {
        files->failingRename = 1;
    }

    try {
        _model->saveVault();
        QFAIL("saved despite the fault");
    } catch (const Exception& e) {
        qInfo().noquote() << e.detail();
        QVERIFY2(e.detail().startsWith(message.arg(_fileName)), qPrintable(e.detail()));
    }
    limit.reset();
    QFile::setPermissions(_folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QCOMPARE(readAll(_fileName), vault);
    QCOMPARE(readAll(_fileName + QLatin1Char('~')), backup);
    QCOMPARE(QDir(_folder).entryList(QDir::Files | QDir::Hidden), QStringList({"vault.kovrin", "vault.kovrin~"}));
    if (fault != QLatin1String("trash unusable"))
        QCOMPARE(trashContent(), QStringList());
    // Without a trash, Qt falls back to files/ and info/ in the current folder.
    QVERIFY(!QFileInfo::exists(QStringLiteral("files/vault.kovrin~")));
    QVERIFY(!QFileInfo::exists(QStringLiteral("info/vault.kovrin~.trashinfo")));
    QVERIFY(_model->isModified());

    // Once the fault is gone the same model saves normally.
    QFile::remove(trash());
    _model->setFileSystem(nullptr);
    _model->saveVault();
    QVERIFY(!_model->isModified());
    QCOMPARE(readAll(_fileName + QLatin1Char('~')), vault);
    QCOMPARE(_model->rackModel(QStringLiteral("Rack"))->entryCount(), 203);
    const auto loaded = Model::loadVault(_fileName, *Model::keyFromPassword(Password), _tabs.get(), nullptr);
    QCOMPARE(loaded->rackModel(QStringLiteral("Rack"))->entryCount(), 203);
}

void TestModelSave::newVaultInReadOnlyFolderIsNotCreated()
{
    const QString folder = TestEnvironment::freshDir(QStringLiteral("readonly-new"));
    const QString fileName = folder + QStringLiteral("/new.kovrin");
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    Model model(nullptr, fileName, Model::keyFromPassword(Password), _tabs.get());
    model.setModified();
    QVERIFY_THROWS_EXCEPTION(Exception, model.saveVault());
    QVERIFY(model.isModified());
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList());
}

TestModelSave::Files TestModelSave::files() const
{
    return {readAll(_fileName), readAll(_fileName + QLatin1Char('~')),
            QDir(_folder).entryList(QDir::Files | QDir::Hidden | QDir::System), trashContent()};
}

void TestModelSave::savedSizeIsTheFileSize_data()
{
    QTest::addColumn<QString>("rack"); // empty: no rack at all
    QTest::addColumn<QString>("text"); // goes into the comment of one entry; null: no entry
    QTest::addColumn<int>("plainSize"); // of the whole plaintext; -1 when not set
    QTest::newRow("no rack") << QString() << QString() << 0;
    // Header "\n\nSegment:R\n" (12 bytes), then "a\t\t\t" + comment + "\n".
    QTest::newRow("15 plaintext bytes") << "ABCD" << QString() << 15;
    QTest::newRow("16 plaintext bytes") << "ABCDE" << QString() << 16;
    for (int size : {17, 31, 32, 33, 4096})
        QTest::newRow(qPrintable(QStringLiteral("%1 plaintext bytes").arg(size))) << "R" << QString(size - 17, u'x') << size;
    QTest::newRow("two-byte letters") << "R" << QStringLiteral("ééé") << 17 + 6;
    QTest::newRow("three-byte signs") << "R" << QStringLiteral("€€€€") << 17 + 12;
    QTest::newRow("four-byte characters") << "R" << QStringLiteral("🔑🔑") << 17 + 8;
    QTest::newRow("multi-byte rack name") << QStringLiteral("Sécurité €") << QStringLiteral("é") << 10 + 14 + 1 + 5 + 2;
    QTest::newRow("lone surrogate") << "R" << QString(QChar(0xD800)) + QStringLiteral("z") << -1;
}

// What the file would take, said before it is written, is what it takes.
void TestModelSave::savedSizeIsTheFileSize()
{
    QFETCH(QString, rack);
    QFETCH(QString, text);
    QFETCH(int, plainSize);
    const QString fileName = TestEnvironment::freshDir(QStringLiteral("size")) + QStringLiteral("/vault.kovrin");
    const auto model = std::make_shared<Model>(nullptr, fileName, Model::keyFromPassword(Password), _tabs.get());
    if (!rack.isEmpty()) {
        auto* r = new RackModel(model, rack);
        if (!text.isNull())
            r->appendEntry(new VaultEntry(QStringLiteral("a"), QString(), QString(), text));
        QVERIFY(model->addRackModel(r));
    }
    if (plainSize >= 0)
        QCOMPARE(model->toPlainText()->size(), plainSize);
    const qint64 said = model->savedSize();
    model->saveVault();
    QCOMPARE(said, QFileInfo(fileName).size());
    QCOMPARE(said % 16, 0);
}

void TestModelSave::oversizedVaultIsNotSaved_data()
{
    QTest::addColumn<int>("over"); // plaintext bytes above the largest that fits
    QTest::addColumn<qint64>("size"); // the file it would take
    QTest::newRow("one byte over") << 1 << Limit + 16;
    QTest::newRow("one block over") << 16 << Limit + 16;
    QTest::newRow("far over") << 500 * 1024 << Limit + 500 * 1024;
}

void TestModelSave::oversizedVaultIsNotSaved()
{
    QFETCH(int, over);
    QFETCH(qint64, size);
    const Files before = files();
    // 4,194,303 plaintext bytes are the most a vault file of 4,194,304 bytes holds.
    const qint64 plain = Limit - 1 + over;
    const qint64 header = QByteArray("\n\nSegment:Big\n").size();
    const qsizetype line = 400;
    const qint64 body = plain - _model->toPlainText()->size() - header;
    auto* big = new RackModel(_model, QStringLiteral("Big"));
    // The rest shared by the last two lines, so that no comment grows too long.
    const int count = int(body / line);
    const qsizetype rest = line + body % line;
    QList<VaultEntry*> entries = entriesOfSize(0, count - 1, line);
    entries.append(entriesOfSize(count - 1, 1, rest / 2));
    entries.append(entriesOfSize(count, 1, rest - rest / 2));
    big->setEntries(entries);
    QVERIFY(_model->addRackModel(big));
    _model->setModified();
    QCOMPARE(_model->toPlainText()->size(), plain);
    QCOMPARE(_model->savedSize(), size);

    try {
        _model->saveVault();
        QFAIL("saved a vault that cannot be opened again");
    } catch (const Exception& e) {
        QCOMPARE(e.detail(), SaveContext
                                 + QStringLiteral("The vault would take %1 bytes, more than the 4194304 bytes a vault file "
                                                  "may hold: move entries to another vault before saving.")
                                       .arg(size));
    }
    const Files after = files();
    QCOMPARE(after.vault, before.vault);
    QCOMPARE(after.backup, before.backup);
    QCOMPARE(after.folder, before.folder);
    QCOMPARE(after.trash, before.trash);
    QVERIFY(_model->isModified());

    if (over > 16)
        return;
    // One byte less fits, and opens again.
    entries.last()->setComment(entries.last()->comment().chopped(over));
    QCOMPARE(_model->savedSize(), Limit);
    _model->saveVault();
    QCOMPARE(QFileInfo(_fileName).size(), Limit);
    QCOMPARE(Model::loadVault(_fileName, *Model::keyFromPassword(Password), _tabs.get(), nullptr)->rackCount(), 2);
}

void TestModelSave::changedOnDisk_data()
{
    QTest::addColumn<bool>("loaded"); // the model read the file, else it wrote it last
    QTest::addColumn<QString>("writer"); // what a second program does to the file
    QTest::addColumn<bool>("changed");
    for (const bool loaded : {false, true}) {
        const QString origin = loaded ? QStringLiteral("loaded, ") : QStringLiteral("saved, ");
        for (const auto& [writer, changed] : {std::pair{"nothing", false},
                                              {"touch", false},
                                              {"same bytes", false},
                                              {"same size", true},
                                              {"same size and time", true},
                                              {"other size", true},
                                              {"backup restored", true},
                                              {"vanished", true}})
            QTest::newRow(qPrintable(origin + QLatin1String(writer))) << loaded << QString::fromLatin1(writer) << changed;
    }
}

// A second writer of the same file: its work is never overwritten unasked.
void TestModelSave::changedOnDisk()
{
    QFETCH(bool, loaded);
    QFETCH(QString, writer);
    QFETCH(bool, changed);
    if (loaded)
        _model = Model::loadVault(_fileName, *Model::keyFromPassword(Password), _tabs.get(), nullptr);
    QVERIFY(!_model->isChangedOnDisk());

    const QByteArray vault = readAll(_fileName);
    if (writer == QLatin1String("touch")) {
        QFile file(_fileName);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
    } else if (writer == QLatin1String("same bytes")) {
        writeFile(_fileName, vault);
    } else if (writer == QLatin1String("same size")) {
        QByteArray other = vault;
        other[other.size() / 2] = char(other[other.size() / 2] ^ 1);
        writeFile(_fileName, other);
    } else if (writer == QLatin1String("same size and time")) {
        // As a coarse file system clock leaves it, right after our own write.
        const QDateTime time = QFileInfo(_fileName).lastModified();
        QByteArray other = vault;
        other[0] = char(other[0] ^ 1);
        QFile file(_fileName);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QCOMPARE(file.write(other), other.size());
        QVERIFY(file.flush());
        QVERIFY(file.setFileTime(time, QFileDevice::FileModificationTime));
    } else if (writer == QLatin1String("other size")) {
        writeFile(_fileName, vault + QByteArray(16, 'x'));
    } else if (writer == QLatin1String("backup restored")) {
        QVERIFY(QFile::remove(_fileName));
        QVERIFY(QFile::copy(_fileName + QLatin1Char('~'), _fileName));
    } else if (writer == QLatin1String("vanished")) {
        QVERIFY(QFile::remove(_fileName));
    }
    QCOMPARE(_model->isChangedOnDisk(), changed);

    addEntries(1);
    _model->setModified();
    const Files before = files();
    if (changed) {
        try {
            _model->saveVault();
            QFAIL("overwrote the other program's file");
        } catch (const Exception& e) {
            QCOMPARE(e.detail(),
                     SaveContext + QStringLiteral("File [%1] was changed by another program since it was opened.").arg(_fileName));
        }
        const Files after = files();
        QCOMPARE(after.vault, before.vault);
        QCOMPARE(after.backup, before.backup);
        QCOMPARE(after.folder, before.folder);
        QCOMPARE(after.trash, before.trash);
        QVERIFY(_model->isModified());
        QVERIFY(_model->isChangedOnDisk());
        _model->saveVault(false, Model::DiskChange::Overwrite);
    } else {
        _model->saveVault();
    }
    QVERIFY(!_model->isModified());
    QVERIFY(!_model->isChangedOnDisk());
    if (!before.vault.isEmpty())
        QCOMPARE(readAll(_fileName + QLatin1Char('~')), before.vault);
    const auto again = Model::loadVault(_fileName, *Model::keyFromPassword(Password), _tabs.get(), nullptr);
    QCOMPARE(again->rackModel(QStringLiteral("Rack"))->entryCount(), 4);
}

// A model built in memory knows of no file: one that turns up is someone else's.
void TestModelSave::fileAppearingBesideNewVault()
{
    const QString fileName = TestEnvironment::freshDir(QStringLiteral("appearing")) + QStringLiteral("/new.kovrin");
    Model model(nullptr, fileName, Model::keyFromPassword(Password), _tabs.get());
    QVERIFY(!model.isChangedOnDisk());
    writeFile(fileName, readAll(_fileName));
    QVERIFY(model.isChangedOnDisk());
    QVERIFY_THROWS_EXCEPTION(Exception, model.saveVault());
    QCOMPARE(readAll(fileName), readAll(_fileName));
    QVERIFY(!QFileInfo::exists(fileName + QLatin1Char('~')));
    model.saveVault(false, Model::DiskChange::Overwrite);
    QVERIFY(!model.isChangedOnDisk());
    QCOMPARE(readAll(fileName + QLatin1Char('~')), readAll(_fileName));
}

KOVRIN_TEST_MAIN(TestModelSave)
#include "tst_modelsave.moc"
