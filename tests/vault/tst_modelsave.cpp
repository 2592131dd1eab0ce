#include "Exception.h"
#include "FilePermissions.h"
#include "FixtureFiles.h"
#include "FileSizeLimit.h"
#include "LogCapture.h"
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

#include <functional>

#include <sys/stat.h>


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

// Real file moves, except that the chosen steps fail; each step can be watched
// just before and just after it runs, as a crash there would leave the files.
class FailingFileSystem : public VaultFileSystem
{
public:
    QStringList failing; // "trash", "link", "copy", "rename"
    std::function<void(const QString& moment)> watch;
    QStringList steps;

    bool moveToTrash(const QString& path, QString* trashedPath) override
    {
        return step(QStringLiteral("trash"), nullptr, [&] { return VaultFileSystem::moveToTrash(path, trashedPath); });
    }
    bool rename(const QString& from, const QString& to, QString* error) override
    {
        return step(QStringLiteral("rename"), error, [&] { return VaultFileSystem::rename(from, to, error); });
    }
    bool link(const QString& from, const QString& to, QString* error) override
    {
        return step(QStringLiteral("link"), error, [&] { return VaultFileSystem::link(from, to, error); });
    }
    bool copy(const QString& from, const QString& to, QString* error) override
    {
        return step(QStringLiteral("copy"), error, [&] { return VaultFileSystem::copy(from, to, error); });
    }

private:
    bool step(const QString& name, QString* error, const std::function<bool()>& run)
    {
        steps.append(name);
        if (watch)
            watch(name + QStringLiteral(" before"));
        bool done = false;
        if (failing.contains(name)) {
            if (error)
                *error = QStringLiteral("injected failure");
        } else {
            done = run();
        }
        if (watch)
            watch(name + QStringLiteral(" after"));
        return done;
    }
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
    void vaultNameAlwaysOpens_data();
    void vaultNameAlwaysOpens();
    void saveThroughLink_data();
    void saveThroughLink();
    void linkLoopIsRefused();
    void backupNameTakenByAnother_data();
    void backupNameTakenByAnother();
    void vaultStaysPrivate_data();
    void vaultStaysPrivate();

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
    QTest::newRow("backup link and copy fail") << "backup link and copy fail" << notWritable + "injected failure";
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
        files->failing = QStringList{"trash"};
    } else if (fault == QLatin1String("backup link and copy fail")) {
        files->failing = QStringList{"link", "copy"};
    } else {
        files->failing = QStringList{"rename"};
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

void TestModelSave::vaultNameAlwaysOpens_data()
{
    QTest::addColumn<QStringList>("failing");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<bool>("saved");
    const QStringList all{"trash", "link", "rename"};
    QTest::newRow("no fault") << QStringList() << all << true;
    QTest::newRow("trash fails") << QStringList{"trash"} << QStringList{"trash"} << false;
    QTest::newRow("link fails, the copy serves") << QStringList{"link"} << QStringList{"trash", "link", "copy", "rename"}
                                                 << true;
    QTest::newRow("link and copy fail") << QStringList{"link", "copy"} << QStringList{"trash", "link", "copy"} << false;
    QTest::newRow("rename fails") << QStringList{"rename"} << all << false;
}

// Stopped before or after any step (a crash there), the vault's name opens to
// the previous or the new content; a failed step is undone.
void TestModelSave::vaultNameAlwaysOpens()
{
    QFETCH(QStringList, failing);
    QFETCH(QStringList, steps);
    QFETCH(bool, saved);
    const Files before = files();
    const auto key = Model::keyFromPassword(Password);
    auto files = std::make_shared<FailingFileSystem>();
    files->failing = failing;
    QStringList seen; // entries under the vault's name at each moment
    files->watch = [&](const QString& moment) {
        try {
            const auto model = Model::loadVault(_fileName, *key, _tabs.get(), nullptr);
            seen.append(moment + QStringLiteral(": %1").arg(model->rackModel(QStringLiteral("Rack"))->entryCount()));
        } catch (const Exception& e) {
            seen.append(moment + QStringLiteral(": ") + e.detail());
        }
    };
    _model->setFileSystem(files);
    addEntries(1);
    _model->setModified();
    try {
        _model->saveVault();
        QVERIFY(saved);
    } catch (const Exception& e) {
        QVERIFY2(!saved, qPrintable(e.detail()));
    }
    QCOMPARE(files->steps, steps);
    QStringList expected;
    for (const QString& step : steps) {
        const bool renamed = step == QLatin1String("rename") && !failing.contains(step);
        expected << step + QStringLiteral(" before: 3") << step + (renamed ? QStringLiteral(" after: 4") : QStringLiteral(" after: 3"));
    }
    QCOMPARE(seen, expected);

    const Files after = this->files();
    QCOMPARE(_model->isModified(), !saved);
    if (!saved) {
        QCOMPARE(after.vault, before.vault);
        QCOMPARE(after.backup, before.backup);
        QCOMPARE(after.folder, before.folder);
        QCOMPARE(after.trash, before.trash);
        return;
    }
    // The usual rotation: the previous vault is the backup, the older backup is in the trash.
    QCOMPARE(after.backup, before.vault);
    QCOMPARE(after.folder, before.folder);
    QCOMPARE(after.trash, QStringList({"files/vault.kovrin~", "info/vault.kovrin~.trashinfo"}));
    QCOMPARE(readAll(trash() + QStringLiteral("/files/vault.kovrin~")), before.backup);
    QCOMPARE(Model::loadVault(_fileName + QLatin1Char('~'), *key, _tabs.get(), nullptr)->rackModel(QStringLiteral("Rack"))->entryCount(), 3);
}

void TestModelSave::saveThroughLink_data()
{
    QTest::addColumn<QString>("link"); // how the vault's name reaches the real file
    QTest::newRow("absolute link") << "absolute";
    QTest::newRow("relative link") << "relative";
    QTest::newRow("link to a link") << "chain";
    QTest::newRow("link to a file not yet there") << "dangling";
}

// The link stays a link; the file it names gets the new content, with its
// backup and temporary file beside it, not beside the link.
void TestModelSave::saveThroughLink()
{
    QFETCH(QString, link);
    const QString linkFolder = TestEnvironment::freshDir(QStringLiteral("links"));
    const QString realFolder = TestEnvironment::freshDir(QStringLiteral("real"));
    const QString real = realFolder + QStringLiteral("/real.kovrin");
    const QString name = linkFolder + QStringLiteral("/vault.kovrin");
    if (link != QLatin1String("dangling"))
        QVERIFY(QFile::copy(_fileName, real));
    if (link == QLatin1String("absolute") || link == QLatin1String("dangling")) {
        QVERIFY(QFile::link(real, name));
    } else if (link == QLatin1String("relative")) {
        QVERIFY(QFile::link(QStringLiteral("../real/real.kovrin"), name));
    } else {
        QVERIFY(QFile::link(real, linkFolder + QStringLiteral("/middle.kovrin")));
        QVERIFY(QFile::link(QStringLiteral("middle.kovrin"), name));
    }
    const QStringList links = QDir(linkFolder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    const QString target = QFileInfo(name).symLinkTarget();
    const auto key = Model::keyFromPassword(Password);
    const QByteArray first = readAll(_fileName);

    std::shared_ptr<Model> model;
    if (link == QLatin1String("dangling")) {
        model = std::make_shared<Model>(nullptr, name, Model::keyFromPassword(Password), _tabs.get());
        QVERIFY(model->addRackModel(new RackModel(model, QStringLiteral("Rack"))));
    } else {
        model = Model::loadVault(name, *key, _tabs.get(), nullptr);
    }
    QVERIFY(!model->isChangedOnDisk());
    for (int save = 1; save <= 2; ++save) {
        const QByteArray previous = readAll(real);
        model->rackModel(QStringLiteral("Rack"))->appendEntry(new VaultEntry(QStringLiteral("new %1").arg(save), QString(), QString(), QString()));
        model->saveVault();
        QVERIFY(QFileInfo(name).isSymLink());
        QCOMPARE(QFileInfo(name).symLinkTarget(), target);
        QCOMPARE(QDir(linkFolder).entryList(QDir::Files | QDir::Hidden | QDir::System), links);
        QVERIFY(!model->isChangedOnDisk());
        QCOMPARE(Model::loadVault(real, *key, _tabs.get(), nullptr)->rackModel(QStringLiteral("Rack"))->entryCount(),
                 model->rackModel(QStringLiteral("Rack"))->entryCount());
        if (!previous.isEmpty())
            QCOMPARE(readAll(real + QLatin1Char('~')), previous);
        QCOMPARE(QDir(realFolder).entryList(QDir::Files | QDir::Hidden).size(), previous.isEmpty() ? 1 : 2);
    }
    if (link != QLatin1String("dangling"))
        QCOMPARE(readAll(trash() + QStringLiteral("/files/real.kovrin~")), first);
}

void TestModelSave::linkLoopIsRefused()
{
    const QString folder = TestEnvironment::freshDir(QStringLiteral("loop"));
    const QString a = folder + QStringLiteral("/a.kovrin");
    const QString b = folder + QStringLiteral("/b.kovrin");
    QVERIFY(QFile::link(b, a));
    QVERIFY(QFile::link(a, b));
    Model model(nullptr, a, Model::keyFromPassword(Password), _tabs.get());
    QVERIFY_THROWS_EXCEPTION(Exception, model.saveVault());
    QVERIFY(QFileInfo(a).isSymLink());
    QVERIFY(QFileInfo(b).isSymLink());
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System).size(), 2);
}

