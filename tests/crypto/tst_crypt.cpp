#include "AesPair.h"
#include "Cipher.h"
#include "Crypt.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "Thrown.h"
#include "Translator.h"

#include <QFile>
#include <QTemporaryFile>

#include <cstdio>
#include <unistd.h>

// Declared before any use: QTest's data columns instantiate the metatype.
Q_DECLARE_METATYPE(AesPair)

namespace {
// NIST SP 800-38A, F.2.5 and F.2.6 (CBC-AES256).
const QByteArray NistKey = QByteArray::fromHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
const QByteArray NistIv = QByteArray::fromHex("000102030405060708090a0b0c0d0e0f");
const QByteArray NistPlain = QByteArray::fromHex("6bc1bee22e409f96e93d7e117393172a"
                                                 "ae2d8a571e03ac9c9eb76fac45af8e51"
                                                 "30c81c46a35ce411e5fbc1191a0a52ef"
                                                 "f69f2445df4f9b17ad2b417be66c3710");
const QByteArray NistCipher = QByteArray::fromHex("f58c4c04d6e5f1ba779eabfb5f7bfbd6"
                                                  "9cfc4e967edb808d679f777bc6702c7d"
                                                  "39f23369a9d9bacfa530e26304231461"
                                                  "b2eb05e2c39be9fcda6c19078c6a9d1b");
// The engine's PKCS#7 block (sixteen 0x10 bytes) chained after the last block above.
const QByteArray PaddingBlock = QByteArray::fromHex("3f461796d6b0d6b2e0c2a72b4d80e644");

const QString EncryptContext = QStringLiteral("void Crypto::encryptAES256CBC(const AesPair&, const QByteArray&, QByteArray&) -> ");
const QString DecryptContext = QStringLiteral("void Crypt::decryptAES256CBC(const AesPair&, const QByteArray&, QByteArray&) -> ");
const QString EncryptFileContext = QStringLiteral("void Crypt::encryptAES256CBC(const AesPair&, const AString&, const QString&) -> ");
const QString DecryptFileContext = QStringLiteral("void Crypt::decryptAES256CBC(const AesPair&, const QString&, const QString&) -> ");

AesPair nistPair()
{
    return AesPair(NistIv, NistKey);
}

QByteArray pattern(qsizetype size)
{
    QByteArray b(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        b[i] = char((i * 7 + i / 251) & 0xFF);
    return b;
}

} // namespace

class TestCrypt : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void nistKnownAnswer();
    void sizes_data();
    void sizes();
    void decryptFailures_data();
    void decryptFailures();
    void refusedPairs_data();
    void refusedPairs();
    void fileRoundTrip_data();
    void fileRoundTrip();
    void fileChunksAreIndependentRuns();
    void fileOpenFailures();
    void fileWriteFailure();
    void fileShortRead();
    void fileDecryptFailureKeepsWrittenChunks();
    void buildKey();
    void dumpToStdout();
    void texts_data();
    void texts();
    void version();
};

void TestCrypt::nistKnownAnswer()
{
    QByteArray out = "stale";
    Crypt::getInstance().encryptAES256CBC(nistPair(), NistPlain, out);
    QCOMPARE(out.toHex(), (NistCipher + PaddingBlock).toHex());

    Crypt::getInstance().decryptAES256CBC(nistPair(), NistCipher + PaddingBlock, out);
    QCOMPARE(out.toHex(), NistPlain.toHex());
}

void TestCrypt::sizes_data()
{
    QTest::addColumn<int>("plain");
    QTest::addColumn<int>("cipher");
    QTest::newRow("0") << 0 << 16;
    QTest::newRow("1") << 1 << 16;
    QTest::newRow("15") << 15 << 16;
    QTest::newRow("16") << 16 << 32;
    QTest::newRow("17") << 17 << 32;
    QTest::newRow("31") << 31 << 32;
    QTest::newRow("32") << 32 << 48;
    QTest::newRow("8192") << 8192 << 8208;
    QTest::newRow("100000") << 100000 << 100016;
}

