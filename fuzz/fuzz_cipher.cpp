// Feeds arbitrary bytes to the engine's decryption, the key-pair builders and
// the digests. Decryption either refuses with an Exception or yields a
// plaintext that encrypts back to the same bytes; a key pair built from any
// buffer gives that buffer back.
#include "AesPair.h"
#include "Crypt.h"
#include "Digest.h"
#include "Exception.h"

#include <QByteArray>
#include <QCoreApplication>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_cipher";
    static char* argv[] = {name, nullptr};
    static const bool english = qputenv("LANG", "en_US.UTF-8");
    static QCoreApplication application(argc, argv);
    Q_UNUSED(english);
    static const AesPair pair(QByteArray::fromHex("000102030405060708090a0b0c0d0e0f"),
                              QByteArray::fromHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4"));

    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));

    QByteArray plain = "untouched";
    bool decrypted = true;
    try {
        Crypt::getInstance().decryptAES256CBC(pair, input, plain);
    } catch (const Exception&) {
        decrypted = false;
    }
    if (!decrypted && plain != "untouched")
        std::abort();
    if (decrypted) {
        if (plain.size() >= input.size())
            std::abort();
        QByteArray again;
        Crypt::getInstance().encryptAES256CBC(pair, plain, again);
        if (again != input)
            std::abort();
    }

    try {
        if (AesPair::fromBuffer(input).toBuffer() != input)
            std::abort();
    } catch (const Exception&) {
        if (input.size() >= 32)
            std::abort();
    }
    const qsizetype half = input.size() / 2;
    try {
        const AesPair fromHex(QString::fromUtf8(input.left(half)), QString::fromUtf8(input.mid(half)));
        if (!fromHex.isAesCompliant(16) && !fromHex.isAesCompliant(32))
            std::abort();
    } catch (const Exception&) {
    }

    if (Digest::md5(input).size() != 16 || Digest::digest(QStringLiteral("SHA3-256"), input).size() != 32)
        std::abort();
    return 0;
}
