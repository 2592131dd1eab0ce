#include "ClipboardGuard.h"

#include "Log.h"
#include "SlotGuard.h"
#include "WipeOnExit.h"

#include <QClipboard>
#include <QCryptographicHash>
#include <QGuiApplication>
#include <QMimeData>
#include <QRandomGenerator>

namespace {
ClipboardGuard*& currentGuard()
{
    static ClipboardGuard* guard = nullptr;
    return guard;
}
} // namespace

ClipboardGuard::ClipboardGuard(int seconds, QObject* parent)
    : QObject(parent), _seconds(seconds > 0 ? seconds : 0), _previous(currentGuard())
{
    _salt.resize(16);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(_salt.data()), _salt.size() / 4);
    _timer.setSingleShot(true);
    connect(&_timer, &QTimer::timeout, this, [this] {
        SlotGuard::run(nullptr, QStringLiteral("void ClipboardGuard::clearIfOurs() -> "), Log::getInstance().log(),
                       [this] { clearIfOurs(); });
    });
    currentGuard() = this;
}

ClipboardGuard::~ClipboardGuard()
{
    try {
        // Without a timeout a copy outlives the program, as it always has.
        if (_seconds > 0)
            clearIfOurs();
    } catch (...) {
        // Nothing may leave a destructor; the program is ending anyway.
    }
    if (currentGuard() == this)
        currentGuard() = _previous;
}

ClipboardGuard* ClipboardGuard::current()
{
    return currentGuard();
}

void ClipboardGuard::copy(const QString& text)
{
    auto* data = new QMimeData;
    data->setText(text);
    copy(data);
}

void ClipboardGuard::copy(QMimeData* data)
{
    if (ClipboardGuard* guard = current())
        guard->put(data);
    else
        QGuiApplication::clipboard()->setMimeData(data, QClipboard::Clipboard);
}

void ClipboardGuard::setTimeout(int seconds)
{
    _seconds = seconds > 0 ? seconds : 0;
    if (_seconds == 0) {
        _timer.stop();
        _digest.clear();
    }
}

void ClipboardGuard::put(QMimeData* data)
{
    // Known even without a timeout: closing the vault takes the copy away.
    const QByteArray copied = digest(data->text());
    QGuiApplication::clipboard()->setMimeData(data, QClipboard::Clipboard);
    _digest = copied;
    if (_seconds > 0)
        _timer.start(_seconds * 1000);
}

void ClipboardGuard::clearIfOurs()
{
    _timer.stop();
    if (_digest.isEmpty())
        return;
    QClipboard* clipboard = QGuiApplication::clipboard();
    const bool ours = digest(clipboard->text()) == _digest;
    if (ours)
        clipboard->clear();
    _digest.clear();
    Q_EMIT expired(ours);
}

QByteArray ClipboardGuard::digest(const QString& text) const
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(_salt);
    QByteArray utf8 = text.toUtf8();
    hash.addData(utf8);
    WipeOnExit::wipe(utf8);
    return hash.result();
}
