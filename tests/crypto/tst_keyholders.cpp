#include "AesDecrypter.h"
#include "AesPair.h"
#include "Crypt.h"
#include "InternalKeys.h"
#include "SingleAesKey.h"
#include "TestMain.h"
#include "Thrown.h"

namespace {
const QByteArray Iv = QByteArray::fromHex("000102030405060708090a0b0c0d0e0f");
const QByteArray Key = QByteArray::fromHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
const QString Text = QStringLiteral("Mot de passe : Ça coûte 5 € — 東京 🔑");

const QString DecryptContext = QStringLiteral("void Crypt::decryptAES256CBC(const AesPair&, const QByteArray&, QByteArray&) -> ");

AesPair aes128()
{
    return AesPair(Iv, Key.left(16));
}

// Runs one of the four operations of a holder on small inputs.
enum class Op { EncryptBytes, DecryptBytes, EncryptText, DecryptText };

template<typename Holder>
void run(Holder& holder, Op op)
{
    QByteArray bytesOut;
    QString textOut;
    QByteArray cipher;
    Crypt::getInstance().encryptAES256CBC(AesPair(Iv, Key), QByteArray("x"), cipher);
    switch (op) {
    case Op::EncryptBytes:
        holder.encrypt(QByteArray("x"), bytesOut);
        break;
    case Op::DecryptBytes:
        holder.decrypt(cipher, bytesOut);
        break;
    case Op::EncryptText:
        if constexpr (std::is_same_v<Holder, InternalKeys>)
            holder.encrypt(QStringLiteral("x"), textOut);
        else
            holder.encryptToBase64(QStringLiteral("x"), textOut);
        break;
    case Op::DecryptText:
        if constexpr (std::is_same_v<Holder, InternalKeys>)
            holder.decrypt(QString::fromLatin1(cipher.toBase64()), textOut);
        else
            holder.decryptFromBase64(QString::fromLatin1(cipher.toBase64()), textOut);
        break;
    }
}
} // namespace

Q_DECLARE_METATYPE(Op)

class TestKeyHolders : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void internalKeysBuiltIn();
    void internalKeysRoundTrips();
    void internalKeysConstruction();
    void internalKeysRefuseAes128_data();
    void internalKeysRefuseAes128();
    void engineErrorsPassThrough();
    void decrypterThroughInterface();
    void decrypterRefusesAes128();
    void decrypterRechecksEachCall_data();
    void decrypterRechecksEachCall();
    void registry();
};

void TestKeyHolders::internalKeysBuiltIn()
{
    InternalKeys a;
    InternalKeys b;
    QVERIFY(a.key().isAesCompliant(32));
    QVERIFY(!a.key().isNull());
    QCOMPARE(a.key(), b.key());
    // Not a trivial pattern left by a broken unscrambling.
    const QByteArray buffer = a.key().toBuffer();
    QVERIFY(buffer != QByteArray(48, buffer[0]));
    QString cipher;
    a.encrypt(Text, cipher);
    QString back;
    b.decrypt(cipher, back);
    QCOMPARE(back, Text);
}

void TestKeyHolders::internalKeysRoundTrips()
{
    InternalKeys holder(Iv, Key);
    QCOMPARE(holder.key(), AesPair(Iv, Key));
    QCOMPARE(*holder.keyPtr(), AesPair(Iv, Key));

    QString cipher;
    holder.encrypt(Text, cipher);
    // The text form is the Base64 of the engine's ciphertext of the UTF-8 bytes.
    QByteArray expected;
    Crypt::getInstance().encryptAES256CBC(AesPair(Iv, Key), Text.toUtf8(), expected);
    QCOMPARE(cipher, QString::fromLatin1(expected.toBase64()));
    QString back;
    holder.decrypt(cipher, back);
    QCOMPARE(back, Text);

    QByteArray bytes;
    holder.encrypt(QByteArray("\x00\x01\x02", 3), bytes);
    QByteArray plain;
    holder.decrypt(bytes, plain);
    QCOMPARE(plain, QByteArray("\x00\x01\x02", 3));
}

void TestKeyHolders::internalKeysConstruction()
{
    QCOMPARE(thrownDetail([] { InternalKeys holder(Iv, Key.left(16)); }), QStringLiteral("Invalid key size"));
    QCOMPARE(thrownDetail([] { InternalKeys holder(Iv.left(15), Key); }), QStringLiteral("Invalid key size"));
    InternalKeys fromPair(AesPair(Iv, Key));
    QCOMPARE(fromPair.key(), AesPair(Iv, Key));
}

void TestKeyHolders::internalKeysRefuseAes128_data()
{
    QTest::addColumn<Op>("op");
    QTest::addColumn<QString>("context");
    QTest::newRow("encrypt bytes") << Op::EncryptBytes << "void encrypt(const QByteArray&, QByteArray&) -> ";
    QTest::newRow("decrypt bytes") << Op::DecryptBytes << "void decrypt(const QByteArray&, QByteArray&) -> ";
    QTest::newRow("encrypt text") << Op::EncryptText << "void InternalKeys::encrypt(const QString&, QString&) -> ";
    QTest::newRow("decrypt text") << Op::DecryptText << "bool InternalKeys::decrypt(const string&, string&) -> ";
}

