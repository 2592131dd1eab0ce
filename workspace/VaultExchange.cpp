#include "VaultExchange.h"

#include "AesPair.h"
#include "Exception.h"
#include "ExchangeText.h"
#include "Logger.h"
#include "MessageBoxes.h"
#include "Model.h"
#include "ModuleTexts.h"
#include "PasswordField.h"
#include "RackModel.h"
#include "VaultEntry.h"
#include "VaultFileSystem.h"
#include "WipeOnExit.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLineEdit>
#include <QScopeGuard>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

const QString VaultExchange::ImportRackContext = QStringLiteral("void Base::importRack(const QString&, const QString&) -> ");
const QString VaultExchange::ImportVaultContext = QStringLiteral("void VaultImport::importVault() -> ");

namespace {
QString text(const char* key)
{
    return ModuleTexts::text(QLatin1String(key));
}

// Unbuffered, so that a failing write reports its own reason at once.
constexpr QIODevice::OpenMode NewFileMode = QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered;
constexpr QFileDevice::Permissions OwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr qsizetype ChunkSize = 256 * 1024;

// The roles of a rack, for a check in constant time per line. The views point
// into entries the rack (or the batch on its way into it) owns.
QSet<QStringView> rolesOf(const RackModel& rack)
{
    QSet<QStringView> roles;
    roles.reserve(rack.entryCount());
    for (const VaultEntry* entry : rack.entries())
        roles.insert(entry->nameView());
    return roles;
}

// Adds a role unless the rack holds it already, hashing it once: false for a
// role already there.
bool insertRole(QSet<QStringView>& roles, QStringView role)
{
    const qsizetype before = roles.size();
    roles.insert(role);
    return roles.size() != before;
}

// Entries accepted for one rack, handed over in one insertion so that a view
// over the rack updates once; on the way out in every case, also when a
// later line raises.
class Batch
{
public:
    explicit Batch(RackModel& rack) : _rack(rack) {}
    ~Batch()
    {
        // Nothing may leave a destructor (it also runs while a bad line's
        // exception is on its way out).
        try {
            _rack.appendEntries(_entries);
        } catch (...) {
            qCritical("Des entrées importées n'ont pas pu être ajoutées au compartiment");
        }
    }
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;
    void append(std::unique_ptr<VaultEntry> entry) { _entries.append(entry.release()); }

private:
    RackModel& _rack;
    QList<VaultEntry*> _entries;
};

QString canonical(const QString& name)
{
    const QFileInfo info(name);
    if (info.exists())
        return info.canonicalFilePath();
    // Not there yet (or a dangling link): the folder resolves, the name stays.
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? QDir::cleanPath(info.absoluteFilePath())
                            : folder + QLatin1Char('/') + info.fileName();
}

void writeLine(Logger* logger, LoggerLevel::LogLevel level, const QString& message)
{
    if (!logger)
        return;
    if (level == LoggerLevel::Warning)
        logger->warning(message);
    else
        logger->critical(message);
}
} // namespace

QByteArray VaultExchange::fullVaultText(const Model& model)
{
    // Sized once: a growing buffer would leave copies of the text behind.
    qsizetype size = 0;
    for (const RackModel* rack : *model.racks()) {
        size += ExchangeText::headerSize(rack->name());
        for (const VaultEntry* entry : rack->entries())
            size += entry->textView().size() + 1;
    }
    QString text;
    text.reserve(size);
    for (const RackModel* rack : *model.racks())
        ExchangeText::appendRack(text, rack->name(), rack->entries());
    const QByteArray bytes = text.toUtf8();
    WipeOnExit::wipe(text);
    return bytes;
}

bool VaultExchange::isSameFile(const QString& a, const QString& b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    return canonical(a) == canonical(b);
}

bool VaultExchange::isVaultOrBackup(const QString& fileName, const QString& vaultFile)
{
    return !vaultFile.isEmpty()
           && (isSameFile(fileName, vaultFile) || isSameFile(fileName, vaultFile + QLatin1Char('~')));
}

