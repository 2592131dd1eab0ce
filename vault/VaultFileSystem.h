#pragma once

#include <QString>

// The file moves of a vault save, behind one small interface so that tests can
// make a single step fail. The default implementation is the real file system.
class VaultFileSystem
{
public:
    virtual ~VaultFileSystem();

    // Moves path to the system trash; trashedPath receives where it went.
    virtual bool moveToTrash(const QString& path, QString* trashedPath);
    // Puts a file moved by moveToTrash back where it was.
    virtual bool restoreFromTrash(const QString& trashedPath, const QString& path);
    // Renames within one folder, replacing an existing `to` in one step; error
    // receives the reason on failure.
    virtual bool rename(const QString& from, const QString& to, QString* error);
    // A second name for the file `from` (a hard link); fails where the file
    // system has none.
    virtual bool link(const QString& from, const QString& to, QString* error);
    // A copy of `from` under the new name `to`, flushed to the disk.
    virtual bool copy(const QString& from, const QString& to, QString* error);
};
