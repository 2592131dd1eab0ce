#pragma once

#include <QString>
#include <QTemporaryDir>

// A private home for one test process: HOME, XDG_DATA_HOME, XDG_CONFIG_HOME and
// XDG_CACHE_HOME all point into one temporary folder, removed at the end. Tests
// put their own files under root() too: Qt's move-to-trash only uses the home
// trash for files on the home's file system.
class TestEnvironment
{
public:
    TestEnvironment();
    ~TestEnvironment();

    static QString root();
    static QString home();
    // The private home's trash ($XDG_DATA_HOME/Trash), where saves send old backups.
    static QString trash();
    // A fresh, empty folder under root(), for one test function.
    static QString freshDir(const QString& name);

private:
    QTemporaryDir _dir;
};
