#include "Model.h"

#include "AesPair.h"
#include "Crypt.h"
#include "Exception.h"
#include "Log.h"
#include "Logger.h"
#include "ModuleTexts.h"
#include "RackModel.h"
#include "VaultEntry.h"
#include "VaultFileSystem.h"
#include "VaultText.h"
#include "WipeOnExit.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryFile>

#include <array>
#include <cerrno>
#include <ctime>

#if defined(Q_OS_UNIX)
#include <fcntl.h>
#include <unistd.h>
#elif defined(Q_OS_WIN)
#include <io.h>
#endif

namespace {
const QString ConstructorContext = QStringLiteral("Model::Model(shared_ptr<Logger>, AesPair*, QTabWidget*, QObject*) -> ");
const QString LoadContext =
    QStringLiteral("shared_ptr<Model> Model::loadVault(const QString&, const AesPair&, Base*, shared_ptr<Logger>) -> ");
const QString SaveContext = QStringLiteral("void Model::saveVault() -> ");
const QString AddRackContext = QStringLiteral("bool Model::addRackModel(RackModel*) -> ");

// Every vault ever written was encrypted under the IV derived from these bytes:
// changing them makes all existing vaults unreadable.
constexpr std::array<unsigned char, 16> IvSeed = {0x5B, 0xE1, 0x3C, 0x97, 0x0A, 0x6F, 0xD2, 0x48,
                                                  0xB3, 0x1E, 0x84, 0xC9, 0x27, 0xF0, 0x6D, 0x95};
// The seed is hashed up to its first zero byte: it must hold none.
constexpr bool hasNoZero(const std::array<unsigned char, 16>& bytes)
{
    for (const unsigned char b : bytes)
        if (b == 0)
            return false;
    return true;
}
static_assert(hasNoZero(IvSeed));

// CBC with PKCS#7 always adds 1 to 16 bytes of padding.
constexpr qint64 cipheredSize(qint64 plainSize)
{
    constexpr qint64 Block = 16;
    return (plainSize / Block + 1) * Block;
}

// A digest to tell a file changed by accident or by another program, not to
// resist forgery (whoever can write the file can write anything): Qt's seeded
// hash runs at memory speed where the CPU has AES instructions.
QByteArray fingerprint(QByteArrayView bytes)
{
    constexpr size_t Seed = 0x6b6f7672696e3135u;
    const size_t hash = qHash(bytes, Seed);
    return QByteArray(reinterpret_cast<const char*>(&hash), sizeof hash);
}

// The clock that stamps modification times, read before the file is measured:
// on Linux the kernel's coarse clock, up to a tick behind the precise one.
QDateTime fileClock()
{
#if defined(Q_OS_LINUX)
    timespec now{};
    if (::clock_gettime(CLOCK_REALTIME_COARSE, &now) == 0)
        return QDateTime::fromMSecsSinceEpoch(qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000);
#endif
    constexpr qint64 TickMs = 50; // generous for the clocks of other systems
    return QDateTime::currentDateTimeUtc().addMSecs(-TickMs);
}

// Whether any write after the clock read `taken` gets another time than
// `modified`. A time without a fraction of a second may come from a file system
// that keeps whole seconds, or pairs of them.
bool timeSettled(const QDateTime& modified, const QDateTime& taken)
{
    const qint64 ms = modified.toMSecsSinceEpoch() % 1000;
    const qint64 resolution = ms == 0 ? 2000 : ms % 10 == 0 ? 10 : 1;
    return modified.msecsTo(taken) >= resolution;
}

QString text(const char* key)
{
    return ModuleTexts::text(QLatin1String(key));
}

// Without this the new file may still sit in the page cache when the old one
// has already been renamed away.
bool syncToDisk(QFileDevice& file, QString* error)
{
#if defined(Q_OS_UNIX)
    if (::fsync(file.handle()) == 0)
        return true;
    *error = qt_error_string(errno);
    return false;
#elif defined(Q_OS_WIN)
    if (::_commit(file.handle()) == 0)
        return true;
    *error = qt_error_string(errno);
    return false;
#else
    Q_UNUSED(file);
    Q_UNUSED(error);
    return true;
#endif
}

// Unbuffered, so that a failing write reports its own reason at once instead of
// surfacing later in a flush.
class NewFile : public QTemporaryFile
{
public:
    using QTemporaryFile::QTemporaryFile;
    bool openUnbuffered() { return open(QIODevice::ReadWrite | QIODevice::Unbuffered); }
};

// The file a save replaces: symbolic links are followed to the file they name,
// so that a link stays a link and its target gets the new content.
QString savedTarget(const QString& fileName)
{
    QString path = QFileInfo(fileName).absoluteFilePath();
    // As many hops as the system itself follows; a loop is refused by the save.
    for (int hops = 0; hops < 40; ++hops) {
        const QFileInfo info(path);
        if (!info.isSymLink())
            break;
        path = info.symLinkTarget();
    }
    return path;
}

// Whether value was not in set yet; it is afterwards.
bool insertNew(QSet<QString>& set, const QString& value)
{
    const qsizetype before = set.size();
    set.insert(value);
    return set.size() != before;
}

// A rack name repeated in the file would hide the later rack behind the first
// one: each repeat gets the first free name "name (n)", n from 2, among all the
// names of the file. Returns whether any name changed.
bool makeNamesUnique(std::vector<VaultText::Segment>& segments, Logger* logger)
{
    QSet<QString> names;
    bool repeated = false;
    for (const VaultText::Segment& segment : segments)
        repeated |= !insertNew(names, segment.name);
    if (!repeated)
        return false;
    QSet<QString> seen;
    for (VaultText::Segment& segment : segments) {
        if (!insertNew(seen, segment.name)) {
            QString unique;
            for (int n = 2; unique.isEmpty() || names.contains(unique); ++n)
                unique = QStringLiteral("%1 (%2)").arg(segment.name).arg(n);
            if (logger)
                logger->warning(LoadContext + text("VaultRackRenamed").arg(segment.name, unique));
            names.insert(unique);
            seen.insert(unique);
            segment.name = unique;
        }
    }
    return true;
}

// Makes the renames themselves durable; a failure here loses nothing already
// written, so it is not reported.
void syncFolder(const QString& path)
{
#if defined(Q_OS_UNIX)
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#else
    Q_UNUSED(path);
#endif
}
} // namespace

