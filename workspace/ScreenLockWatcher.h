#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

class QDBusPendingCallWatcher;

// Asks for a lock when the desktop locks its screen or the machine goes to
// sleep: the screen saver's ActiveChanged(true) on the session bus (the
// freedesktop name, which KDE owns, and GNOME's), and logind's Lock of this
// program's session and PrepareForSleep(true) on the system bus. Only the
// owner of each name is heard. A bus that is not connected gives no trigger.
class ScreenLockWatcher : public QObject
{
    Q_OBJECT

public:
    // On the user's session bus and the system bus.
    explicit ScreenLockWatcher(QObject* parent = nullptr);
    // On the given buses (tests hand in private connections).
    ScreenLockWatcher(const QDBusConnection& session, const QDBusConnection& system, QObject* parent = nullptr);

    // The user's "lock when the screen locks"; while off, the buses' signals are ignored.
    void setEnabled(bool enabled);
    bool isEnabled() const { return _enabled; }
signals:
    void lockRequested();

private slots:
    void onScreenSaverActive(bool active);
    void onPrepareForSleep(bool sleeping);
    void onSessionLock();

private:
    void watchSession(const QDBusConnection& session);
    void watchSystem(const QDBusConnection& system);
    // Asks logind for this program's session: by XDG_SESSION_ID when set,
    // else (or when that fails) by the process id.
    void findSession(bool byId);
    void sessionFound(QDBusPendingCallWatcher* call, bool byId);
    void request();

    QDBusConnection _system;
    bool _enabled = true;
};
