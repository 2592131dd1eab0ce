#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <chrono>

// Asks for a lock when the user has given the program no input (keys, mouse,
// wheel, touch, tablet) for the timeout. An input event only stamps the time;
// the timer, on expiry, waits again for the rest when input came meanwhile,
// so the application-wide filter stays cheap. After a request the next input
// starts the wait again.
class IdleWatcher : public QObject
{
    Q_OBJECT

public:
    explicit IdleWatcher(QObject* parent = nullptr);
    ~IdleWatcher() override;

    // 0 (the default) never asks; a new timeout counts from now.
    void setTimeout(std::chrono::milliseconds timeout);
    std::chrono::milliseconds timeout() const { return _timeout; }

signals:
    void lockRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void expired();

    std::chrono::milliseconds _timeout{0};
    QTimer _timer;
    QElapsedTimer _sinceInput;
    bool _filtering = false;
};
