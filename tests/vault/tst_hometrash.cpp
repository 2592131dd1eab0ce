// Saving on a fresh account, whose home trash (and even its data folder) does
// not exist yet: the trash is created, and every save after the first sends the
// older backup there.
#include "Model.h"
#include "ModuleTexts.h"
#include "RackModel.h"
#include "TestMain.h"
#include "VaultEntry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTabWidget>
#include <QTest>

class TestHomeTrash : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void savesCreateTheTrash_data();
    void savesCreateTheTrash();

private:
    QByteArray _dataHome;
};

void TestHomeTrash::initTestCase()
{
    ModuleTexts::setLanguage(QStringLiteral("en_US"));
    _dataHome = qgetenv("XDG_DATA_HOME");
}

void TestHomeTrash::cleanup()
{
    qputenv("XDG_DATA_HOME", _dataHome);
}

void TestHomeTrash::savesCreateTheTrash_data()
{
    QTest::addColumn<QString>("dataHome"); // relative to the test's root
    QTest::newRow("data folder exists, no trash") << QStringLiteral("share-present");
    QTest::newRow("no data folder") << QStringLiteral("share-missing/deeper");
}

void TestHomeTrash::savesCreateTheTrash()
{
    QFETCH(QString, dataHome);
    const QString data = TestEnvironment::root() + QLatin1Char('/') + dataHome;
    QDir(data).removeRecursively();
    if (dataHome == QLatin1String("share-present"))
        QVERIFY(QDir().mkpath(data));
    qputenv("XDG_DATA_HOME", data.toUtf8());

    const QString fileName = TestEnvironment::freshDir(QStringLiteral("fresh")) + QStringLiteral("/vault.kovrin");
    QTabWidget tabs;
    auto model = std::make_shared<Model>(nullptr, fileName, Model::keyFromPassword(QStringLiteral("Fresh-Acc0unt!")),
                                         &tabs);
    auto* rack = new RackModel(model, QStringLiteral("Rack"));
    QVERIFY(model->addRackModel(rack));
    for (int save = 0; save < 3; ++save) {
        rack->appendEntry(new VaultEntry(QStringLiteral("entry %1").arg(save), QStringLiteral("user"),
                                         QStringLiteral("secret"), QString()));
        model->saveVault(true); // raised "failed to be moved to the trash" from the third save on
    }
    const QDir trash(data + QStringLiteral("/Trash"));
    QVERIFY(trash.exists(QStringLiteral("files")));
    QVERIFY(trash.exists(QStringLiteral("info")));
    QCOMPARE(QFileInfo(trash.path()).permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
    QCOMPARE(QDir(trash.filePath(QStringLiteral("files"))).entryList(QDir::Files).size(), 1);
    QVERIFY(QFile::exists(fileName + QLatin1Char('~')));
}

KOVRIN_TEST_MAIN(TestHomeTrash)
#include "tst_hometrash.moc"
