#include "AesPair.h"
#include "Crypt.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "Thrown.h"

#include <QDir>
#include <QFile>

#include <unistd.h>

// Declared before any use: QTest's data columns instantiate the metatype.
Q_DECLARE_METATYPE(AesPair)

namespace {
QByteArray bytes(int size, char first = 1)
{
    QByteArray b(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        b[i] = char(first + i);
    return b;
}


const QString ArraysContext = QStringLiteral("AesPair::AesPair(const QByteArray&, const QByteArray&, QObject*) -> ");
const QString TextsContext = QStringLiteral("AesPair::AesPair(const QString&, const QString&, QObject*) -> ");
const QString FileContext = QStringLiteral("AesPair::AesPair(const QString&, QObject*) -> ");
const QString SaveContext = QStringLiteral("void AesPair::save(const QString& ) -> ");
} // namespace

class TestAesPair : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void twoArrays_data();
    void twoArrays();
    void hexTexts_data();
    void hexTexts();
    void buffer_data();
    void buffer();
    void keyFile_data();
    void keyFile();
    void missingKeyFile();
    void saveRoundTrip();
    void saveCannotDelete();
    void saveOverReadOnlyFolder();
    void newKey_data();
    void newKey();
    void newKeyBadSize();
    void shapeQueries_data();
    void shapeQueries();
    void equality();
};

void TestAesPair::twoArrays_data()
{
    QTest::addColumn<int>("ivSize");
    QTest::addColumn<int>("keySize");
    QTest::addColumn<bool>("valid");
    QTest::newRow("AES-128") << 16 << 16 << true;
    QTest::newRow("AES-256") << 16 << 32 << true;
    QTest::newRow("24-byte key") << 16 << 24 << false;
    QTest::newRow("33-byte key") << 16 << 33 << false;
    QTest::newRow("empty key") << 16 << 0 << false;
    QTest::newRow("short IV") << 15 << 32 << false;
    QTest::newRow("long IV") << 17 << 32 << false;
    QTest::newRow("both empty") << 0 << 0 << false;
}

void TestAesPair::twoArrays()
{
    QFETCH(int, ivSize);
    QFETCH(int, keySize);
    QFETCH(bool, valid);
    const QByteArray iv = bytes(ivSize);
    const QByteArray key = bytes(keySize, 100);
    if (!valid) {
        QCOMPARE(thrownDetail([&] { AesPair pair(iv, key); }), ArraysContext + "Invalid buffer");
        return;
    }
    const AesPair pair(iv, key);
    QCOMPARE(pair.toBuffer(), iv + key);
    QCOMPARE(pair.keyLength(), quint16(keySize * 8));
}

void TestAesPair::hexTexts_data()
{
    QTest::addColumn<QString>("iv");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QByteArray>("buffer"); // empty: refused
    const QByteArray iv = QByteArray::fromHex("000102030405060708090a0b0c0d0e0f");
    const QByteArray key = QByteArray::fromHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
    QTest::newRow("plain") << "000102030405060708090a0b0c0d0e0f"
                           << "603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4" << iv + key;
    QTest::newRow("upper case, blanks and colons")
        << "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F"
        << "60:3D:EB:10:15:CA:71:BE:2B:73:AE:F0:85:7D:77:81:1F:35:2C:07:3B:61:08:D7:2D:98:10:A3:09:14:DF:F4" << iv + key;
    QTest::newRow("AES-128 key") << "000102030405060708090a0b0c0d0e0f"
                                 << "603deb1015ca71be2b73aef0857d7781" << iv + key.left(16);
    QTest::newRow("IV one byte short") << "000102030405060708090a0b0c0d0e"
                                       << "603deb1015ca71be2b73aef0857d7781" << QByteArray();
    QTest::newRow("not hexadecimal") << "zzzz" << "yyyy" << QByteArray();
}

void TestAesPair::hexTexts()
{
    QFETCH(QString, iv);
    QFETCH(QString, key);
    QFETCH(QByteArray, buffer);
    if (buffer.isEmpty()) {
        QCOMPARE(thrownDetail([&] { AesPair pair(iv, key); }), TextsContext + "Invalid buffer");
        return;
    }
    QCOMPARE(AesPair(iv, key).toBuffer(), buffer);
}

