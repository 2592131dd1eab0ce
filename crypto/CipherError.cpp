#include "CipherError.h"

#include "Translator.h"

#include <openssl/err.h>

QString CipherError::text(const QString& key, const QString& module)
{
    return Translator::getInstance().string(key, module);
}

QString CipherError::openssl()
{
    char buffer[1024] = {};
    ERR_error_string_n(ERR_peek_last_error(), buffer, sizeof buffer);
    ERR_clear_error();
    return QString::fromUtf8(buffer);
}

void CipherError::raise(const QString& context, const QString& message)
{
    throw Exception(context + message);
}
