#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;
class QLocalSocket;

// Lets "kovrin --lock" reach every running program of the user: each listens
// on a local socket of its own, lock-<pid> in an owner-only folder, and a
// client's line "lock" asks for a lock and is answered "ok". For screen
// lockers that tell nobody (i3lock, swaylock).
class LockListener : public QObject
{
    Q_OBJECT

public:
    // Listens on socketPath (its folder must exist); a file left there by a
    // process gone is replaced. The socket is closed and its file removed on
    // destruction.
    explicit LockListener(const QString& socketPath, QObject* parent = nullptr);
    ~LockListener() override;

    bool isListening() const;
    QString socketPath() const { return _path; }

    // The running program's listener, on folder()/lock-<pid>; the folder is
    // made owner-only first. When it cannot listen, it says why in the log.
    static std::unique_ptr<LockListener> forThisProgram(QObject* parent = nullptr);

    // Where the listeners' sockets lie: <runtime folder>/kovrin.
    static QString folder();
    // Makes folder owner-only (0700), creating it when missing; false when it
    // is not a folder of this user's.
    static bool prepareFolder(const QString& folder);

    // Sends "lock" to every listener in folder and waits at most timeoutMs for
    // each answer. Socket files nobody listens on any more are removed. Returns
    // how many answered; unanswered, when given, receives how many listeners
    // accepted the connection but gave no answer in time.
    static int lockAll(int timeoutMs, const QString& folder = LockListener::folder(), int* unanswered = nullptr);

    static constexpr int answerTimeoutMs = 3000;

signals:
    void lockRequested();

private:
    void accept();
    void read(QLocalSocket* socket);

    QString _path;
    QLocalServer* _server = nullptr;
};
