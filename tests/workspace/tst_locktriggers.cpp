// The triggers that ask for a lock: the desktop's screen lock and sleep (D-Bus),
// the user's inactivity, and "kovrin --lock" from another process.

#include "IdleWatcher.h"
#include "LockListener.h"
#include "ScreenLockWatcher.h"
#include "TestMain.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>
#include <QSignalSpy>
#include <QTest>

#include <chrono>
#include <cstring>
#include <memory>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {
const QString testInterface = QStringLiteral("org.kovrin.Test");
const QString barrierPath = QStringLiteral("/barrier");

// A connection of the test's own to the session bus, closed with its scope.
class Bus
{
public:
    Bus()
        : _name(QStringLiteral("test-%1").arg(++s_count)),
          _bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, _name))
    {
    }
    ~Bus() { QDBusConnection::disconnectFromBus(_name); }
    Bus(const Bus&) = delete;
    Bus& operator=(const Bus&) = delete;

    QDBusConnection& bus() { return _bus; }
    bool own(const QString& service) { return _bus.registerService(service); }
    bool send(const QString& path, const QString& interface, const QString& name, const QVariantList& arguments = {})
    {
        QDBusMessage message = QDBusMessage::createSignal(path, interface, name);
        message.setArguments(arguments);
        return _bus.send(message);
    }
    // The bus keeps the order of one sender's messages to one receiver: once the
    // barrier is through, what this connection sent before has been handled.
    bool sendBarrier(const QString& token)
    {
        return send(barrierPath, testInterface, QStringLiteral("Barrier"), {token});
    }

private:
    static inline int s_count = 0;
    QString _name;
    QDBusConnection _bus;
};
} // namespace

// Receives the barrier signals on the watcher's own connection. Each barrier
// carries a token of its own: every connection on the bus hears every barrier.
class Barrier : public QObject
{
    Q_OBJECT

public:
    explicit Barrier(QDBusConnection bus)
    {
        bus.connect(QString(), barrierPath, testInterface, QStringLiteral("Barrier"), this, SLOT(pass(QString)));
    }
    // Sends a barrier from sender and waits until it arrives.
    bool through(Bus& sender)
    {
        const QString token = QString::number(++s_tokens);
        if (!sender.sendBarrier(token))
            return false;
        QSignalSpy passed(this, &Barrier::passed);
        QDeadlineTimer deadline(10000);
        while (!_seen.contains(token) && !deadline.hasExpired())
            passed.wait(int(deadline.remainingTime()));
        return _seen.contains(token);
    }

signals:
    void passed();

private slots:
    void pass(const QString& token)
    {
        _seen.insert(token);
        emit passed();
    }

private:
    static inline int s_tokens = 0;
    QSet<QString> _seen;
};

// logind's Manager as far as the watcher asks it: one session known by its id,
// another found by the test's process id.
class FakeLogind : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

public:
    static inline const QString knownId = QStringLiteral("c7");
    static inline const QString idPath = QStringLiteral("/org/freedesktop/login1/session/c7");
    static inline const QString pidPath = QStringLiteral("/org/freedesktop/login1/session/_32");

public slots:
    QDBusObjectPath GetSession(const QString& id)
    {
        if (id == knownId)
            return QDBusObjectPath(idPath);
        sendErrorReply(QStringLiteral("org.freedesktop.login1.NoSuchSession"), QStringLiteral("No such session"));
        return {};
    }
    QDBusObjectPath GetSessionByPID(uint pid)
    {
        if (pid == uint(QCoreApplication::applicationPid()))
            return QDBusObjectPath(pidPath);
        sendErrorReply(QStringLiteral("org.freedesktop.login1.NoSessionForPID"), QStringLiteral("No session"));
        return {};
    }
};

class TestLockTriggers : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void screenSaver_data();
    void screenSaver();
    void logindSession_data();
    void logindSession();
    void sleep_data();
    void sleep();
    void disabledIgnoresTheBuses();
    void busesNotConnected();

    void idleFiresOnceThenAfterInput();
    void inputPostponesTheLock_data();
    void inputPostponesTheLock();
    void programEventsAreNoInput();
    void zeroTimeoutNeverFires();

    void listenerAnswersOnlyTheLockLine_data();
    void listenerAnswersOnlyTheLockLine();
    void listenerSocketFile();
    void lockOptionLocksEveryListener();
    void lockOptionRemovesStaleSockets_data();
    void lockOptionRemovesStaleSockets();
    void lockOptionWithoutInstance_data();
    void lockOptionWithoutInstance();
    void lockOptionReportsSilentInstance();

