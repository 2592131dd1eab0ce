#include "Cleanse.h"

#include <openssl/crypto.h>

void Cleanse::wipe(QByteArray& bytes)
{
    if (!bytes.isEmpty() && bytes.isDetached())
        OPENSSL_cleanse(bytes.data(), size_t(bytes.size()));
}
