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

const QString Password = QStringLiteral("Faults-Pw1");

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

private:
    void addEntries(int count);

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

KOVRIN_TEST_MAIN(TestModelSave)
#include "tst_modelsave.moc"
