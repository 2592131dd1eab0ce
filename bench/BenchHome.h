#pragma once

#include <QTemporaryDir>

// A private home for one benchmark run: HOME, XDG_DATA_HOME and XDG_CONFIG_HOME
// point into a temporary folder (each save sends the older backup to the trash,
// which must never be the user's), and Qt runs offscreen unless told otherwise.
// Made before the application object.
class BenchHome
{
public:
    BenchHome();

    // Where the benchmark keeps its own files, inside the temporary folder.
    QString filePath(const QString& name) const { return _dir.filePath(name); }

private:
    QTemporaryDir _dir;
};
