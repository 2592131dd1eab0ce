#include "IdleWatcher.h"

#include <QCoreApplication>
#include <QEvent>

IdleWatcher::IdleWatcher(QObject* parent) : QObject(parent)
{
    _timer.setSingleShot(true);
    connect(&_timer, &QTimer::timeout, this, &IdleWatcher::expired);
}

IdleWatcher::~IdleWatcher()
{
    if (_filtering && QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
}

void IdleWatcher::setTimeout(std::chrono::milliseconds timeout)
{
    _timeout = timeout < std::chrono::milliseconds(0) ? std::chrono::milliseconds(0) : timeout;
    const bool wanted = _timeout.count() > 0 && QCoreApplication::instance();
    if (wanted != _filtering) {
        if (wanted)
            QCoreApplication::instance()->installEventFilter(this);
        else if (QCoreApplication::instance())
            QCoreApplication::instance()->removeEventFilter(this);
        _filtering = wanted;
    }
    if (!_filtering) {
        _timer.stop();
        return;
    }
    _sinceInput.start();
    _timer.start(_timeout);
}

bool IdleWatcher::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
        // Events the program makes up itself (a re-sent key, a synthesised
        // mouse event) are no sign of a user.
        if (event->spontaneous()) {
            _sinceInput.start();
            if (!_timer.isActive())
                _timer.start(_timeout);
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void IdleWatcher::expired()
{
    const std::chrono::milliseconds idle(_sinceInput.elapsed());
    if (idle < _timeout) {
        _timer.start(_timeout - idle);
        return;
    }
    emit lockRequested();
}
