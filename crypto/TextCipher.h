#pragma once

#include <QString>

class AesPair;

// Text through the engine: UTF-8 bytes encrypted and carried as Base64.
class TextCipher
{
public:
    static void encrypt(const AesPair& pair, const QString& in, QString& out);
    static void decrypt(const AesPair& pair, const QString& in, QString& out);
};