private:
    bool _sessionBus = false;
    QString _runtime;
};

#define NEED_SESSION_BUS()                                                                                             \
    if (!_sessionBus)                                                                                                  \
    QSKIP("no D-Bus session bus reachable: run the test under dbus-run-session (Debian package dbus)")

namespace {
// A socket file whose process ended without removing it.
bool leaveDeadSocket(const QString& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    std::strncpy(address.sun_path, name.constData(), sizeof address.sun_path - 1);
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return bound && QFileInfo::exists(path);
}

bool ownerOnly(const QString& path, QFile::Permissions owner)
{
    constexpr QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther
                                          | QFile::WriteOther | QFile::ExeOther;
    const QFile::Permissions permissions = QFileInfo(path).permissions();
    return (permissions & others) == 0 && (permissions & owner) == owner;
}

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Runs "kovrin --lock" while this process's event loop keeps serving its listeners.
Run runLockOption()
{
    Run run;
    QProcess program;
    QSignalSpy finished(&program, &QProcess::finished);
    program.start(QStringLiteral(KOVRIN_PROGRAM), {QStringLiteral("--lock")});
    if (!program.waitForStarted(30000) || !finished.wait(60000))
        return run;
    if (program.exitStatus() == QProcess::NormalExit)
        run.exitCode = program.exitCode();
    run.out = program.readAllStandardOutput();
    run.err = program.readAllStandardError();
    return run;
}
} // namespace