VaultExchange::Room VaultExchange::makeRoomFor(QWidget* parent, const QString& fileName)
{
    const QFileInfo info(fileName);
    // A dangling link is a name in use, without a target.
    if (!info.exists() && !info.isSymLink())
        return Room::Made;
    // Only a file is ever sent to the trash: a folder (or a link to one), a
    // dangling link, a pipe or a device is refused as it is.
    if (!info.isFile()) {
        MessageBoxes::warning(parent, text("NotARegularFile").arg(fileName), text("ChooseAnotherName"));
        return Room::NotAFile;
    }
    if (MessageBoxes::ask(parent, text("RequestForFileOverwriting").arg(fileName), QString(),
                          QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        != QMessageBox::Yes)
        return Room::Kept;
    if (!VaultFileSystem().moveToTrash(fileName, nullptr)) {
        MessageBoxes::warning(parent, text("FileDeletingFailure").arg(fileName));
        return Room::Kept;
    }
    return Room::Made;
}

namespace {
// Opens fileName for reading when it is a regular file (links followed). On
// Unix the check is made on the opened file itself, opened without waiting:
// a pipe put in the file's place after a check by name cannot block the open.
VaultExchange::Source openRegularFile(QFile& file, const QString& fileName, QString* error)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return VaultExchange::Source::NotReadable;
    }
    struct stat status = {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return VaultExchange::Source::NotAFile;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags != -1)
        (void)::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    // Unbuffered: the text goes straight into the caller's array, which is
    // wiped, and no copy stays in a device buffer.
    if (!file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        *error = file.errorString();
        ::close(fd);
        return VaultExchange::Source::NotReadable;
    }
    return VaultExchange::Source::Read;
#else
    const QFileInfo info(fileName);
    if (info.exists() && !info.isFile())
        return VaultExchange::Source::NotAFile;
    file.setFileName(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::ExistingOnly)) {
        *error = file.errorString();
        return VaultExchange::Source::NotReadable;
    }
    return VaultExchange::Source::Read;
#endif
}
} // namespace

VaultExchange::Source VaultExchange::readImportFile(const QString& fileName, QByteArray& bytes, QString* error,
                                                    qint64* size)
{
    bytes.clear();
    QFile file;
    QString reason;
    const Source opened = openRegularFile(file, fileName, &reason);
    if (opened != Source::Read) {
        if (error)
            *error = reason;
        return opened;
    }
    const auto tooBig = [&](qint64 found) {
        if (size)
            *size = found;
        return Source::TooBig;
    };
    if (file.size() > MaxImportSize)
        return tooBig(file.size());
    // One byte more than the limit tells a file that grew since it was measured.
    bytes = file.read(MaxImportSize + 1);
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = file.errorString();
        WipeOnExit::wipe(bytes);
        bytes.clear();
        return Source::NotReadable;
    }
    if (bytes.size() > MaxImportSize) {
        WipeOnExit::wipe(bytes);
        bytes.clear();
        return tooBig(std::max(file.size(), MaxImportSize + 1));
    }
    return Source::Read;
}

void VaultExchange::refuseImportFile(QWidget* parent, const QString& fileName, Source source, const QString& error,
                                     qint64 size)
{
    switch (source) {
    case Source::Read: return;
    case Source::NotReadable: MessageBoxes::warning(parent, text("FileNotReadable").arg(fileName), error); return;
    case Source::NotAFile: MessageBoxes::warning(parent, text("ImportNotARegularFile").arg(fileName)); return;
    case Source::TooBig:
        MessageBoxes::warning(parent, text("ImportFileTooBig").arg(fileName).arg(size).arg(MaxImportSize),
                              text("MoveEntriesToAnotherVault"));
        return;
    }
}

VaultExchange::Written VaultExchange::exportToFile(const Model& model, const QString& fileName, QString* error)
{
    QFile file(fileName);
    // Created owner-only from the start, so no other account can open it in between.
    if (!file.open(NewFileMode, OwnerOnly)) {
        *error = file.errorString();
        return Written::NotCreated;
    }
    // The text is gathered in one small buffer, used again and again, and
    // encoded a buffer at a time (Qt's encoder is fastest on long runs): no
    // copy of every password in memory at once, and two buffers to wipe.
    QString pending;
    pending.reserve(ChunkSize + ChunkSize / 2);
    QByteArray encoded;
    const auto wipeBuffers = qScopeGuard([&] {
        pending.resize(pending.capacity());
        WipeOnExit::wipe(pending);
        WipeOnExit::wipe(encoded);
    });
    const auto fail = [&](const QString& reason) {
        *error = reason;
        file.close();
        file.remove();
        return Written::NotWritten;
    };
    // A short write sets no device error; the next attempt fails with the reason.
    const auto flushPending = [&]() {
        WipeOnExit::wipe(encoded);
        encoded = pending.toUtf8();
        pending.resize(0);
        for (qint64 done = 0; done < encoded.size();) {
            const qint64 written = file.write(encoded.constData() + done, encoded.size() - done);
            if (written <= 0)
                return false;
            done += written;
        }
        return true;
    };

    // The buffer never grows with text in it, which would leave a copy of that
    // text in freed memory: it is written out first, and a line longer than the
    // whole buffer gets a new one once the old one is wiped.
    const auto makeRoom = [&](qsizetype needed) {
        if (pending.size() + needed <= pending.capacity())
            return true;
        if (!flushPending())
            return false;
        if (needed > pending.capacity()) {
            pending.resize(pending.capacity());
            WipeOnExit::wipe(pending);
            pending = QString();
            pending.reserve(needed);
        }
        return true;
    };

    // The umask may have taken the owner's bits away at creation.
    if (!file.setPermissions(OwnerOnly))
        return fail(file.errorString());
    for (const RackModel* rack : *model.racks()) {
        if (!makeRoom(ExchangeText::headerSize(rack->name())))
            return fail(file.errorString());
        ExchangeText::appendHeader(pending, rack->name());
        for (const VaultEntry* entry : rack->entries()) {
            if (!makeRoom(entry->textView().size() + 1))
                return fail(file.errorString());
            ExchangeText::appendLine(pending, *entry);
            if (pending.size() >= ChunkSize && !flushPending())
                return fail(file.errorString());
        }
    }
    if (!flushPending() || !file.flush())
        return fail(file.errorString());
    file.close();
    if (file.error() != QFileDevice::NoError)
        return fail(file.errorString());
    return Written::Done;
}