Model::Model(std::shared_ptr<Logger> logger, const QString& fileName, std::unique_ptr<AesPair> key, QTabWidget* tabs)
{
    const QString where = QStringLiteral("Model::Model");
    if (!key)
        throw Exception(ConstructorContext + text("UndefinedParameter").arg(QStringLiteral("pKey"), where));
    if (!tabs)
        throw Exception(ConstructorContext + text("UndefinedParameter").arg(QStringLiteral("pTab"), where));
    _tabs = tabs;
    _fileName = fileName;
    _logger = std::move(logger);
    _racks = std::make_shared<RackList>();
    _key = std::move(key);
    _files = std::make_shared<VaultFileSystem>();
}

Model::~Model()
{
    // Taken out of the list before deletion, so that a rack's own clean-up finds
    // nothing to remove and whoever still shares the list sees no dangling pointer.
    while (!_racks->isEmpty())
        delete _racks->takeLast();
}

void Model::setModified()
{
    _modified = true;
    emit vaultStatusUpdated(true);
}

void Model::resetModified()
{
    _modified = false;
    emit vaultStatusUpdated(false);
}

bool Model::hasKey(const AesPair& key) const
{
    return _key && *_key == key;
}

bool Model::rackExists(const QString& name) const
{
    return rackModel(name) != nullptr;
}

RackModel* Model::rackModel(const QString& name) const
{
    return _rackByName.value(name, nullptr);
}

QString Model::firstFreeRackName(const QString& prefix) const
{
    if (_freeName.prefix != prefix)
        _freeName = {prefix, 1};
    for (int& n = _freeName.next;; ++n) {
        QString candidate = prefix + QLatin1Char(' ') + QString::number(n);
        if (!_rackByName.contains(candidate))
            return candidate;
    }
}

void Model::rackRenamed(RackModel* rack, const QString& oldName)
{
    const auto found = _rackByName.constFind(oldName);
    if (found == _rackByName.cend() || found.value() != rack)
        return; // not one of this vault's racks (yet)
    _rackByName.erase(found);
    _rackByName.insert(rack->name(), rack);
    _freeName.next = 1; // the old name may be free now
}

