// A locked vault: sealed, it gives back for its password exactly the racks,
// entries, modified flag, file state and caller's bytes it was sealed with;
// another password raises WrongPassword and changes nothing.
#include "Exception.h"
#include "LockedVault.h"
#include "Model.h"
#include "ModuleTexts.h"
#include "RackModel.h"
#include "TestEnvironment.h"
#include "TestMain.h"
#include "VaultEntry.h"

#include <QFile>
#include <QTabWidget>
#include <QTest>

namespace {
const QString Password = QStringLiteral("Locked-Vault-7");

using Shelf = QPair<QString, QList<QStringList>>; // a rack: name, entries of four fields

std::shared_ptr<Model> build(const QString& fileName, const QList<Shelf>& racks, QTabWidget* tabs)
{
    auto model = std::make_shared<Model>(nullptr, fileName, Model::keyFromPassword(Password), tabs);
    for (const auto& [name, entries] : racks) {
        auto* rack = new RackModel(model, name);
        if (!model->addRackModel(rack))
            return nullptr;
        for (const QStringList& fields : entries)
            rack->appendEntry(new VaultEntry(fields[0], fields[1], fields[2], fields[3]));
    }
    return model;
}

QList<Shelf> contents(const Model& model)
{
    QList<Shelf> racks;
    for (const RackModel* rack : *model.racks()) {
        Shelf copy{rack->name(), {}};
        for (const VaultEntry* entry : rack->entries())
            copy.second.append({entry->name(), entry->user(), entry->password(), entry->comment()});
        racks.append(copy);
    }
    return racks;
}
} // namespace

class TestLockedVault : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { ModuleTexts::setLanguage(QStringLiteral("en_US")); }
    void roundTrip_data();
    void roundTrip();
    void wrongPassword_data();
    void wrongPassword();
    void fileStateSurvives();
};

void TestLockedVault::roundTrip_data()
{
    QTest::addColumn<QList<Shelf>>("racks");
    QTest::addColumn<QByteArray>("state");
    QTest::addColumn<bool>("modified");
    const QStringList plain{"mail", "me@example.org", "pa55word", "personal"};
    QTest::newRow("one rack, no state") << QList<Shelf>{{"Web", {plain}}} << QByteArray() << false;
    QTest::newRow("racks in order, empty one between, modified")
        << QList<Shelf>{{"Zulu", {plain}}, {"Empty", {}}, {"Alpha", {{"bank", "", "", ""}, plain}}}
        << QByteArray("state") << true;
    QTest::newRow("awkward texts, binary state")
        << QList<Shelf>{{QStringLiteral("Caf\u00e9 \U0001F512"),
                        {{QStringLiteral("r\u00f4le"), QStringLiteral("\u00a0nbsp"), QStringLiteral(" spaced "),
                          QStringLiteral("rack:not a header")}}}}
        << QByteArray("\0\x01\xff state\n", 10) << true;
    QTest::newRow("state a block long") << QList<Shelf>{{"Web", {plain}}} << QByteArray(16, 'x') << false;
}

void TestLockedVault::roundTrip()
{
    QFETCH(QList<Shelf>, racks);
    QFETCH(QByteArray, state);
    QFETCH(bool, modified);
    QTabWidget tabs;
    const QString fileName = TestEnvironment::freshDir(QStringLiteral("sealed")) + QStringLiteral("/v.kovrin");
    std::shared_ptr<Model> model = build(fileName, racks, &tabs);
    QVERIFY(model);
    if (modified)
        model->setModified();
    const qint64 size = model->savedSize();

    const LockedVault locked(*model, state);
    model.reset();
    QCOMPARE(locked.fileName(), fileName);
    QCOMPARE(locked.isModified(), modified);

    const LockedVault::Opened opened = locked.open(Password, &tabs);
    QVERIFY(opened.model);
    QCOMPARE(contents(*opened.model), racks);
    QCOMPARE(opened.state, state);
    QCOMPARE(opened.model->isModified(), modified);
    QCOMPARE(opened.model->fileName(), fileName);
    QCOMPARE(opened.model->savedSize(), size);
    QVERIFY(opened.model->hasKey(*Model::keyFromPassword(Password)));
    // Opening leaves the lock as it was: it opens again.
    QCOMPARE(contents(*locked.open(Password, &tabs).model), racks);
}

void TestLockedVault::wrongPassword_data()
{
    QTest::addColumn<QString>("password");
    QTest::newRow("another") << QStringLiteral("Another-Pass-1");
    QTest::newRow("empty") << QString();
    QTest::newRow("one character more") << Password + QLatin1Char(' ');
    QTest::newRow("other case") << Password.toUpper();
}

void TestLockedVault::wrongPassword()
{
    QFETCH(QString, password);
    QTabWidget tabs;
    std::shared_ptr<Model> model = build(QStringLiteral("x.kovrin"), {{"Web", {{"mail", "me", "pw", ""}}}}, &tabs);
    const LockedVault locked(*model, QByteArray("view"));
    model.reset();
    // Many wrong keys: the padding alone would let one in 256 through.
    for (int round = 0; round < 300; ++round) {
        const QString tried = round == 0 ? password : password + QString::number(round);
        try {
            (void)locked.open(tried, &tabs);
            QFAIL(qPrintable(QStringLiteral("opened with a wrong password, round %1").arg(round)));
        } catch (const Exception& e) {
            QVERIFY(e.detail().endsWith(ModuleTexts::text(QStringLiteral("WrongPassword"))));
        }
    }
    const LockedVault::Opened opened = locked.open(Password, &tabs);
    QCOMPARE(opened.state, QByteArray("view"));
    QCOMPARE(opened.model->rackNames(), QStringList{"Web"});
}

// A vault loaded from its file and locked still tells, once unlocked, whether
// another program changed the file meanwhile.
void TestLockedVault::fileStateSurvives()
{
    QTabWidget tabs;
    const QString fileName = TestEnvironment::freshDir(QStringLiteral("disk")) + QStringLiteral("/v.kovrin");
    {
        std::shared_ptr<Model> model = build(fileName, {{"Web", {{"mail", "me", "pw", ""}}}}, &tabs);
        model->saveVault(true);
    }
    std::shared_ptr<Model> loaded = Model::loadVault(fileName, *Model::keyFromPassword(Password), &tabs, nullptr);
    const LockedVault locked(*loaded);
    loaded.reset();
    QVERIFY(!locked.open(Password, &tabs).model->isChangedOnDisk());
    {
        QFile file(fileName);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("another program's bytes");
    }
    QVERIFY(locked.open(Password, &tabs).model->isChangedOnDisk());
}

KOVRIN_TEST_MAIN(TestLockedVault)
#include "tst_lockedvault.moc"
