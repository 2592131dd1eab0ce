#include "WipeOnExit.h"

#include <openssl/crypto.h>

WipeOnExit::~WipeOnExit()
{
    if (_bytes)
        wipe(*_bytes);
    if (_text)
        wipe(*_text);
}

void WipeOnExit::wipe(QByteArray& bytes)
{
    if (!bytes.isEmpty() && bytes.isDetached())
        OPENSSL_cleanse(bytes.data(), size_t(bytes.size()));
}

void WipeOnExit::wipe(QString& text)
{
    if (!text.isEmpty() && text.isDetached())
        OPENSSL_cleanse(text.data(), size_t(text.size()) * sizeof(QChar));
}
