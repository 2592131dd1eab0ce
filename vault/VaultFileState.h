#pragma once

#include <QByteArray>
#include <QString>

// What a vault file was when the model last read or wrote it, so that a save
// can tell whether another program changed it since: its size, modification
// time and a digest of its bytes. The default state is "no file".
class VaultFileState
{
public:
    VaultFileState() = default;

    // The file under path as it is now, without its digest (see setBytes).
    // Taken before the bytes are read, so that a change made while reading
    // shows at the next check.
    static VaultFileState of(const QString& path);
    // The bytes the file holds, as just read or written.
    void setBytes(const QByteArray& bytes);

    // True when the file under path is no longer this one (or appeared, or
    // vanished). Equal size and time mean unchanged without reading, unless the
    // time is too recent to tell a later write apart; then, or when only the
    // time differs, the bytes decide. A file found unchanged that way is
    // remembered with its new time.
    bool isChangedAt(const QString& path) const;

    bool exists() const { return _exists; }

private:
    bool sameBytes(const QString& path) const;

    bool _exists = false;
    qint64 _size = 0;
    mutable qint64 _modified = 0; // ms since the epoch
    mutable bool _settled = false;
    QByteArray _digest;
};
