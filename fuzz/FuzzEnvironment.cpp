#include "FuzzEnvironment.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>

namespace {
QTemporaryDir* privateFolder()
{
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/kovrin-fuzz-XXXXXX"));
    return &dir;
}

void dropMessage(QtMsgType type, const QMessageLogContext&, const QString&)
{
    if (type == QtFatalMsg)
        std::abort();
}
} // namespace

void FuzzEnvironment::init(Application application)
{
    // Qt keeps argc by reference: the fuzzer's own arguments stay out of its reach.
    static int argc = 1;
    static char name[] = "kovrin-fuzz";
    static char* argv[] = {name, nullptr};
    if (!privateFolder()->isValid())
        std::abort();
    const QString home = folder() + QStringLiteral("/home");
    for (const char* sub : {"/.local/share", "/.config", "/.cache"})
        QDir().mkpath(home + QLatin1String(sub));
    qputenv("HOME", home.toUtf8());
    qputenv("XDG_DATA_HOME", (home + QStringLiteral("/.local/share")).toUtf8());
    qputenv("XDG_CONFIG_HOME", (home + QStringLiteral("/.config")).toUtf8());
    qputenv("XDG_CACHE_HOME", (home + QStringLiteral("/.cache")).toUtf8());
    qputenv("LANG", "en_US.UTF-8");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(dropMessage);
    // Never destroyed: at exit, Qt's own globals may already be gone.
    static QCoreApplication* app = nullptr;
    if (application == Application::Widgets)
        app = new QApplication(argc, argv);
    else
        app = new QCoreApplication(argc, argv);
    Q_UNUSED(app);
}

QString FuzzEnvironment::folder()
{
    return privateFolder()->path();
}

QString FuzzEnvironment::writeFile(const QString& name, QByteArrayView bytes)
{
    const QString path = folder() + QLatin1Char('/') + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes.data(), bytes.size()) != bytes.size())
        std::abort();
    return path;
}
