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
    // Renames within one folder; error receives the reason on failure.
    virtual bool rename(const QString& from, const QString& to, QString* error);
};