void TestKeyHolders::internalKeysRefuseAes128()
{
    QFETCH(Op, op);
    QFETCH(QString, context);
    InternalKeys holder(aes128()); // accepted without a check
    QCOMPARE(thrownDetail([&] { run(holder, op); }), context + "Invalid key size");
}

void TestKeyHolders::engineErrorsPassThrough()
{
    InternalKeys holder(Iv, Key);
    QString out = QStringLiteral("untouched");
    QString detail = thrownDetail([&] { holder.decrypt(QStringLiteral("bm90IGEgY2lwaGVydGV4dA=="), out); });
    QVERIFY2(detail.startsWith(DecryptContext + "Encryption failed: "), qPrintable(detail));
    QCOMPARE(out, QStringLiteral("untouched"));

    AesDecrypter decrypter(AesPair(Iv, Key));
    detail = thrownDetail([&] { decrypter.decryptFromBase64(QStringLiteral("AAAA"), out); });
    QVERIFY2(detail.startsWith(DecryptContext + "Encryption failed: "), qPrintable(detail));
}

void TestKeyHolders::decrypterThroughInterface()
{
    AesDecrypter decrypter(AesPair(Iv, Key));
    ICrypter& crypter = decrypter;
    QCOMPARE(*decrypter.key(), AesPair(Iv, Key));

    QString cipher;
    crypter.encryptToBase64(Text, cipher);
    QString back;
    crypter.decryptFromBase64(cipher, back);
    QCOMPARE(back, Text);
    // Same pair, same format as the internal holder.
    InternalKeys holder(Iv, Key);
    holder.decrypt(cipher, back);
    QCOMPARE(back, Text);

    QByteArray bytes;
    crypter.encrypt(QByteArray("vault"), bytes);
    QByteArray plain;
    crypter.decrypt(bytes, plain);
    QCOMPARE(plain, QByteArray("vault"));
}

void TestKeyHolders::decrypterRefusesAes128()
{
    QCOMPARE(thrownDetail([] { AesDecrypter decrypter(aes128()); }),
             QStringLiteral("AesDecrypter::AesDecrypter(const AesPair&, QObject*) -> Invalid key size"));
    QCOMPARE(thrownDetail([] { AesDecrypter decrypter{AesPair()}; }),
             QStringLiteral("AesDecrypter::AesDecrypter(const AesPair&, QObject*) -> Invalid key size"));
}

void TestKeyHolders::decrypterRechecksEachCall_data()
{
    QTest::addColumn<Op>("op");
    QTest::addColumn<QString>("context");
    const QString fromBase64 = QStringLiteral("void AesDecrypter::decryptFromBase64(const QString&, QString&) -> ");
    QTest::newRow("encrypt bytes") << Op::EncryptBytes << fromBase64;
    QTest::newRow("decrypt bytes") << Op::DecryptBytes << "void AesDecrypter::decrypt(const QByteArray&, QByteArray&) -> ";
    QTest::newRow("encrypt text") << Op::EncryptText << "void AesDecrypter::encryptToBase64(const QString&, QString&) -> ";
    QTest::newRow("decrypt text") << Op::DecryptText << fromBase64;
}

void TestKeyHolders::decrypterRechecksEachCall()
{
    QFETCH(Op, op);
    QFETCH(QString, context);
    AesDecrypter decrypter(AesPair(Iv, Key));
    run(decrypter, op); // fine with the pair it was given
    *decrypter.key() = aes128();
    QCOMPARE(thrownDetail([&] { run(decrypter, op); }), context + "Invalid key size");
}

void TestKeyHolders::registry()
{
    SingleAesKey& registry = SingleAesKey::getInstance();
    QCOMPARE(&registry, &SingleAesKey::getInstance());
    QVERIFY(registry.contains(QStringLiteral("default")));
    const auto initial = registry.key(QStringLiteral("default"));
    QVERIFY(initial);
    QVERIFY(!initial->isNull());

    QVERIFY(!registry.key(QStringLiteral("unknown")));
    QVERIFY(!registry.contains(QStringLiteral("Default")));

    const AesPair mine(Iv, Key);
    QVERIFY(!registry.setKey(mine, QStringLiteral("default")));
    QVERIFY(!registry.contains(QStringLiteral("default")));
    QVERIFY(!registry.key(QStringLiteral("default")));
    QVERIFY(registry.setKey(mine, QStringLiteral("default")));
    QCOMPARE(*registry.key(QStringLiteral("default")), mine);

    QVERIFY(registry.setKey(aes128(), QStringLiteral("second")));
    QCOMPARE(*registry.key(QStringLiteral("second")), aes128());
    QCOMPARE(*registry.key(QStringLiteral("default")), mine);
}

KOVRIN_TEST_MAIN(TestKeyHolders)
#include "tst_keyholders.moc"