void Model::rackDeleted(RackModel* rack)
{
    const auto found = _rackByName.constFind(rack->name());
    if (found != _rackByName.cend() && found.value() == rack) {
        _rackByName.erase(found);
        _freeName.next = 1;
    }
    // Searched from the end: a vault closing takes its racks out last first.
    if (const qsizetype at = _racks->lastIndexOf(rack); at >= 0)
        _racks->removeAt(at);
}

QStringList Model::rackNames() const
{
    QStringList names;
    names.reserve(_racks->size());
    for (const RackModel* rack : *_racks)
        names.append(rack->name());
    return names;
}

bool Model::addRackModel(RackModel* rack)
{
    if (!rack || rack->name().isEmpty() || rackExists(rack->name()) || rack->model().get() != this)
        return false;
    if (rack->name().contains(QLatin1Char('\n'))) {
        if (_logger)
            _logger->warning(AddRackContext + text("RackNameLineFeed"));
        return false;
    }
    rack->setParent(this);
    _racks->append(rack);
    _rackByName.insert(rack->name(), rack);
    return true;
}

std::unique_ptr<RackModel> Model::removeRackModel(const QString& name)
{
    RackModel* rack = rackModel(name);
    if (!rack)
        return nullptr;
    rackDeleted(rack); // out of the list and the index, as if deleted
    rack->setParent(nullptr);
    return std::unique_ptr<RackModel>(rack);
}

QByteArray Model::plainText() const
{
    // Room for the worst case (3 UTF-8 bytes per UTF-16 unit) in one allocation:
    // the pages past the real size are never touched, so they cost no memory.
    qsizetype room = 0;
    for (const RackModel* rack : *_racks) {
        room += 16 + 3 * rack->name().size();
        for (const VaultEntry* entry : rack->entries())
            room += 3 * entry->toString().size() + 1;
    }
    QByteArray plain;
    plain.reserve(room);
    for (const RackModel* rack : *_racks)
        VaultText::appendSegment(plain, rack->name(), rack->entries());
    return plain;
}

std::unique_ptr<QByteArray> Model::toPlainText() const
{
    return std::make_unique<QByteArray>(plainText());
}

void Model::setFileSystem(std::shared_ptr<VaultFileSystem> files)
{
    _files = files ? std::move(files) : std::make_shared<VaultFileSystem>();
}

std::shared_ptr<Model> Model::loadVault(const QString& fileName, const AesPair& key, QTabWidget* tabs,
                                        std::shared_ptr<Logger> logger)
{
    if (!logger)
        logger = Log::getInstance().log();

    const QDateTime taken = fileClock();
    const QFileInfo info(fileName);
    if (!info.exists() || !info.isFile() || !info.isReadable() || !info.isWritable())
        throw Exception(LoadContext + text("FileNotReadable").arg(fileName));
    const QDateTime modified = info.lastModified();
    const auto tooBig = [&fileName] {
        return Exception(LoadContext + text("CipheredVaultTooBig").arg(fileName).arg(MaxCipheredSize));
    };
    if (info.size() > MaxCipheredSize)
        throw tooBig();

    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(LoadContext + text("FileNotOpened").arg(fileName) + QStringLiteral(" - ") + file.errorString());
    // One byte more than the limit tells a file that grew since it was measured.
    QByteArray cipher = file.read(MaxCipheredSize + 1);
    file.close();
    if (cipher.size() > MaxCipheredSize)
        throw tooBig();

    QByteArray plain;
    WipeOnExit plainGuard(plain);
    Crypt::getInstance().decryptAES256CBC(key, cipher, plain);

    // The bytes actually read, whatever happened to the file since it was measured.
    const DiskState onDisk = diskState(cipher, modified, taken);
    cipher = QByteArray(); // not needed while the entries are built
    std::shared_ptr<Model> model = fromPlainText(plain, fileName, key, tabs, std::move(logger));
    model->_onDisk = onDisk;
    return model;
}