void TestCrypt::sizes()
{
    QFETCH(int, plain);
    QFETCH(int, cipher);
    const QByteArray in = pattern(plain);
    QByteArray encrypted;
    Crypt::getInstance().encryptAES256CBC(nistPair(), in, encrypted);
    QCOMPARE(encrypted.size(), cipher);
    QVERIFY(plain == 0 || !encrypted.contains(in.left(16)));
    QByteArray decrypted = "stale";
    Crypt::getInstance().decryptAES256CBC(nistPair(), encrypted, decrypted);
    QCOMPARE(decrypted, in);
}

void TestCrypt::decryptFailures_data()
{
    QTest::addColumn<QByteArray>("cipher");
    QTest::addColumn<AesPair>("pair");
    QByteArray good;
    Crypt::getInstance().encryptAES256CBC(nistPair(), QByteArray("a vault line\tuser\tpassword"), good);
    QByteArray otherKey = NistKey;
    otherKey[0] = char(otherKey[0] ^ 0x55);
    QByteArray tampered = good;
    tampered[tampered.size() - 1] = char(tampered[tampered.size() - 1] ^ 0x01);
    QTest::newRow("wrong key") << good << AesPair(NistIv, otherKey);
    QTest::newRow("last byte changed") << tampered << nistPair();
    QTest::newRow("17 bytes") << good.left(17) << nistPair();
    QTest::newRow("one byte short") << good.left(good.size() - 1) << nistPair();
    QTest::newRow("empty") << QByteArray() << nistPair();
}

void TestCrypt::decryptFailures()
{
    QFETCH(QByteArray, cipher);
    QFETCH(AesPair, pair);
    QByteArray out = "untouched";
    const QString detail = thrownDetail([&] { Crypt::getInstance().decryptAES256CBC(pair, cipher, out); });
    QVERIFY2(detail.startsWith(DecryptContext + "Encryption failed: error:"), qPrintable(detail));
    QCOMPARE(out, QByteArray("untouched"));
}

void TestCrypt::refusedPairs_data()
{
    QTest::addColumn<AesPair>("pair");
    QTest::newRow("empty") << AesPair();
    QTest::newRow("AES-128") << AesPair(NistIv, NistKey.left(16));
    QTest::newRow("24-byte key") << AesPair::fromBuffer(NistIv + NistKey.left(24));
    QTest::newRow("40-byte key") << AesPair::fromBuffer(NistIv + NistKey + NistKey.left(8));
}

void TestCrypt::refusedPairs()
{
    QFETCH(AesPair, pair);
    QByteArray out = "untouched";
    QCOMPARE(thrownDetail([&] { Crypt::getInstance().encryptAES256CBC(pair, NistPlain, out); }),
             EncryptContext + "Invalid key size");
    QCOMPARE(thrownDetail([&] { Crypt::getInstance().decryptAES256CBC(pair, NistCipher, out); }),
             DecryptContext + "Invalid key size");
    QCOMPARE(out, QByteArray("untouched"));
}

void TestCrypt::fileRoundTrip_data()
{
    QTest::addColumn<int>("plain");
    QTest::addColumn<int>("cipher");
    QTest::newRow("empty") << 0 << 0;
    QTest::newRow("100") << 100 << 112;
    QTest::newRow("8191") << 8191 << 8192;
    QTest::newRow("8192: one full chunk") << 8192 << 8208;
    QTest::newRow("8193") << 8193 << 8208 + 16;
    QTest::newRow("20000: 8208 + 8208 + 3632") << 20000 << 20048;
}

void TestCrypt::fileRoundTrip()
{
    QFETCH(int, plain);
    QFETCH(int, cipher);
    const QString dir = TestEnvironment::freshDir(QStringLiteral("files"));
    const QByteArray content = pattern(plain);
    QVERIFY(writeFile(dir + "/plain", content));
    QVERIFY(writeFile(dir + "/decrypted", "longer stale content that must be truncated away entirely"));
    Crypt::getInstance().encryptAES256CBC(nistPair(), dir + "/plain", dir + "/cipher");
    QCOMPARE(QFileInfo(dir + "/cipher").size(), qint64(cipher));
    Crypt::getInstance().decryptAES256CBC(nistPair(), dir + "/cipher", dir + "/decrypted");
    QCOMPARE(readFile(dir + "/decrypted"), content);
}

