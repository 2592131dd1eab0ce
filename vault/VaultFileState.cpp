#include "VaultFileState.h"

#include "Digest.h"
#include "Exception.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

namespace {
const QString Algorithm = QStringLiteral("SHA256");

// A write within this time of the stat may leave the same time stamp: coarser
// than any file system's stamps (FAT keeps 2 s), with room for a little skew
// between this clock and a file server's.
constexpr qint64 SettleMs = 3000;

struct Stat
{
    bool exists = false;
    bool regular = false;
    qint64 size = 0;
    qint64 modified = 0;
    qint64 takenAt = 0;
};

Stat stat(const QString& path)
{
    Stat result;
    result.takenAt = QDateTime::currentMSecsSinceEpoch();
    const QFileInfo info(path);
    result.exists = info.exists();
    result.regular = info.isFile();
    if (result.exists) {
        result.size = info.size();
        result.modified = info.lastModified().toMSecsSinceEpoch();
    }
    return result;
}
} // namespace

VaultFileState VaultFileState::of(const QString& path)
{
    const Stat now = stat(path);
    VaultFileState state;
    state._exists = now.exists;
    state._size = now.size;
    state._modified = now.modified;
    state._settled = now.modified < now.takenAt - SettleMs;
    return state;
}

void VaultFileState::setBytes(const QByteArray& bytes)
{
    _digest = Digest::digest(Algorithm, bytes);
}

bool VaultFileState::isChangedAt(const QString& path) const
{
    const Stat now = stat(path);
    if (!_exists || !now.exists)
        return now.exists != _exists;
    if (!now.regular || now.size != _size)
        return true;
    if (now.modified == _modified && _settled)
        return false;
    if (!sameBytes(path))
        return true;
    // Read after the stat: a later write changes the time, once it is old enough.
    _modified = now.modified;
    _settled = now.modified < now.takenAt - SettleMs;
    return false;
}

bool VaultFileState::sameBytes(const QString& path) const
{
    QFile file(path);
    if (_digest.isEmpty() || !file.open(QIODevice::ReadOnly))
        return false;
    try {
        return Digest::digest(Algorithm, &file) == _digest;
    } catch (const Exception&) {
        return false;
    }
}