void TestAesPair::buffer_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("valid");
    QTest::newRow("31 bytes") << 31 << false;
    QTest::newRow("empty") << 0 << false;
    QTest::newRow("32 bytes: AES-128") << 32 << true;
    QTest::newRow("40 bytes: 24-byte key kept") << 40 << true;
    QTest::newRow("48 bytes: AES-256") << 48 << true;
}

void TestAesPair::buffer()
{
    QFETCH(int, size);
    QFETCH(bool, valid);
    const QByteArray buffer = bytes(size);
    if (!valid) {
        QCOMPARE(thrownDetail([&] { AesPair::fromBuffer(buffer); }),
                 QStringLiteral("AesPair::AesPair(const QByteArray&, QObject*) -> Invalid buffer"));
        return;
    }
    const AesPair pair = AesPair::fromBuffer(buffer);
    QCOMPARE(pair.toBuffer(), buffer);
    QCOMPARE(pair.keyLength(), quint16((size - 16) * 8));
    QCOMPARE(pair, AesPair(buffer));
}

void TestAesPair::keyFile_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("valid");
    QTest::newRow("20 bytes") << 20 << false;
    QTest::newRow("31 bytes") << 31 << false;
    QTest::newRow("32 bytes") << 32 << true;
    QTest::newRow("40 bytes") << 40 << false;
    QTest::newRow("48 bytes") << 48 << true;
    QTest::newRow("49 bytes") << 49 << false;
}

void TestAesPair::keyFile()
{
    QFETCH(int, size);
    QFETCH(bool, valid);
    const QString name = TestEnvironment::freshDir(QStringLiteral("keyfile")) + "/pair.key";
    QVERIFY(writeFile(name, bytes(size)));
    if (!valid) {
        QCOMPARE(thrownDetail([&] { AesPair pair(name); }),
                 FileContext + QStringLiteral("File [%1] is not a file containing an encryption key").arg(name));
        return;
    }
    QCOMPARE(AesPair(name).toBuffer(), bytes(size));
}

void TestAesPair::missingKeyFile()
{
    const QString name = TestEnvironment::freshDir(QStringLiteral("missing")) + "/none.key";
    QFile probe(name);
    QVERIFY(!probe.open(QIODevice::ReadOnly));
    QCOMPARE(thrownDetail([&] { AesPair pair(name); }),
             FileContext + QStringLiteral("File [%1] not open, ").arg(name) + probe.errorString());
}

void TestAesPair::saveRoundTrip()
{
    const QString name = TestEnvironment::freshDir(QStringLiteral("save")) + "/pair.key";
    QVERIFY(writeFile(name, QByteArray(100, 'x'))); // replaced, not appended to
    const AesPair pair = AesPair::newKey(256);
    pair.save(name);
    QCOMPARE(readFile(name).size(), 48);
    QCOMPARE(AesPair(name), pair);

    const AesPair small = AesPair::newKey(128);
    small.save(name);
    QCOMPARE(AesPair(name), small);
}

void TestAesPair::saveCannotDelete()
{
    // A folder in the way cannot be removed as a file, whoever runs the test.
    const QString name = TestEnvironment::freshDir(QStringLiteral("blocked")) + "/pair.key";
    QVERIFY(QDir().mkpath(name + "/inside"));
    QCOMPARE(thrownDetail([&] { AesPair::newKey(256).save(name); }),
             SaveContext + QStringLiteral("File [%1] cannot be deleted").arg(name));
    QVERIFY(QFileInfo(name + "/inside").isDir());
}

