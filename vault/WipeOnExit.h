#pragma once

#include <QByteArray>
#include <QString>

// Overwrites plaintext and password bytes before their memory goes back to the
// allocator: at once with wipe(), or when the guard goes out of scope. A buffer
// still shared with another copy (a widget's text, a caller's array) is left
// alone: its bytes are still in use, and the last owner's wipe reaches them.
class WipeOnExit
{
public:
    explicit WipeOnExit(QByteArray& bytes) : _bytes(&bytes) {}
    explicit WipeOnExit(QString& text) : _text(&text) {}
    ~WipeOnExit();
    WipeOnExit(const WipeOnExit&) = delete;
    WipeOnExit& operator=(const WipeOnExit&) = delete;

    static void wipe(QByteArray& bytes);
    static void wipe(QString& text);

private:
    QByteArray* _bytes = nullptr;
    QString* _text = nullptr;
};
