// Uses zemb1 and velk2 as an outside program would: their start-up routines
// load their bundles, an AES-256-CBC round trip, and an exception across the
// library boundary.
#include <AesPair.h>
#include <Crypt.h>
#include <Exception.h>
#include <Translator.h>

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    Translator& translator = Translator::getInstance();
    for (const char* module : {"zemb", "cipher"}) {
        if (!translator.bundle(QLatin1String(module), translator.defaultLang())) {
            std::fprintf(stderr, "bundle %s not loaded\n", module);
            return 1;
        }
    }
    const AesPair pair = AesPair::newKey(256);
    const QByteArray plain("consumer of the installed libraries");
    QByteArray cipher;
    QByteArray back;
    Crypt::getInstance().encryptAES256CBC(pair, plain, cipher);
    Crypt::getInstance().decryptAES256CBC(pair, cipher, back);
    if (back != plain || cipher == plain) {
        std::fprintf(stderr, "round trip failed\n");
        return 1;
    }
    try {
        QByteArray out;
        Crypt::getInstance().decryptAES256CBC(pair, QByteArray("not a multiple of sixteen"), out);
        std::fprintf(stderr, "no exception for a bad cipher text\n");
        return 1;
    } catch (const Exception& e) {
        std::printf("consumer ok: %s\n", qPrintable(e.detail()));
    }
    return 0;
}