void TestAesPair::saveOverReadOnlyFolder()
{
    if (::geteuid() == 0)
        QSKIP("root ignores folder permissions");
    const QString dir = TestEnvironment::freshDir(QStringLiteral("readonly"));
    const QString name = dir + "/pair.key";
    const QByteArray old = bytes(48);
    QVERIFY(writeFile(name, old));
    QVERIFY(QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    const QString detail = thrownDetail([&] { AesPair::newKey(256).save(name); });
    QVERIFY(QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    QCOMPARE(detail, SaveContext + QStringLiteral("File [%1] cannot be deleted").arg(name));
    QCOMPARE(readFile(name), old);
}

void TestAesPair::newKey_data()
{
    QTest::addColumn<int>("bits");
    QTest::newRow("128") << 128;
    QTest::newRow("256") << 256;
}

void TestAesPair::newKey()
{
    QFETCH(int, bits);
    const AesPair a = AesPair::newKey(quint16(bits));
    const AesPair b = AesPair::newKey(quint16(bits));
    QCOMPARE(a.keyLength(), quint16(bits));
    QVERIFY(a.isAesCompliant(quint16(bits / 8)));
    QCOMPARE(a.toBuffer().size(), 16 + bits / 8);
    QVERIFY(!a.toBuffer().contains(char(0xFF)));
    QVERIFY(a != b);
}

void TestAesPair::newKeyBadSize()
{
    for (const quint16 bits : {quint16(0), quint16(192), quint16(32)})
        QCOMPARE(thrownDetail([&] { AesPair::newKey(bits); }), QStringLiteral("The key size must be 128 or 256 bit"));
}

void TestAesPair::shapeQueries_data()
{
    QTest::addColumn<AesPair>("pair");
    QTest::addColumn<bool>("null");
    QTest::addColumn<bool>("compliant16");
    QTest::addColumn<bool>("compliant32");
    QTest::addColumn<int>("keyLength");
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << AesPair() << true << false << false << 0 << "Key size: 0 bit";
    QTest::newRow("AES-128") << AesPair(bytes(16), bytes(16)) << true << true << false << 128 << "Key size: 128 bit";
    QTest::newRow("AES-256") << AesPair(bytes(16), bytes(32)) << false << false << true << 256 << "Key size: 256 bit";
    QTest::newRow("24-byte key") << AesPair::fromBuffer(bytes(40)) << true << false << false << 192
                                 << "Key size: 192 bit";
}

void TestAesPair::shapeQueries()
{
    QFETCH(AesPair, pair);
    QFETCH(bool, null);
    QFETCH(bool, compliant16);
    QFETCH(bool, compliant32);
    QFETCH(int, keyLength);
    QFETCH(QString, text);
    QCOMPARE(pair.isNull(), null);
    QCOMPARE(pair.isAesCompliant(16), compliant16);
    QCOMPARE(pair.isAesCompliant(32), compliant32);
    // The argument counts bytes: bits never match.
    QVERIFY(!pair.isAesCompliant(256));
    QVERIFY(!pair.isAesCompliant(128));
    QVERIFY(!pair.isAesCompliant(24));
    QCOMPARE(pair.keyLength(), quint16(keyLength));
    QCOMPARE(pair.toString(), text);
}

void TestAesPair::equality()
{
    const AesPair a(bytes(16), bytes(32));
    QByteArray otherKey = bytes(32);
    otherKey[31] = char(otherKey[31] ^ 1);
    QByteArray otherIv = bytes(16);
    otherIv[0] = char(otherIv[0] ^ 1);

    QVERIFY(a == AesPair(bytes(16), bytes(32)));
    QVERIFY(!(a != AesPair(bytes(16), bytes(32))));
    QVERIFY(a != AesPair(bytes(16), otherKey));
    QVERIFY(a != AesPair(otherIv, bytes(32)));
    QVERIFY(a != AesPair(bytes(16), bytes(16)));
    QVERIFY(AesPair() == AesPair());

    AesPair copy(a);
    QCOMPARE(copy, a);
    AesPair assigned;
    assigned = a;
    QCOMPARE(assigned, a);
    // A copy outlives its source intact (the destructor wipes only unshared bytes).
    {
        AesPair source(bytes(16), bytes(32));
        copy = source;
    }
    QCOMPARE(copy, a);
}

KOVRIN_TEST_MAIN(TestAesPair)
#include "tst_aespair.moc"