void TestCrypt::fileChunksAreIndependentRuns()
{
    const QString dir = TestEnvironment::freshDir(QStringLiteral("chunks"));
    const QByteArray content = pattern(20000);
    QVERIFY(writeFile(dir + "/plain", content));
    Crypt::getInstance().encryptAES256CBC(nistPair(), dir + "/plain", dir + "/cipher");
    QByteArray expected;
    for (qsizetype at = 0; at < content.size(); at += 8192) {
        QByteArray chunk;
        Crypt::getInstance().encryptAES256CBC(nistPair(), content.mid(at, 8192), chunk);
        expected += chunk;
    }
    QCOMPARE(readFile(dir + "/cipher"), expected);
}

void TestCrypt::fileOpenFailures()
{
    const QString dir = TestEnvironment::freshDir(QStringLiteral("openfail"));
    QVERIFY(writeFile(dir + "/plain", "abc"));
    for (const bool encrypting : {true, false}) {
        const QString& context = encrypting ? EncryptFileContext : DecryptFileContext;
        const auto run = [&](const QString& in, const QString& out) {
            return thrownDetail([&] {
                if (encrypting)
                    Crypt::getInstance().encryptAES256CBC(nistPair(), in, out);
                else
                    Crypt::getInstance().decryptAES256CBC(nistPair(), in, out);
            });
        };
        QCOMPARE(run(dir + "/none", dir + "/out"), context + QStringLiteral("File [%1] not open").arg(dir + "/none"));
        QVERIFY2(!QFile::exists(dir + "/out"), "output created although the input was missing");
        QCOMPARE(run(dir + "/plain", dir + "/no/such/folder"),
                 context + QStringLiteral("Failed to open file [%1] in create mode").arg(dir + "/no/such/folder"));
    }
}

void TestCrypt::fileWriteFailure()
{
    if (!QFileInfo::exists(QStringLiteral("/dev/full")))
        QSKIP("no /dev/full here");
    const QString dir = TestEnvironment::freshDir(QStringLiteral("writefail"));
    QVERIFY(writeFile(dir + "/plain", pattern(20000)));
    const QString detail
        = thrownDetail([&] { Crypt::getInstance().encryptAES256CBC(nistPair(), dir + "/plain", QStringLiteral("/dev/full")); });
    QVERIFY2(detail.startsWith(EncryptFileContext + "Failed to write file [/dev/full], "), qPrintable(detail));
}

void TestCrypt::fileShortRead()
{
    // Kernel attribute files announce a page but hold a few bytes: the read
    // falls short of the size, as with a file cut while it is read.
    const QString name = QStringLiteral("/sys/kernel/mm/transparent_hugepage/enabled");
    QFile probe(name);
    if (!probe.open(QIODevice::ReadOnly) || probe.size() <= probe.readAll().size())
        QSKIP("no file whose size overstates its content here");
    const QString dir = TestEnvironment::freshDir(QStringLiteral("shortread"));
    const QString detail = thrownDetail([&] { Crypt::getInstance().encryptAES256CBC(nistPair(), name, dir + "/out"); });
    QVERIFY2(detail.startsWith(EncryptFileContext + QStringLiteral("Failed to read file [%1], ").arg(name)), qPrintable(detail));
}

void TestCrypt::fileDecryptFailureKeepsWrittenChunks()
{
    const QString dir = TestEnvironment::freshDir(QStringLiteral("badchunk"));
    const QByteArray content = pattern(20000);
    QVERIFY(writeFile(dir + "/plain", content));
    Crypt::getInstance().encryptAES256CBC(nistPair(), dir + "/plain", dir + "/cipher");
    QByteArray cipher = readFile(dir + "/cipher");
    cipher[8208 + 8207] = char(cipher[8208 + 8207] ^ 0x01); // last byte of the second chunk
    QVERIFY(writeFile(dir + "/cipher", cipher));
    const QString detail
        = thrownDetail([&] { Crypt::getInstance().decryptAES256CBC(nistPair(), dir + "/cipher", dir + "/out"); });
    QVERIFY2(detail.startsWith(DecryptContext + "Encryption failed: "), qPrintable(detail));
    QCOMPARE(readFile(dir + "/out"), content.left(8192));
}

