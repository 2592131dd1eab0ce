#include "LockListener.h"

#include "Log.h"
#include "Logger.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>

#include <unistd.h>

namespace {
const QByteArray lockLine = QByteArrayLiteral("lock\n");
const QByteArray okLine = QByteArrayLiteral("ok\n");
// Longer than either line: a client sending more without a line end is cut off.
constexpr qint64 maxLine = 16;

void logLine(bool warning, const QString& line)
{
    const auto log = Log::getInstance().log();
    if (!log)
        return;
    const QString text = QStringLiteral("LockListener: ") + line;
    if (warning)
        log->warning(text);
    else
        log->debug(text);
}

// A real folder of this user's, not a link to one.
bool isOwnFolder(const QString& folder)
{
    const QFileInfo info(folder);
    return !info.isSymLink() && info.isDir() && info.ownerId() == ::geteuid();
}

// A socket file nobody listens on any more (its program ended without
// removing it) refuses the connection at once.
bool isStale(const QString& path)
{
    QLocalSocket probe;
    probe.connectToServer(path);
    if (probe.waitForConnected(0) || probe.state() == QLocalSocket::ConnectingState)
        return false;
    return probe.error() == QLocalSocket::ConnectionRefusedError;
}
} // namespace

LockListener::LockListener(const QString& socketPath, QObject* parent) : QObject(parent), _path(socketPath)
{
    if (_path.isEmpty())
        return;
    _server = new QLocalServer(this);
    _server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(_server, &QLocalServer::newConnection, this, &LockListener::accept);
    if (!_server->listen(_path) && _server->serverError() == QAbstractSocket::AddressInUseError && isStale(_path)) {
        QLocalServer::removeServer(_path);
        _server->listen(_path);
    }
    if (!_server->isListening())
        logLine(true, QStringLiteral("cannot listen on %1 (%2): kovrin --lock will not reach this program")
                          .arg(_path, _server->errorString()));
}

LockListener::~LockListener()
{
    // close() removes the socket file.
    if (_server)
        _server->close();
}

bool LockListener::isListening() const
{
    return _server && _server->isListening();
}

void LockListener::accept()
{
    while (QLocalSocket* socket = _server->nextPendingConnection()) {
        // Qt buffers no more than a line could need.
        socket->setReadBufferSize(maxLine);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { read(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // A client that says nothing does not keep its connection.
        QTimer::singleShot(answerTimeoutMs, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        read(socket);
    }
}

void LockListener::read(QLocalSocket* socket)
{
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() >= maxLine) {
            socket->abort();
            socket->deleteLater();
        }
        return;
    }
    const QByteArray line = socket->readLine(maxLine);
    if (line != lockLine) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
    emit lockRequested();
    socket->write(okLine);
    // Sends the answer, then closes.
    socket->disconnectFromServer();
}

std::unique_ptr<LockListener> LockListener::forThisProgram(QObject* parent)
{
    const QString dir = folder();
    if (dir.isEmpty() || !prepareFolder(dir)) {
        logLine(true, QStringLiteral("no private runtime folder (%1): kovrin --lock will not reach this program")
                          .arg(dir));
        return std::make_unique<LockListener>(QString(), parent);
    }
    return std::make_unique<LockListener>(
        dir + QStringLiteral("/lock-") + QString::number(QCoreApplication::applicationPid()), parent);
}

QString LockListener::folder()
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QString() : runtime + QStringLiteral("/kovrin");
}

bool LockListener::prepareFolder(const QString& folder)
{
    constexpr QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    QDir().mkdir(folder, ownerOnly);
    return isOwnFolder(folder) && QFile::setPermissions(folder, ownerOnly);
}

int LockListener::lockAll(int timeoutMs, const QString& folder, int* unanswered)
{
    int answered = 0;
    int silent = 0;
    static const QRegularExpression socketName(QStringLiteral("^lock-[0-9]+$"));
    // Another user's folder holds no program of ours.
    const QStringList names = folder.isEmpty() || !isOwnFolder(folder)
                                  ? QStringList()
                                  : QDir(folder).entryList(QDir::Files | QDir::System | QDir::Hidden | QDir::NoSymLinks,
                                                           QDir::Name);
    for (const QString& name : names) {
        if (!socketName.match(name).hasMatch())
            continue;
        const QString path = folder + QLatin1Char('/') + name;
        const QDeadlineTimer deadline(timeoutMs);
        QLocalSocket socket;
        socket.connectToServer(path);
        if (!socket.waitForConnected(int(deadline.remainingTime()))) {
            if (socket.error() == QLocalSocket::ConnectionRefusedError) {
                // Its program is gone.
                QFile::remove(path);
            } else if (socket.error() != QLocalSocket::ServerNotFoundError) {
                ++silent;
            }
            continue;
        }
        socket.write(lockLine);
        socket.flush();
        QByteArray answer;
        while (!answer.contains('\n') && answer.size() < maxLine) {
            if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(int(deadline.remainingTime())))
                break;
            answer += socket.read(maxLine - answer.size());
        }
        if (answer == okLine)
            ++answered;
        else
            ++silent;
        socket.abort();
    }
    if (unanswered)
        *unanswered = silent;
    return answered;
}