void TestModelSave::backupNameTakenByAnother_data()
{
    QTest::addColumn<bool>("link"); // a link to the folder, else the folder itself
    QTest::newRow("folder") << false;
    QTest::newRow("link to a folder") << true;
}

// Only a file (or a link, itself) under the backup name goes to the trash.
void TestModelSave::backupNameTakenByAnother()
{
    QFETCH(bool, link);
    const QString backup = _fileName + QLatin1Char('~');
    const QString folder = link ? TestEnvironment::freshDir(QStringLiteral("elsewhere")) : backup;
    QVERIFY(QFile::remove(backup));
    QVERIFY(QDir().mkpath(folder));
    writeFile(folder + QStringLiteral("/keep.txt"), "precious");
    if (link)
        QVERIFY(QFile::link(folder, backup));
    const QByteArray vault = readAll(_fileName);
    addEntries(1);
    _model->setModified();
    if (link) {
        _model->saveVault();
        QCOMPARE(readAll(backup), vault);
        QVERIFY(QFileInfo(trash() + QStringLiteral("/files/vault.kovrin~")).isSymLink());
    } else {
        try {
            _model->saveVault();
            QFAIL("a folder was made room for");
        } catch (const Exception& e) {
            QCOMPARE(e.detail(), SaveContext
                                     + QStringLiteral("The backup name [%1] is taken by something that is not a file (a "
                                                      "folder, say): move it away, then save again.")
                                           .arg(backup));
        }
        QCOMPARE(readAll(_fileName), vault);
        QCOMPARE(trashContent(), QStringList());
        QCOMPARE(QDir(_folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList({"vault.kovrin", "vault.kovrin~"}));
        QVERIFY(_model->isModified());
    }
    QCOMPARE(readAll(folder + QStringLiteral("/keep.txt")), QByteArray("precious"));
}

namespace {
int modeOf(const QString& fileName)
{
    struct stat info{};
    return ::stat(QFile::encodeName(fileName).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}
} // namespace

void TestModelSave::vaultStaysPrivate_data()
{
    QTest::addColumn<int>("mode"); // of the vault before the save; 0: no vault yet
    QTest::addColumn<int>("saved"); // of the vault after it
    QTest::addColumn<bool>("tightened");
    QTest::newRow("new vault") << 0 << 0600 << false;
    QTest::newRow("owner only") << 0600 << 0600 << false;
    QTest::newRow("owner only, with execute") << 0700 << 0700 << false;
    QTest::newRow("group writes but cannot read") << 0620 << 0620 << false;
    QTest::newRow("group reads") << 0640 << 0600 << true;
    QTest::newRow("everyone reads") << 0644 << 0600 << true;
    QTest::newRow("others read") << 0604 << 0600 << true;
}

// A vault readable by others is made private by the next save (and said so);
// the new file is private from its creation, whatever the process's umask.
void TestModelSave::vaultStaysPrivate()
{
    QFETCH(int, mode);
    QFETCH(int, saved);
    QFETCH(bool, tightened);
    const mode_t umask = ::umask(0);
    const auto restoreUmask = qScopeGuard([umask] { ::umask(umask); });
    LogCapture log;
    const auto key = Model::keyFromPassword(Password);
    std::shared_ptr<Model> model;
    if (mode == 0) {
        QVERIFY(QFile::remove(_fileName));
        QVERIFY(QFile::remove(_fileName + QLatin1Char('~')));
        model = std::make_shared<Model>(log.logger(), _fileName, Model::keyFromPassword(Password), _tabs.get());
    } else {
        QCOMPARE(::chmod(QFile::encodeName(_fileName).constData(), mode_t(mode)), 0);
        model = Model::loadVault(_fileName, *key, _tabs.get(), log.logger());
    }
    auto files = std::make_shared<FailingFileSystem>();
    QList<int> tempModes;
    files->watch = [&](const QString& moment) {
        if (moment != QLatin1String("rename before"))
            return;
        for (const QString& name : QDir(_folder).entryList({QStringLiteral("vault.kovrin.*")}, QDir::Files | QDir::Hidden))
            tempModes.append(modeOf(_folder + QLatin1Char('/') + name));
    };
    model->setFileSystem(files);
    model->setModified();
    model->saveVault();

    QCOMPARE(tempModes, QList<int>{saved});
    QCOMPARE(modeOf(_fileName), saved);
    if (mode != 0)
        QCOMPARE(modeOf(_fileName + QLatin1Char('~')), tightened ? 0600 : mode);
    const QStringList warnings = log.messages(LoggerLevel::Warning);
    if (tightened)
        QCOMPARE(warnings, QStringList{SaveContext
                                       + QStringLiteral("File [%1] could be read by other users: it is now readable and "
                                                        "writable by its owner only.")
                                             .arg(_fileName)});
    else
        QCOMPARE(warnings, QStringList());
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