std::shared_ptr<Model> Model::fromPlainText(QByteArray& plain, const QString& fileName, const AesPair& key,
                                            QTabWidget* tabs, std::shared_ptr<Logger> logger)
{
    auto model = std::make_shared<Model>(logger, fileName, std::make_unique<AesPair>(key), tabs);
    VaultText::Parsed parsed = VaultText::parse(plain, logger.get());
    WipeOnExit::wipe(plain);
    plain = QByteArray();
    // A flat list read as "Migration" is written back in segments at the next save.
    model->_modified = parsed.migrated;
    model->_racks->reserve(qsizetype(parsed.segments.size()));
    model->_rackByName.reserve(qsizetype(parsed.segments.size()));
    if (makeNamesUnique(parsed.segments, logger.get()))
        model->_modified = true; // the new names are written at the next save
    for (VaultText::Segment& segment : parsed.segments) {
        auto* rack = new RackModel(model, segment.name);
        rack->setEntries(segment.takeEntries());
        rack->setParent(model.get());
        model->_racks->append(rack);
        model->_rackByName.insert(rack->name(), rack);
    }
    return model;
}

Model::DiskState Model::diskState(const QByteArray& bytes, const QDateTime& modified, const QDateTime& taken)
{
    return {true, bytes.size(), modified, taken, fingerprint(bytes)};
}

qint64 Model::savedSize() const
{
    qint64 plain = 0;
    for (const RackModel* rack : *_racks)
        plain += VaultText::segmentSize(rack->name(), rack->entries());
    return cipheredSize(plain);
}

bool Model::isChangedOnDisk() const
{
    const QFileInfo info(_fileName);
    if (!info.exists())
        return _onDisk.exists;
    if (!_onDisk.exists || info.size() != _onDisk.size)
        return true;
    const QDateTime modified = info.lastModified();
    if (modified == _onDisk.modified && timeSettled(modified, _onDisk.taken))
        return false;
    // Same size but a new time (or one too recent to tell): only the bytes say.
    QFile file(_fileName);
    if (!file.open(QIODevice::ReadOnly))
        return true;
    const QByteArray bytes = file.read(_onDisk.size + 1);
    return file.error() != QFileDevice::NoError || fingerprint(bytes) != _onDisk.digest;
}

void Model::saveVault(bool silent, DiskChange onChange)
{
    QByteArray plain = plainText();
    WipeOnExit plainGuard(plain);
    // The plaintext is at hand: its size gives the file's without a second count.
    const qint64 size = cipheredSize(plain.size());
    if (size > MaxCipheredSize)
        throw Exception(SaveContext + text("VaultTooBigToSave").arg(size).arg(MaxCipheredSize));
    if (onChange == DiskChange::Refuse && isChangedOnDisk())
        throw Exception(SaveContext + text("VaultChangedOnDisk").arg(_fileName));

    QByteArray cipher;
    Crypt::getInstance().encryptAES256CBC(*_key, plain, cipher);
    const QByteArray digest = writeVault(plain, cipher);
    const QDateTime taken = fileClock();
    _onDisk = {true, cipher.size(), QFileInfo(_fileName).lastModified(), taken, digest};
    _modified = false;
    if (!silent)
        emit vaultStatusUpdated(false);
}

