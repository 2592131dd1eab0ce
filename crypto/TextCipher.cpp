#include "TextCipher.h"

#include "Cleanse.h"
#include "Crypt.h"

void TextCipher::encrypt(const AesPair& pair, const QString& in, QString& out)
{
    QByteArray plain = in.toUtf8();
    Cleanse guard(plain);
    QByteArray cipher;
    Crypt::getInstance().encryptAES256CBC(pair, plain, cipher);
    out = QString::fromLatin1(cipher.toBase64());
}

void TextCipher::decrypt(const AesPair& pair, const QString& in, QString& out)
{
    QByteArray plain;
    Cleanse guard(plain);
    Crypt::getInstance().decryptAES256CBC(pair, QByteArray::fromBase64(in.toUtf8()), plain);
    out = QString::fromUtf8(plain);
}
