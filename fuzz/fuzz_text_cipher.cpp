// Feeds arbitrary text to the crypter's Base64 decryption. It refuses with an
// Exception and leaves the output alone, or gives a text that encrypts and
// decrypts back to itself; and the input text itself survives the same trip.
#include "AesDecrypter.h"
#include "AesPair.h"
#include "Exception.h"
#include "FuzzEnvironment.h"

#include <cstddef>
#include <cstdint>

KOVRIN_FUZZ_ENVIRONMENT(Core)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static AesDecrypter crypter(
        AesPair(QByteArray::fromHex("000102030405060708090a0b0c0d0e0f"),
                QByteArray::fromHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4")));
    const QString input = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto trip = [](const QString& text) {
        QString cipher;
        QString back;
        crypter.encryptToBase64(text, cipher);
        crypter.decryptFromBase64(cipher, back);
        return back;
    };

    QString plain = QStringLiteral("untouched");
    try {
        crypter.decryptFromBase64(input, plain);
        if (trip(plain) != plain)
            __builtin_trap();
    } catch (const Exception&) {
        if (plain != QLatin1String("untouched"))
            __builtin_trap();
    }
    if (trip(input) != input)
        __builtin_trap();
    return 0;
}