// The new file is written and checked beside the vault first. Then the files
// rotate so that the vault's name holds a complete vault at every instant: the
// older backup goes to the trash, the current vault gets its backup name as a
// second name (a copy where the file system has no hard links), and one rename
// puts the new file in its place. A failed step is undone.
QByteArray Model::writeVault(const QByteArray& plain, QByteArray& cipher)
{
    const QString target = savedTarget(_fileName);
    const QString backup = target + QLatin1Char('~');
    const auto notWritable = [this](const QString& reason) {
        return Exception(SaveContext + text("FileNotWritable").arg(_fileName) + QStringLiteral(" - ") + reason);
    };
    // A loop of links: writing there would replace a link by a file.
    if (QFileInfo(target).isSymLink())
        throw notWritable(qt_error_string(ELOOP));

    // Only a file goes to the trash; a link under the backup name goes itself,
    // never what it names.
    const QFileInfo backupInfo(backup);
    const bool hadBackup = backupInfo.exists() || backupInfo.isSymLink();
    if (hadBackup && !backupInfo.isSymLink() && !backupInfo.isFile())
        throw Exception(SaveContext + text("BackupNotAFile").arg(backup));

    // Created private to the user (0600) before its first byte.
    NewFile temp(target + QStringLiteral(".XXXXXX"));
    if (!temp.openUnbuffered())
        throw notWritable(temp.errorString());
    const bool vaultExists = QFileInfo::exists(target);
    bool tightened = false;
    if (vaultExists) {
        const QFile::Permissions mode = QFile::permissions(target);
        tightened = mode & (QFile::ReadGroup | QFile::ReadOther);
        if (!tightened)
            temp.setPermissions(mode);
    }
    // A short write sets no device error; the next attempt fails with the reason.
    for (qint64 done = 0; done < cipher.size();) {
        const qint64 written = temp.write(cipher.constData() + done, cipher.size() - done);
        if (written <= 0)
            throw notWritable(temp.errorString());
        done += written;
    }
    if (!temp.flush())
        throw notWritable(temp.errorString());
    QString error;
    if (!syncToDisk(temp, &error))
        throw notWritable(error);
    temp.close();
    if (temp.error() != QFileDevice::NoError)
        throw notWritable(temp.errorString());

    // Read back into the ciphertext's own buffer: no second 4 MiB to allocate.
    QFile written(temp.fileName());
    if (!written.open(QIODevice::ReadOnly))
        throw notWritable(written.errorString());
    if (written.size() != cipher.size() || written.read(cipher.data(), cipher.size()) != cipher.size())
        throw notWritable(text("VaultReadBackFailure"));
    written.close();
    QByteArray decrypted;
    WipeOnExit decryptedGuard(decrypted);
    try {
        Crypt::getInstance().decryptAES256CBC(*_key, cipher, decrypted);
    } catch (const Exception&) {
        throw notWritable(text("VaultReadBackFailure"));
    }
    if (decrypted != plain)
        throw notWritable(text("VaultReadBackFailure"));
    // Of the bytes as read back from the disk.
    const QByteArray digest = fingerprint(cipher);

    QString trashed;
    if (hadBackup && !_files->moveToTrash(backup, &trashed))
        throw Exception(SaveContext + text("ToTrashFailure").arg(backup));
    const auto undo = [&](bool backupMade) {
        // The vault itself never left its name: only its second name goes.
        if (backupMade)
            QFile::remove(backup);
        if (hadBackup && !_files->restoreFromTrash(trashed, backup) && _logger)
            _logger->critical(SaveContext + text("FileNotWritable").arg(backup));
    };
    if (vaultExists && !_files->link(target, backup, &error)) {
        QFile::remove(backup); // what a failed copy may have left
        if (!_files->copy(target, backup, &error)) {
            undo(true);
            throw notWritable(error);
        }
    }
    if (tightened) {
        // The backup shares the old file's mode, the new file is already 0600.
        QFile::setPermissions(backup, QFile::ReadOwner | QFile::WriteOwner);
        if (_logger)
            _logger->warning(SaveContext + text("VaultModeTightened").arg(_fileName));
    }
    if (!_files->rename(temp.fileName(), target, &error)) {
        undo(vaultExists);
        throw notWritable(error);
    }
    temp.setAutoRemove(false);
    syncFolder(QFileInfo(target).absolutePath());
    return digest;
}

std::unique_ptr<AesPair> Model::keyFromPassword(const QString& password)
{
    QByteArray utf8 = password.toUtf8();
    WipeOnExit utf8Guard(utf8);
    const QByteArray key = QCryptographicHash::hash(utf8, QCryptographicHash::Blake2s_256);
    // Its own BLAKE2s parameterisation (digest length 16), not a cut 32-byte digest.
    const QByteArray seed(reinterpret_cast<const char*>(IvSeed.data()),
                          qsizetype(qstrnlen(reinterpret_cast<const char*>(IvSeed.data()), IvSeed.size())));
    const QByteArray iv = QCryptographicHash::hash(seed, QCryptographicHash::Blake2s_128);
    return std::make_unique<AesPair>(iv, key);
}

bool Model::isPasswordCompliant(const QString& password)
{
    if (password.size() < 7)
        return false;
    bool lower = false, upper = false, digit = false, symbol = false;
    for (const QChar c : password) {
        if (c.isLower())
            lower = true;
        else if (c.isUpper())
            upper = true;
        else if (c.isDigit())
            digit = true;
        else if (c >= u'!' && c <= u'/')
            symbol = true;
        if (lower && upper && digit && symbol)
            return true;
    }
    return false;
}
