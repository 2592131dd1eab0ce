#include "Digest.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "Thrown.h"

#include <QFile>

namespace {
const QString DataContext = QStringLiteral("QByteArray Digest::digest(const QString&, const QByteArray&) -> ");
const QString FileContext = QStringLiteral("QByteArray Digest::digest(const QString&, QFile*) -> ");

QByteArray pattern(qsizetype size)
{
    QByteArray b(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        b[i] = char((i * 13 + i / 7) & 0xFF);
    return b;
}
} // namespace

class TestDigest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void md5Rfc1321_data();
    void md5Rfc1321();
    void knownAnswers_data();
    void knownAnswers();
    void unknownAlgorithm();
    void file_data();
    void file();
    void fileFromCurrentPosition();
    void fileReadFailure();
};

void TestDigest::md5Rfc1321_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("md5");
    QTest::newRow("empty") << "" << "d41d8cd98f00b204e9800998ecf8427e";
    QTest::newRow("a") << "a" << "0cc175b9c0f1b6a831c399e269772661";
    QTest::newRow("abc") << "abc" << "900150983cd24fb0d6963f7d28e17f72";
    QTest::newRow("message digest") << "message digest" << "f96b697d7cb7938d525a2f31aaf161d0";
    QTest::newRow("alphabet") << "abcdefghijklmnopqrstuvwxyz" << "c3fcd3d76192e4007dfb496cca67e13b";
    QTest::newRow("alphanumerics") << "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"
                                   << "d174ab98d277d9f5a5611c2c9f419d9f";
    QTest::newRow("digits x8")
        << "12345678901234567890123456789012345678901234567890123456789012345678901234567890"
        << "57edf4a22be3c955ac49da2e2107b67a";
}

void TestDigest::md5Rfc1321()
{
    QFETCH(QString, text);
    QFETCH(QString, md5);
    QCOMPARE(Digest::md5ToString(text), md5);
    QCOMPARE(Digest::md5ToString(text.toUtf8()), md5);
    QCOMPARE(Digest::md5(text), QByteArray::fromHex(md5.toLatin1()));
    QCOMPARE(Digest::md5(text.toUtf8()), QByteArray::fromHex(md5.toLatin1()));
}

void TestDigest::knownAnswers_data()
{
    QTest::addColumn<QString>("algorithm");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("hex");
    const QByteArray twoBlocks = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
    QTest::newRow("SHA256 empty") << "SHA256" << QByteArray()
                                  << QByteArray("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    QTest::newRow("SHA256 abc") << "SHA256" << QByteArray("abc")
                                << QByteArray("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    QTest::newRow("SHA-256 two blocks") << "SHA-256" << twoBlocks
                                        << QByteArray("248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    QTest::newRow("SHA3-256 empty") << "SHA3-256" << QByteArray()
                                    << QByteArray("a7ffc6f8bf1ed76651c14756a061d662f580ff4de43b49fa82d80a4b80f8434a");
    QTest::newRow("SHA3-256 abc") << "SHA3-256" << QByteArray("abc")
                                  << QByteArray("3a985da74fe225b2045c172d6bd390bd855f086e3e9d525b46bfe24511431532");
    QTest::newRow("sha3-256 two blocks") << "sha3-256" << twoBlocks
                                         << QByteArray("41c0dba2a9d6240849100376a8235e2c82e1b9998a999e21db32dd97496d3376");
    QTest::newRow("MD5 by name") << "MD5" << QByteArray("abc") << QByteArray("900150983cd24fb0d6963f7d28e17f72");
}

void TestDigest::knownAnswers()
{
    QFETCH(QString, algorithm);
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, hex);
    QCOMPARE(Digest::digest(algorithm, data).toHex(), hex);
}

void TestDigest::unknownAlgorithm()
{
    const QString detail = thrownDetail([] { Digest::digest(QStringLiteral("NO-SUCH-DIGEST"), QByteArray("abc")); });
    QVERIFY2(detail.startsWith(DataContext + "Hash failed: error:"), qPrintable(detail));

    const QString name = TestEnvironment::freshDir(QStringLiteral("unknown")) + "/data";
    QVERIFY(writeFile(name, "abc"));
    QFile file(name);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString fileDetail = thrownDetail([&] { Digest::digest(QStringLiteral("NO-SUCH-DIGEST"), &file); });
    QVERIFY2(fileDetail.startsWith(FileContext + "Hash failed: error:"), qPrintable(fileDetail));
}

void TestDigest::file_data()
{
    QTest::addColumn<int>("size");
    QTest::newRow("empty") << 0;
    QTest::newRow("100") << 100;
    QTest::newRow("8191") << 8191;
    QTest::newRow("8192: a second read returns nothing") << 8192;
    QTest::newRow("8193") << 8193;
    QTest::newRow("50000") << 50000;
}

void TestDigest::file()
{
    QFETCH(int, size);
    const QByteArray content = pattern(size);
    const QString name = TestEnvironment::freshDir(QStringLiteral("file")) + "/data";
    QVERIFY(writeFile(name, content));
    QFile file(name);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(Digest::digest(QStringLiteral("SHA256"), &file), Digest::digest(QStringLiteral("SHA256"), content));
    QVERIFY(file.isOpen());
    QVERIFY(file.seek(0));
    QCOMPARE(Digest::md5ToString(&file), Digest::md5ToString(content));
    QVERIFY(file.seek(0));
    QCOMPARE(Digest::md5(&file), Digest::md5(content));
}

void TestDigest::fileFromCurrentPosition()
{
    const QByteArray content = pattern(10000);
    const QString name = TestEnvironment::freshDir(QStringLiteral("position")) + "/data";
    QVERIFY(writeFile(name, content));
    QFile file(name);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.seek(1234));
    QCOMPARE(Digest::md5(&file), Digest::md5(content.mid(1234)));
}

void TestDigest::fileReadFailure()
{
    // A device that refuses to be read must not pass for an empty file.
    const QString name = TestEnvironment::freshDir(QStringLiteral("readfail")) + "/data";
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.write("written, not readable") > 0);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("QIODevice::read.*WriteOnly device"));
    QString detail = thrownDetail([&] { Digest::md5(&file); });
    QVERIFY2(detail.startsWith(FileContext + "Hash failed: "), qPrintable(detail));

    detail = thrownDetail([] { Digest::md5(static_cast<QFile*>(nullptr)); });
    QVERIFY2(detail.startsWith(FileContext + "Hash failed: "), qPrintable(detail));
}

KOVRIN_TEST_MAIN(TestDigest)
#include "tst_digest.moc"
