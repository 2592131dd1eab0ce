#include "VaultFileSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <filesystem>
#include <system_error>

#if defined(Q_OS_UNIX)
#include <unistd.h>
#endif

namespace {
std::filesystem::path fsPath(const QString& path)
{
#if defined(Q_OS_WIN)
    return std::filesystem::path(path.toStdWString());
#else
    // The very bytes Qt uses for the name, without a second conversion.
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

bool succeeded(const std::error_code& failure, QString* error)
{
    if (!failure)
        return true;
    if (error)
        *error = QString::fromStdString(failure.message());
    return false;
}
} // namespace

VaultFileSystem::~VaultFileSystem() = default;

#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
namespace {
// A freedesktop trash folder: $XDG_DATA_HOME/Trash, or .Trash-<uid> or .Trash/<uid>
// at the top of a mounted file system.
bool isTrashFolder(const QDir& folder)
{
    const QString name = folder.dirName();
    return name == QLatin1String("Trash") || name.startsWith(QLatin1String(".Trash-"))
           || QFileInfo(folder.absolutePath()).dir().dirName() == QLatin1String(".Trash");
}

// A fresh account has no home trash yet, sometimes not even its data folder
// ($XDG_DATA_HOME, by default ~/.local/share). The trash convention asks the
// program to create it when missing, private to the user.
void ensureHomeTrash()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty())
        return;
    const QString trash = data + QStringLiteral("/Trash");
    if (QFileInfo(trash).isSymLink())
        return; // never follow a link planted in place of the trash
    QDir dir;
    for (const QString& sub : {QStringLiteral("/files"), QStringLiteral("/info")}) {
        if (QFileInfo(trash + sub).isDir())
            continue;
        if (!dir.mkpath(trash + sub))
            return;
        QFile::setPermissions(trash, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::setPermissions(trash + sub, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}
} // namespace
#endif

bool VaultFileSystem::moveToTrash(const QString& path, QString* trashedPath)
{
    QString trashed;
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    ensureHomeTrash();
#endif
    if (!QFile::moveToTrash(path, &trashed))
        return false;
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    // When no trash folder can be set up, Qt 6.4 "trashes" into files/ and info/
    // under the current folder. That is no trash: undo it and report the failure.
    QDir folder = QFileInfo(trashed).dir();
    folder.cdUp();
    if (!isTrashFolder(folder)) {
        restoreFromTrash(trashed, path);
        folder.rmdir(QStringLiteral("files")); // only when empty
        folder.rmdir(QStringLiteral("info"));
        return false;
    }
#endif
    if (trashedPath)
        *trashedPath = trashed;
    return true;
}

bool VaultFileSystem::restoreFromTrash(const QString& trashedPath, const QString& path)
{
    if (trashedPath.isEmpty() || !QFile::rename(trashedPath, path))
        return false;
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    // A freedesktop trash keeps a record of files/<name> in info/<name>.trashinfo;
    // without the file it would only confuse the trash's listing.
    const QFileInfo trashed(trashedPath);
    QFile::remove(trashed.dir().absoluteFilePath(QStringLiteral("../info/%1.trashinfo").arg(trashed.fileName())));
#endif
    return true;
}

bool VaultFileSystem::rename(const QString& from, const QString& to, QString* error)
{
    // Replaces an existing `to` in one step, where QFile::rename refuses it.
    std::error_code failure;
    std::filesystem::rename(fsPath(from), fsPath(to), failure);
    return succeeded(failure, error);
}

bool VaultFileSystem::link(const QString& from, const QString& to, QString* error)
{
    std::error_code failure;
    std::filesystem::create_hard_link(fsPath(from), fsPath(to), failure);
    return succeeded(failure, error);
}

bool VaultFileSystem::copy(const QString& from, const QString& to, QString* error)
{
    QFile source(from);
    if (!source.copy(to)) {
        if (error)
            *error = source.errorString();
        return false;
    }
#if defined(Q_OS_UNIX)
    QFile copied(to);
    if (copied.open(QIODevice::ReadOnly)) {
        ::fsync(copied.handle());
        copied.close();
    }
#endif
    return true;
}