void TestCrypt::buildKey()
{
    QByteArray out = "previous";
    Crypt::getInstance().buildKey(out, 0);
    QVERIFY(out.isEmpty());
    Crypt::getInstance().buildKey(out, 32);
    QCOMPARE(out.size(), 32);

    // Every value 0-254 comes out, 255 never.
    Crypt::getInstance().buildKey(out, 200000);
    QCOMPARE(out.size(), 200000);
    QList<int> counts(256, 0);
    for (const char c : std::as_const(out))
        ++counts[uchar(c)];
    QCOMPARE(counts[255], 0);
    for (int v = 0; v < 255; ++v)
        QVERIFY2(counts[v] > 200000 / 255 / 2, qPrintable(QStringLiteral("value %1 drawn %2 times").arg(v).arg(counts[v])));

    QByteArray again;
    Crypt::getInstance().buildKey(again, 32);
    QVERIFY(again != out.left(32));
}

void TestCrypt::dumpToStdout()
{
    QTemporaryFile capture;
    QVERIFY(capture.open());
    std::fflush(stdout);
    const int saved = ::dup(STDOUT_FILENO);
    QVERIFY(saved >= 0);
    QVERIFY(::dup2(capture.handle(), STDOUT_FILENO) >= 0);
    Crypt::dumpToStdout(QByteArray("kovrin\x01\xff", 8));
    std::fflush(stdout);
    ::dup2(saved, STDOUT_FILENO);
    ::close(saved);
    QVERIFY(capture.seek(0));
    const QByteArray text = capture.readAll();
    QVERIFY2(text.startsWith("0000 - 6b 6f 76 72 69 6e 01 ff"), text.constData());
    QVERIFY2(text.trimmed().endsWith("kovrin.."), text.constData());
}

void TestCrypt::texts_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("module");
    QTest::addColumn<QString>("text");
    const QString cipher = QStringLiteral("cipher");
    const QString zemb = QStringLiteral("zemb");
    QTest::newRow("IllegalBuffer") << "IllegalBuffer" << cipher << "Invalid buffer";
    QTest::newRow("NoKeyFile") << "NoKeyFile" << cipher << "File [%1] is not a file containing an encryption key";
    QTest::newRow("MandatoryKeySize") << "MandatoryKeySize" << cipher << "The key size must be 128 or 256 bit";
    QTest::newRow("KeySize") << "KeySize" << cipher << "Key size: %1 bit";
    QTest::newRow("CipheringFailure") << "CipheringFailure" << cipher << "Encryption failed: %1";
    QTest::newRow("CipherLibVersion") << "CipherLibVersion" << cipher << "Cipher v%1, %2";
    QTest::newRow("HashCodeFailure") << "HashCodeFailure" << cipher << "Hash failed: %1";
    QTest::newRow("IllegalKeySize") << "IllegalKeySize" << cipher << "Invalid key size";
    QTest::newRow("InternalKeyNotInitialized") << "InternalKeyNotInitialized" << cipher << "Internal key not initialized";
    QTest::newRow("FileNotOpened") << "FileNotOpened" << zemb << "File [%1] not open";
    QTest::newRow("CannotDeleteFile") << "CannotDeleteFile" << zemb << "File [%1] cannot be deleted";
    QTest::newRow("FileCreatingFailure") << "FileCreatingFailure" << zemb << "Failed to open file [%1] in create mode";
}

void TestCrypt::texts()
{
    QFETCH(QString, key);
    QFETCH(QString, module);
    QFETCH(QString, text);
    QCOMPARE(Translator::getInstance().string(key, module, QStringLiteral("en_US")), text);
}

void TestCrypt::version()
{
    QCOMPARE(Cipher::version(), QStringLiteral("2.1.1 (202604091518)"));
}

KOVRIN_TEST_MAIN(TestCrypt)
#include "tst_crypt.moc"