bool VaultExchange::exportVault(QWidget* parent, const Model* model, QLineEdit& passwordField, const QString& target)
{
    if (!model) {
        MessageBoxes::critical(parent, text("UndefinedGlobalModel"));
        return false;
    }
    // Out of the field before anything else happens; the key pair derived for
    // the comparison goes at the end of it.
    QString password = PasswordField::take(passwordField);
    const WipeOnExit wipePassword(password);
    if (password.isEmpty()) {
        MessageBoxes::information(parent, text("WaitingForPassword"));
        passwordField.setFocus();
        return false;
    }
    const bool rightPassword = model->hasKey(*Model::keyFromPassword(password));
    if (!rightPassword) {
        MessageBoxes::warning(parent, text("WrongPassword"));
        passwordField.setFocus();
        return false;
    }

    // The export must never take the place of the vault or of its backup.
    if (isVaultOrBackup(target, model->fileName())) {
        MessageBoxes::warning(parent, text("ExportOverVault").arg(target));
        return false;
    }
    if (makeRoomFor(parent, target) != Room::Made)
        return false;

    QString error;
    switch (exportToFile(*model, target, &error)) {
    case Written::NotCreated:
        MessageBoxes::critical(parent, text("FileNotOpened").arg(target), error);
        return false;
    case Written::NotWritten:
        MessageBoxes::critical(parent, text("FileNotWritable").arg(target), error);
        return false;
    case Written::Done: break;
    }
    MessageBoxes::information(parent, text("VaultExported").arg(target));
    return true;
}

void VaultExchange::warnIfTooBigToSave(QWidget* parent, const Model& model)
{
    const qint64 size = model.savedSize();
    if (size > Model::MaxCipheredSize)
        MessageBoxes::warning(parent, text("VaultTooBigAfterImport").arg(size).arg(Model::MaxCipheredSize),
                              text("MoveEntriesToAnotherVault"));
}

VaultExchange::Counts VaultExchange::importLines(QIODevice& file, RackModel& rack, Logger* log)
{
    Counts counts;
    QSet<QStringView> roles = rolesOf(rack);
    Batch batch(rack);
    // A line and what is made of it hold a password: each is overwritten once
    // used, whatever became of the line, and at the end also when a read raises.
    QByteArray line;
    QString decoded;
    QByteArray trimmed;
    const auto wipeLine = [&] {
        WipeOnExit::wipe(line);
        WipeOnExit::wipe(decoded);
        WipeOnExit::wipe(trimmed);
    };
    const auto wipeLast = qScopeGuard(wipeLine);
    for (line = file.readLine(); !line.isEmpty(); wipeLine(), line = file.readLine()) {
        decoded = QString::fromUtf8(line);
        trimmed = QStringView(decoded).trimmed().toUtf8();
        std::unique_ptr<VaultEntry> entry;
        try {
            entry = VaultEntry::fromBytes(trimmed);
        } catch (const Exception& e) {
            ++counts.rejected;
            writeLine(log, LoggerLevel::Critical, ImportRackContext + e.detail());
            continue;
        }
        if (!insertRole(roles, entry->nameView())) {
            ++counts.rejected;
            writeLine(log, LoggerLevel::Critical, ImportRackContext + text("RoleAlreadyExists").arg(entry->name()));
            continue;
        }
        batch.append(std::move(entry));
        ++counts.added;
    }
    return counts;
}

