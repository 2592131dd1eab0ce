#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>

// Takes copied fields out of the clipboard again: when the vault they came from
// is closed (clearIfOurs), and with "--clipboard-timeout" after the timeout and
// when the guard goes at the program's end; but only while the clipboard still
// holds what the program put there. The guard keeps a salted digest of that
// text, never the text itself.
//
// The program makes one guard for its whole run; the rack view copies through
// ClipboardGuard::copy, which goes straight to the clipboard when there is none.
class QMimeData;

class ClipboardGuard : public QObject
{
    Q_OBJECT
public:
    // seconds <= 0: copied fields stay in the clipboard, as without the option.
    explicit ClipboardGuard(int seconds, QObject* parent = nullptr);
    ~ClipboardGuard() override;

    // Puts text, or data whose text is the copied field (the clipboard takes
    // it over), into the clipboard through the current guard if there is one.
    static void copy(const QString& text);
    static void copy(QMimeData* data);
    // The guard of this run, or null.
    static ClipboardGuard* current();

    int timeout() const { return _seconds; }
    // From the next copy on; a field already copied keeps its timer, or
    // stays until its vault closes when clearing is switched off (0).
    void setTimeout(int seconds);
    // A clear is due when the timeout runs out.
    bool isPending() const { return _timer.isActive(); }

    // Clears the clipboard if it still holds the last copied text; forgets it.
    void clearIfOurs();

Q_SIGNALS:
    // After a clear the guard has made (cleared) or declined because the
    // clipboard had changed since (!cleared).
    void expired(bool cleared);

private:
    void put(QMimeData* data);
    QByteArray digest(const QString& text) const;

    int _seconds = 0;
    QTimer _timer;
    QByteArray _salt;
    QByteArray _digest;
    ClipboardGuard* _previous = nullptr;
};