void TestLockTriggers::initTestCase()
{
    _sessionBus = QDBusConnection::sessionBus().isConnected();
    // The listeners' folder lies in a runtime folder of the test's own.
    _runtime = TestEnvironment::root() + QStringLiteral("/run");
    QVERIFY(QDir().mkdir(_runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(_runtime));
    QCOMPARE(LockListener::folder(), _runtime + QStringLiteral("/kovrin"));
}

void TestLockTriggers::init()
{
    // No listener's socket from another test function.
    QDir(LockListener::folder()).removeRecursively();
}

void TestLockTriggers::screenSaver_data()
{
    QTest::addColumn<QString>("owned");
    QTest::addColumn<bool>("fromOwner");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("interface");
    QTest::addColumn<bool>("active");
    QTest::addColumn<int>("locks");

    const QString fd = QStringLiteral("org.freedesktop.ScreenSaver");
    const QString gnome = QStringLiteral("org.gnome.ScreenSaver");
    const QString gnomePath = QStringLiteral("/org/gnome/ScreenSaver");
    QTest::newRow("KDE's path") << fd << true << QStringLiteral("/ScreenSaver") << fd << true << 1;
    QTest::newRow("freedesktop path") << fd << true << QStringLiteral("/org/freedesktop/ScreenSaver") << fd << true
                                      << 1;
    QTest::newRow("freedesktop unlocked") << fd << true << QStringLiteral("/ScreenSaver") << fd << false << 0;
    QTest::newRow("freedesktop from another sender") << fd << false << QStringLiteral("/ScreenSaver") << fd << true
                                                     << 0;
    QTest::newRow("freedesktop owner, GNOME interface") << fd << true << gnomePath << gnome << true << 0;
    QTest::newRow("GNOME") << gnome << true << gnomePath << gnome << true << 1;
    QTest::newRow("GNOME unlocked") << gnome << true << gnomePath << gnome << false << 0;
    QTest::newRow("GNOME from another sender") << gnome << false << gnomePath << gnome << true << 0;
    QTest::newRow("GNOME on another path") << gnome << true << QStringLiteral("/org/gnome/Other") << gnome << true
                                           << 0;
    QTest::newRow("GNOME owner, freedesktop interface") << gnome << true << QStringLiteral("/ScreenSaver") << fd
                                                        << true << 0;
}

void TestLockTriggers::screenSaver()
{
    NEED_SESSION_BUS();
    QFETCH(QString, owned);
    QFETCH(bool, fromOwner);
    QFETCH(QString, path);
    QFETCH(QString, interface);
    QFETCH(bool, active);
    QFETCH(int, locks);

    Bus owner;
    Bus intruder;
    Bus session;
    QVERIFY(owner.own(owned));
    ScreenLockWatcher watcher(session.bus(), QDBusConnection(QStringLiteral("none")));
    QSignalSpy requested(&watcher, &ScreenLockWatcher::lockRequested);
    Barrier barrier(session.bus());

    Bus& sender = fromOwner ? owner : intruder;
    QVERIFY(sender.send(path, interface, QStringLiteral("ActiveChanged"), {active}));
    QVERIFY(barrier.through(sender));
    QCOMPARE(requested.count(), locks);
}

void TestLockTriggers::logindSession_data()
{
    QTest::addColumn<QString>("sessionId");
    QTest::addColumn<QString>("ours");
    QTest::addColumn<QString>("other");

    // Empty: XDG_SESSION_ID unset.
    QTest::newRow("by session id") << FakeLogind::knownId << FakeLogind::idPath << FakeLogind::pidPath;
    QTest::newRow("by process id") << QString() << FakeLogind::pidPath << FakeLogind::idPath;
    QTest::newRow("unknown session id, then by process id") << QStringLiteral("c99") << FakeLogind::pidPath
                                                            << FakeLogind::idPath;
}

void TestLockTriggers::logindSession()
{
    NEED_SESSION_BUS();
    QFETCH(QString, sessionId);
    QFETCH(QString, ours);
    QFETCH(QString, other);

    const QByteArray savedId = qgetenv("XDG_SESSION_ID");
    const bool hadId = qEnvironmentVariableIsSet("XDG_SESSION_ID");
    if (sessionId.isEmpty())
        qunsetenv("XDG_SESSION_ID");
    else
        qputenv("XDG_SESSION_ID", sessionId.toUtf8());
    const auto restore = qScopeGuard([&] {
        if (hadId)
            qputenv("XDG_SESSION_ID", savedId);
        else
            qunsetenv("XDG_SESSION_ID");
    });

    Bus logind;
    Bus system;
    FakeLogind manager;
    QVERIFY(logind.own(QStringLiteral("org.freedesktop.login1")));
    QVERIFY(logind.bus().registerObject(QStringLiteral("/org/freedesktop/login1"), &manager,
                                        QDBusConnection::ExportAllSlots));
    ScreenLockWatcher watcher(QDBusConnection(QStringLiteral("none")), system.bus());
    QSignalSpy requested(&watcher, &ScreenLockWatcher::lockRequested);
    Barrier barrier(system.bus());

    const QString session = QStringLiteral("org.freedesktop.login1.Session");
    // The session's path comes in the background: Lock is heard once it has.
    QTRY_VERIFY_WITH_TIMEOUT(logind.send(ours, session, QStringLiteral("Lock")) && requested.count() > 0, 10000);
    QVERIFY(barrier.through(logind));
    requested.clear();

    QVERIFY(logind.send(other, session, QStringLiteral("Lock")));
    QVERIFY(logind.send(ours, session, QStringLiteral("Unlock")));
    QVERIFY(barrier.through(logind));
    QCOMPARE(requested.count(), 0);

    QVERIFY(logind.send(ours, session, QStringLiteral("Lock")));
    QVERIFY(barrier.through(logind));
    QCOMPARE(requested.count(), 1);
}

void TestLockTriggers::sleep_data()
{
    QTest::addColumn<bool>("fromOwner");
    QTest::addColumn<bool>("sleeping");
    QTest::addColumn<int>("locks");

    QTest::newRow("going to sleep") << true << true << 1;
    QTest::newRow("waking up") << true << false << 0;
    QTest::newRow("from another sender") << false << true << 0;
}

void TestLockTriggers::sleep()
{
    NEED_SESSION_BUS();
    QFETCH(bool, fromOwner);
    QFETCH(bool, sleeping);
    QFETCH(int, locks);

    Bus logind;
    Bus intruder;
    Bus system;
    QVERIFY(logind.own(QStringLiteral("org.freedesktop.login1")));
    ScreenLockWatcher watcher(QDBusConnection(QStringLiteral("none")), system.bus());
    QSignalSpy requested(&watcher, &ScreenLockWatcher::lockRequested);
    Barrier barrier(system.bus());

    Bus& sender = fromOwner ? logind : intruder;
    QVERIFY(sender.send(QStringLiteral("/org/freedesktop/login1"), QStringLiteral("org.freedesktop.login1.Manager"),
                        QStringLiteral("PrepareForSleep"), {sleeping}));
    QVERIFY(barrier.through(sender));
    QCOMPARE(requested.count(), locks);
}

void TestLockTriggers::disabledIgnoresTheBuses()
{
    NEED_SESSION_BUS();
    qunsetenv("XDG_SESSION_ID");
    Bus screenSaver;
    Bus logind;
    Bus session;
    Bus system;
    FakeLogind manager;
    QVERIFY(screenSaver.own(QStringLiteral("org.freedesktop.ScreenSaver")));
    QVERIFY(logind.own(QStringLiteral("org.freedesktop.login1")));
    QVERIFY(logind.bus().registerObject(QStringLiteral("/org/freedesktop/login1"), &manager,
                                        QDBusConnection::ExportAllSlots));
    ScreenLockWatcher watcher(session.bus(), system.bus());
    QVERIFY(watcher.isEnabled());
    QSignalSpy requested(&watcher, &ScreenLockWatcher::lockRequested);
    Barrier sessionBarrier(session.bus());
    Barrier systemBarrier(system.bus());
    const QString session1 = QStringLiteral("org.freedesktop.login1.Session");
    QTRY_VERIFY_WITH_TIMEOUT(logind.send(FakeLogind::pidPath, session1, QStringLiteral("Lock"))
                                 && requested.count() > 0,
                             10000);
    QVERIFY(systemBarrier.through(logind));
    requested.clear();

    const auto sendAll = [&] {
        return screenSaver.send(QStringLiteral("/ScreenSaver"), QStringLiteral("org.freedesktop.ScreenSaver"),
                                QStringLiteral("ActiveChanged"), {true})
               && logind.send(FakeLogind::pidPath, session1, QStringLiteral("Lock"))
               && logind.send(QStringLiteral("/org/freedesktop/login1"),
                              QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"),
                              {true})
               && sessionBarrier.through(screenSaver) && systemBarrier.through(logind);
    };
    watcher.setEnabled(false);
    QVERIFY(!watcher.isEnabled());
    QVERIFY(sendAll());
    QCOMPARE(requested.count(), 0);

    watcher.setEnabled(true);
    QVERIFY(sendAll());
    QCOMPARE(requested.count(), 3);
}

void TestLockTriggers::busesNotConnected()
{
    // No bus is no error: nothing on the message log, no signal.
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
    const QDBusConnection none(QStringLiteral("none"));
    QVERIFY(!none.isConnected());
    auto watcher = std::make_unique<ScreenLockWatcher>(none, none);
    QSignalSpy requested(watcher.get(), &ScreenLockWatcher::lockRequested);
    watcher->setEnabled(false);
    watcher->setEnabled(true);
    if (_sessionBus) {
        Bus screenSaver;
        QVERIFY(screenSaver.own(QStringLiteral("org.freedesktop.ScreenSaver")));
        Bus probe;
        Barrier barrier(probe.bus());
        QVERIFY(screenSaver.send(QStringLiteral("/ScreenSaver"), QStringLiteral("org.freedesktop.ScreenSaver"),
                                 QStringLiteral("ActiveChanged"), {true}));
        QVERIFY(barrier.through(screenSaver));
    }
    QCOMPARE(requested.count(), 0);
    watcher.reset();
    // The user's buses, whichever of them this machine has.
    ScreenLockWatcher usual;
    QVERIFY(usual.isEnabled());
}

void TestLockTriggers::idleFiresOnceThenAfterInput()
{
    QLineEdit field;
    field.setAccessibleName(QStringLiteral("Field"));
    field.show();
    QVERIFY(QTest::qWaitForWindowExposed(&field));

    IdleWatcher idle;
    QSignalSpy requested(&idle, &IdleWatcher::lockRequested);
    idle.setTimeout(100ms);
    QCOMPARE(idle.timeout(), 100ms);
    QVERIFY(requested.wait(10000));
    QCOMPARE(requested.count(), 1);
    // Locked: no further request until the user is back.
    QVERIFY(!requested.wait(500));

    QElapsedTimer clock;
    clock.start();
    QTest::keyClick(&field, Qt::Key_A);
    QVERIFY(requested.wait(10000));
    QCOMPARE(requested.count(), 2);
    QVERIFY(clock.elapsed() >= 100);
}

void TestLockTriggers::inputPostponesTheLock_data()
{
    QTest::addColumn<QString>("input");
    QTest::newRow("key") << QStringLiteral("key");
    QTest::newRow("mouse click") << QStringLiteral("click");
    QTest::newRow("mouse move") << QStringLiteral("move");
}

void TestLockTriggers::inputPostponesTheLock()
{
    QFETCH(QString, input);
    QLineEdit field;
    field.setAccessibleName(QStringLiteral("Field"));
    field.resize(200, 30);
    field.show();
    QVERIFY(QTest::qWaitForWindowExposed(&field));

    constexpr qint64 timeout = 400;
    IdleWatcher idle;
    QElapsedTimer clock;
    qint64 firstLockAt = -1;
    connect(&idle, &IdleWatcher::lockRequested, this, [&] {
        if (firstLockAt < 0)
            firstLockAt = clock.elapsed();
    });
    QSignalSpy requested(&idle, &IdleWatcher::lockRequested);
    clock.start();
    idle.setTimeout(std::chrono::milliseconds(timeout));

    // Input for twice the timeout: without it restarting the wait, the lock
    // would come in the middle of it.
    qint64 lastInputAt = 0;
    int step = 0;
    while (clock.elapsed() < 2 * timeout) {
        lastInputAt = clock.elapsed();
        const QPoint at(10 + step % 2 * 20, 10);
        if (input == QLatin1String("key"))
            QTest::keyClick(&field, Qt::Key_A);
        else if (input == QLatin1String("click"))
            QTest::mouseClick(&field, Qt::LeftButton, {}, at);
        else
            QTest::mouseMove(&field, at);
        ++step;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    QVERIFY(requested.wait(10000));
    // Never sooner than the timeout after the last input.
    QVERIFY2(firstLockAt >= lastInputAt + timeout,
             qPrintable(QStringLiteral("lock at %1 ms, last input at %2 ms").arg(firstLockAt).arg(lastInputAt)));
}

void TestLockTriggers::programEventsAreNoInput()
{
    QLineEdit field;
    field.setAccessibleName(QStringLiteral("Field"));
    field.show();
    QVERIFY(QTest::qWaitForWindowExposed(&field));

    IdleWatcher idle;
    QSignalSpy requested(&idle, &IdleWatcher::lockRequested);
    idle.setTimeout(100ms);
    // Key events the program sends itself, without end: the lock comes all the same.
    QDeadlineTimer deadline(10000);
    while (requested.isEmpty() && !deadline.hasExpired()) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QCoreApplication::sendEvent(&field, &press);
        QCoreApplication::sendEvent(&field, &release);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    QCOMPARE(requested.count(), 1);
    QVERIFY(!field.text().isEmpty());
}

void TestLockTriggers::zeroTimeoutNeverFires()
{
    QLineEdit field;
    field.setAccessibleName(QStringLiteral("Field"));
    field.show();
    QVERIFY(QTest::qWaitForWindowExposed(&field));

    IdleWatcher byDefault;
    IdleWatcher switchedOff;
    QCOMPARE(byDefault.timeout(), 0ms);
    switchedOff.setTimeout(50ms);
    switchedOff.setTimeout(0ms);
    QSignalSpy first(&byDefault, &IdleWatcher::lockRequested);
    QSignalSpy second(&switchedOff, &IdleWatcher::lockRequested);
    QTest::keyClick(&field, Qt::Key_A);
    QVERIFY(!first.wait(300));
    QVERIFY(!second.wait(300));
}

void TestLockTriggers::listenerAnswersOnlyTheLockLine_data()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("locks");

    QTest::newRow("lock") << QByteArray("lock\n") << QByteArray("ok\n") << 1;
    QTest::newRow("another word") << QByteArray("unlock\n") << QByteArray() << 0;
    QTest::newRow("carriage return") << QByteArray("lock\r\n") << QByteArray() << 0;
    QTest::newRow("empty line") << QByteArray("\n") << QByteArray() << 0;
    QTest::newRow("long line") << QByteArray(4096, 'l') + '\n' << QByteArray() << 0;
    QTest::newRow("no line end") << QByteArray("locklocklocklocklocklock") << QByteArray() << 0;
}

void TestLockTriggers::listenerAnswersOnlyTheLockLine()
{
    QFETCH(QByteArray, sent);
    QFETCH(QByteArray, answer);
    QFETCH(int, locks);

    const QString path = TestEnvironment::freshDir(QStringLiteral("lines")) + QStringLiteral("/lock-1");
    LockListener listener(path);
    QVERIFY(listener.isListening());
    QSignalSpy requested(&listener, &LockListener::lockRequested);

    QLocalSocket client;
    QSignalSpy closed(&client, &QLocalSocket::disconnected);
    client.connectToServer(path);
    QVERIFY(client.waitForConnected(10000));
    client.write(sent);
    // Either way the listener closes the connection, after its answer if any.
    QVERIFY(closed.wait(10000));
    QCOMPARE(client.readAll(), answer);
    QCOMPARE(requested.count(), locks);
}

void TestLockTriggers::listenerSocketFile()
{
    const QString path = LockListener::folder() + QStringLiteral("/lock-")
                         + QString::number(QCoreApplication::applicationPid());
    // A file left by an ended process of the same id is taken over.
    QVERIFY(QDir().mkpath(LockListener::folder()));
    QVERIFY(QFile::setPermissions(LockListener::folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                              | QFile::ReadGroup | QFile::ExeGroup));
    QVERIFY(leaveDeadSocket(path));
    {
        const auto listener = LockListener::forThisProgram();
        QVERIFY(listener);
        QVERIFY(listener->isListening());
        QCOMPARE(listener->socketPath(), path);
        QVERIFY(ownerOnly(LockListener::folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QVERIFY(ownerOnly(path, QFile::ReadOwner | QFile::WriteOwner));
    }
    QVERIFY(!QFileInfo::exists(path));
    QVERIFY(QDir(LockListener::folder())
                .isEmpty(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot));
}

void TestLockTriggers::lockOptionLocksEveryListener()
{
    const auto first = LockListener::forThisProgram();
    LockListener second(LockListener::folder() + QStringLiteral("/lock-999999999"));
    QVERIFY(first->isListening());
    QVERIFY(second.isListening());
    QSignalSpy firstLocks(first.get(), &LockListener::lockRequested);
    QSignalSpy secondLocks(&second, &LockListener::lockRequested);

    const Run run = runLockOption();
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QByteArray());
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(firstLocks.count(), 1);
    QCOMPARE(secondLocks.count(), 1);
}

void TestLockTriggers::lockOptionRemovesStaleSockets_data()
{
    QTest::addColumn<QString>("leftover");
    QTest::addColumn<bool>("removed");

    QTest::newRow("socket of an ended program") << QStringLiteral("socket") << true;
    QTest::newRow("plain file") << QStringLiteral("file") << true;
    QTest::newRow("file of another name") << QStringLiteral("other") << false;
}

void TestLockTriggers::lockOptionRemovesStaleSockets()
{
    QFETCH(QString, leftover);
    QFETCH(bool, removed);

    QVERIFY(LockListener::prepareFolder(LockListener::folder()));
    const auto listener = LockListener::forThisProgram();
    QVERIFY(listener->isListening());
    QSignalSpy locks(listener.get(), &LockListener::lockRequested);
    // Sorted before and after the live listener's name.
    QStringList files;
    for (const QString& name : {QStringLiteral("lock-1"), QStringLiteral("lock-99999999999")}) {
        const QString path = LockListener::folder() + QLatin1Char('/')
                             + (leftover == QLatin1String("other") ? QStringLiteral("notes-") + name : name);
        if (leftover == QLatin1String("socket")) {
            QVERIFY(leaveDeadSocket(path));
        } else {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.write("lock-") == 5);
        }
        files << path;
    }

    const Run run = runLockOption();
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(locks.count(), 1);
    for (const QString& file : files)
        QCOMPARE(QFileInfo::exists(file), !removed);
}

void TestLockTriggers::lockOptionWithoutInstance_data()
{
    QTest::addColumn<bool>("folderExists");
    QTest::newRow("no folder") << false;
    QTest::newRow("empty folder") << true;
}

void TestLockTriggers::lockOptionWithoutInstance()
{
    QFETCH(bool, folderExists);
    if (folderExists)
        QVERIFY(LockListener::prepareFolder(LockListener::folder()));

    const Run run = runLockOption();
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QByteArray());
    QCOMPARE(run.err, QByteArray());
}

void TestLockTriggers::lockOptionReportsSilentInstance()
{
    // A program that takes the connection but never answers (hung): the
    // command waits its time for it, says so, and fails.
    QVERIFY(LockListener::prepareFolder(LockListener::folder()));
    QLocalServer hung;
    QVERIFY(hung.listen(LockListener::folder() + QStringLiteral("/lock-2")));
    const auto listener = LockListener::forThisProgram();
    QSignalSpy locks(listener.get(), &LockListener::lockRequested);

    const Run run = runLockOption();
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains("did not answer"), run.err.constData());
    QCOMPARE(locks.count(), 1);
}

KOVRIN_TEST_MAIN(TestLockTriggers)
#include "tst_locktriggers.moc"