void VaultExchange::importRack(QWidget* parent, const std::shared_ptr<Model>& model, QLineEdit& fileField,
                               const QString& rackName, const std::function<RackModel*(const QString&)>& createRack,
                               const std::function<void(RackModel&)>& finished)
{
    if (!model) {
        MessageBoxes::critical(parent, text("UndefinedGlobalModel"));
        return;
    }
    const QString fileName = fileField.text();
    if (fileName.isEmpty()) {
        MessageBoxes::warning(parent, text("ImportFileMustBeDefined"));
        return;
    }
    // Read as bytes: the trimming of each line takes a CR before its LF away,
    // and a CR inside a field stays.
    QByteArray bytes;
    const WipeOnExit wipeBytes(bytes);
    QString error;
    qint64 size = 0;
    if (const Source source = readImportFile(fileName, bytes, &error, &size); source != Source::Read) {
        refuseImportFile(parent, fileName, source, error, size);
        fileField.setFocus();
        return;
    }
    RackModel* rack = model->rackModel(rackName);
    const bool created = !rack;
    if (created) {
        if (MessageBoxes::ask(parent, text("RequestForRackCreation").arg(rackName), QString(),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
            != QMessageBox::Yes)
            return;
        rack = createRack ? createRack(rackName) : nullptr;
        if (!rack)
            return;
    }

    QBuffer file(&bytes);
    file.open(QIODevice::ReadOnly);
    const Counts counts = importLines(file, *rack, model->logger().get());
    file.close();
    MessageBoxes::information(parent, text("ImportResult").arg(counts.added).arg(counts.rejected), text("LookLog"));
    if (finished)
        finished(*rack);
    // A rack made for the import is a change like Alt+R, entries or not.
    if (counts.added > 0 || created)
        model->setModified();
    if (counts.added > 0)
        warnIfTooBigToSave(parent, *model);
}

VaultExchange::Counts VaultExchange::importFullVault(const QByteArray& bytes, Model& model, const RackMaker& racks,
                                                     Logger* log, int* racksMade)
{
    return importFullVault(ExchangeText::read(bytes), model, racks, log, racksMade);
}

VaultExchange::Counts VaultExchange::importFullVault(const ExchangeText::Read& read, Model& model,
                                                     const RackMaker& racks, Logger* log, int* racksMade)
{
    Counts counts;
    int made = 0;
    if (racksMade)
        *racksMade = 0;
    QHash<RackModel*, QSet<QStringView>> rolesByRack;
    const auto skipped = [&] { writeLine(log, LoggerLevel::Warning, ImportVaultContext + text("ExchangeTextSkipped")); };

    for (const ExchangeText::Block& block : read.blocks) {
        if (block.skippedBefore)
            skipped();
        QString name = block.name;
        RackModel* rack = nullptr;
        // A name the vault cannot hold (none, or one holding a line feed, which
        // only a "rack:" inside an entry line gives) makes a rack of its own.
        if (name.isEmpty() || name.contains(QLatin1Char('\n'))) {
            name = racks.freeName();
            // Only the header's own line is a name given: anything past a line
            // feed would be the file's entry lines.
            const QString given = block.name.left(block.name.indexOf(QLatin1Char('\n')));
            writeLine(log, LoggerLevel::Warning, ImportVaultContext + text("ImportedRackRenamed").arg(given, name));
        } else if ((rack = model.rackModel(name))) {
            writeLine(log, LoggerLevel::Warning, ImportVaultContext + text("ImportedRackMerged").arg(name));
        }
        if (!rack) {
            rack = racks.create(name);
            if (!rack)
                throw Exception(ImportVaultContext + text("RackNotCreated").arg(name));
            ++made;
            if (racksMade)
                *racksMade = made;
        }

        if (block.lines.isEmpty()) {
            // Nothing to check or insert: a file of empty racks costs a rack each.
            if (racks.filled)
                racks.filled(*rack);
            continue;
        }
        auto roles = rolesByRack.find(rack);
        if (roles == rolesByRack.end())
            roles = rolesByRack.insert(rack, rolesOf(*rack));
        // The accepted lines go into the rack in one insertion, also when a
        // later line stops the import.
        try {
            Batch batch(*rack);
            roles->reserve(roles->size() + block.lines.size());
            for (const QByteArrayView line : block.lines) {
                std::unique_ptr<VaultEntry> entry = VaultEntry::fromBytes(line);
                if (!insertRole(*roles, entry->nameView())) {
                    ++counts.rejected;
                    writeLine(log, LoggerLevel::Critical,
                              ImportVaultContext + text("RoleAlreadyExists").arg(entry->name()));
                    continue;
                }
                batch.append(std::move(entry));
                ++counts.added;
            }
        } catch (...) {
            if (racks.filled)
                racks.filled(*rack);
            throw;
        }
        if (racks.filled)
            racks.filled(*rack);
    }
    if (read.skippedAtEnd)
        skipped();
    return counts;
}
