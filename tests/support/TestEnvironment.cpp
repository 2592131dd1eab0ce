#include "TestEnvironment.h"

#include <QDir>
#include <QtGlobal>

namespace {
QString s_root;
}

TestEnvironment::TestEnvironment() : _dir(QDir::tempPath() + QStringLiteral("/kovrin-test-XXXXXX"))
{
    if (!_dir.isValid())
        qFatal("cannot create the test's temporary folder");
    s_root = _dir.path();
    const QString home = s_root + QStringLiteral("/home");
    QDir().mkpath(home + QStringLiteral("/.local/share"));
    QDir().mkpath(home + QStringLiteral("/.config"));
    QDir().mkpath(home + QStringLiteral("/.cache"));
    qputenv("HOME", home.toUtf8());
    qputenv("XDG_DATA_HOME", (home + QStringLiteral("/.local/share")).toUtf8());
    qputenv("XDG_CONFIG_HOME", (home + QStringLiteral("/.config")).toUtf8());
    qputenv("XDG_CACHE_HOME", (home + QStringLiteral("/.cache")).toUtf8());
}

TestEnvironment::~TestEnvironment()
{
    s_root.clear();
}

QString TestEnvironment::root()
{
    return s_root;
}

QString TestEnvironment::home()
{
    return s_root + QStringLiteral("/home");
}

QString TestEnvironment::trash()
{
    return home() + QStringLiteral("/.local/share/Trash");
}

QString TestEnvironment::freshDir(const QString& name)
{
    QDir dir(s_root + QStringLiteral("/work/") + name);
    dir.removeRecursively();
    QDir().mkpath(dir.path());
    return dir.path();
}
