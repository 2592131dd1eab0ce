#pragma once

#include <QByteArray>

// Overwrites secret bytes before their memory goes back to the allocator. A
// QByteArray shared with another copy is left alone: its bytes are still in use.
class Cleanse
{
public:
    explicit Cleanse(QByteArray& bytes) : _bytes(bytes) {}
    ~Cleanse() { wipe(_bytes); }
    Cleanse(const Cleanse&) = delete;
    Cleanse& operator=(const Cleanse&) = delete;

    static void wipe(QByteArray& bytes);

private:
    QByteArray& _bytes;
};
