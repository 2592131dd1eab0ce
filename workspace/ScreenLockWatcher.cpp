#include "ScreenLockWatcher.h"

#include "Log.h"
#include "Logger.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {
const QString freedesktopService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString gnomeService = QStringLiteral("org.gnome.ScreenSaver");
const QString gnomePath = QStringLiteral("/org/gnome/ScreenSaver");
const QString logindService = QStringLiteral("org.freedesktop.login1");
const QString logindPath = QStringLiteral("/org/freedesktop/login1");
const QString logindManager = QStringLiteral("org.freedesktop.login1.Manager");
const QString logindSession = QStringLiteral("org.freedesktop.login1.Session");

void debugLine(const QString& line)
{
    if (const auto log = Log::getInstance().log())
        log->debug(QStringLiteral("ScreenLockWatcher: ") + line);
}
} // namespace

ScreenLockWatcher::ScreenLockWatcher(QObject* parent)
    : ScreenLockWatcher(QDBusConnection::sessionBus(), QDBusConnection::systemBus(), parent)
{
}

ScreenLockWatcher::ScreenLockWatcher(const QDBusConnection& session, const QDBusConnection& system, QObject* parent)
    : QObject(parent), _system(system)
{
    watchSession(session);
    watchSystem(system);
}

void ScreenLockWatcher::setEnabled(bool enabled)
{
    _enabled = enabled;
}

void ScreenLockWatcher::watchSession(const QDBusConnection& session)
{
    if (!session.isConnected()) {
        debugLine(QStringLiteral("no session bus, the screen saver is not heard"));
        return;
    }
    // KDE sends on /ScreenSaver and on /org/freedesktop/ScreenSaver: an empty
    // path hears the owner's signal on any path.
    QDBusConnection bus(session);
    bus.connect(freedesktopService, QString(), freedesktopService, QStringLiteral("ActiveChanged"), this,
                SLOT(onScreenSaverActive(bool)));
    bus.connect(gnomeService, gnomePath, gnomeService, QStringLiteral("ActiveChanged"), this,
                SLOT(onScreenSaverActive(bool)));
}

void ScreenLockWatcher::watchSystem(const QDBusConnection& system)
{
    if (!system.isConnected()) {
        debugLine(QStringLiteral("no system bus, logind is not heard"));
        return;
    }
    _system.connect(logindService, logindPath, logindManager, QStringLiteral("PrepareForSleep"), this,
                    SLOT(onPrepareForSleep(bool)));
    findSession(!qEnvironmentVariableIsEmpty("XDG_SESSION_ID"));
}

void ScreenLockWatcher::findSession(bool byId)
{
    QDBusMessage call;
    if (byId) {
        call = QDBusMessage::createMethodCall(logindService, logindPath, logindManager, QStringLiteral("GetSession"));
        call << qEnvironmentVariable("XDG_SESSION_ID");
    } else {
        call = QDBusMessage::createMethodCall(logindService, logindPath, logindManager,
                                              QStringLiteral("GetSessionByPID"));
        call << static_cast<uint>(QCoreApplication::applicationPid());
    }
    auto* watcher = new QDBusPendingCallWatcher(_system.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, byId](QDBusPendingCallWatcher* done) { sessionFound(done, byId); });
}

void ScreenLockWatcher::sessionFound(QDBusPendingCallWatcher* call, bool byId)
{
    call->deleteLater();
    const QDBusPendingReply<QDBusObjectPath> reply = *call;
    if (reply.isError()) {
        debugLine(QStringLiteral("logind does not tell this program's session (%1)").arg(reply.error().name()));
        // A session id inherited from elsewhere (a terminal of another session) can be unknown.
        if (byId)
            findSession(false);
        return;
    }
    const QString path = reply.value().path();
    _system.connect(logindService, path, logindSession, QStringLiteral("Lock"), this, SLOT(onSessionLock()));
}

void ScreenLockWatcher::onScreenSaverActive(bool active)
{
    if (active)
        request();
}

void ScreenLockWatcher::onPrepareForSleep(bool sleeping)
{
    if (sleeping)
        request();
}

void ScreenLockWatcher::onSessionLock()
{
    request();
}

void ScreenLockWatcher::request()
{
    if (_enabled)
        emit lockRequested();
}
