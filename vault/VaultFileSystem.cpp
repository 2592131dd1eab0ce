#include "VaultFileSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

VaultFileSystem::~VaultFileSystem() = default;

bool VaultFileSystem::moveToTrash(const QString& path, QString* trashedPath)
{
    return QFile::moveToTrash(path, trashedPath);
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
    QFile file(from);
    if (file.rename(to))
        return true;
    if (error)
        *error = file.errorString();
    return false;
}
