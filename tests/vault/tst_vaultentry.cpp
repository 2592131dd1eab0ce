#include "Exception.h"
#include "MemoryScan.h"
#include "ModuleTexts.h"
#include "TestMain.h"
#include "VaultEntry.h"
#include "WipeOnExit.h"

#include <QTest>

class TestVaultEntry : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { ModuleTexts::setLanguage(QStringLiteral("en_US")); }

    void encode_data();
    void encode();
    void decode_data();
    void decode();
    void decodeRefused_data();
    void decodeRefused();
    void setters_data();
    void setters();
    void constructorRefuses_data();
    void constructorRefuses();
    void toStringJoinsWithTabs();
    void lostFieldsAreWiped_data();
    void lostFieldsAreWiped();
};

void TestVaultEntry::encode_data()
{
    QTest::addColumn<VaultEntry>("entry");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty comment") << VaultEntry(QStringLiteral("mail"), QStringLiteral("bob"), QStringLiteral("x"), QString())
                                   << QByteArray::fromHex("6D61696C09626F62097809");
    QTest::newRow("name only") << VaultEntry(QStringLiteral("n"), QString(), QString(), QString())
                               << QByteArray("n\t\t\t");
    QTest::newRow("accented") << VaultEntry(QStringLiteral("é"), QStringLiteral("ü"), QStringLiteral("€"), QStringLiteral("🔑"))
                              << QByteArray::fromHex("C3A909C3BC09E282AC09F09F9491");
    // Broken UTF-16 is written as Qt's UTF-8 conversion writes it.
    const QString broken = QStringLiteral("a") + QChar(0xD800) + QStringLiteral("b") + QChar(0xDC00);
    QTest::newRow("lone surrogates") << VaultEntry(broken, broken, QString(), broken)
                                     << broken.toUtf8() + '\t' + broken.toUtf8() + "\t\t" + broken.toUtf8();
    // Lengths are the setters' business: the constructor keeps a long comment.
    QTest::newRow("long comment") << VaultEntry(QStringLiteral("a"), QString(), QString(), QString(600, u'c'))
                                  << QByteArray("a\t\t\t") + QByteArray(600, 'c');
}

void TestVaultEntry::encode()
{
    QFETCH(VaultEntry, entry);
    QFETCH(QByteArray, bytes);
    QCOMPARE(*entry.toBytes(), bytes);
    const auto decoded = VaultEntry::fromBytes(bytes);
    QCOMPARE(decoded->toString(), QString::fromUtf8(bytes));
    if (QString::fromUtf8(bytes) == entry.toString()) // not for broken UTF-16
        QCOMPARE(*decoded, entry);
}

void TestVaultEntry::decode_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("fields");
    QTest::newRow("three parts") << QByteArray("a\tb\tc") << QStringList{"a", "b", "c", ""};
    QTest::newRow("four parts") << QByteArray("a\tb\tc\td") << QStringList{"a", "b", "c", "d"};
    QTest::newRow("empty fields") << QByteArray("a\t\t\t") << QStringList{"a", "", "", ""};
    QTest::newRow("carriage return kept") << QByteArray("a\tb\tc\td\r") << QStringList{"a", "b", "c", "d\r"};
    QTest::newRow("utf-8") << QByteArray("r\xC3\xB4le\tu\tp\t\xE2\x82\xAC")
                           << QStringList{QStringLiteral("rôle"), "u", "p", QStringLiteral("€")};
    QTest::newRow("byte order mark at the start") << QByteArray("\xEF\xBB\xBF" "a\tb\tc")
                                                  << QStringList{QStringLiteral("\uFEFFa"), "b", "c", ""};
    QTest::newRow("byte order mark as the role") << QByteArray("\xEF\xBB\xBF\tb\tc")
                                                 << QStringList{QStringLiteral("\uFEFF"), "b", "c", ""};
    QTest::newRow("invalid utf-8 before a tab") << QByteArray("a\xC3\tb\tc")
                                                << QStringList{QStringLiteral("a\uFFFD"), "b", "c", ""};
}

void TestVaultEntry::decode()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, fields);
    const auto entry = VaultEntry::fromBytes(bytes);
    QCOMPARE(entry->name(), fields[0]);
    QCOMPARE(entry->user(), fields[1]);
    QCOMPARE(entry->password(), fields[2]);
    QCOMPARE(entry->comment(), fields[3]);
}

void TestVaultEntry::decodeRefused_data()
{
    const QString context = QStringLiteral("VaultEntry VaultEntry::fromBytes(const QByteArray&)");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("detail");
    QTest::newRow("empty") << QByteArray() << context + QStringLiteral("Illagal entry buffer");
    QTest::newRow("two parts") << QByteArray("a\tb") << context + QStringLiteral("Illagal entry buffer");
    QTest::newRow("five parts") << QByteArray("a\tb\tc\td\te") << context + QStringLiteral("Illagal entry buffer");
    QTest::newRow("tab in comment") << QByteArray("a\tb\tc\td\tmore") << context + QStringLiteral("Illagal entry buffer");
    QTest::newRow("empty name, 3 parts") << QByteArray("\tb\tc")
                                         << context + QStringLiteral("Entry must have name (empty string forbidden)");
    QTest::newRow("empty name, 4 parts") << QByteArray("\tb\tc\td")
                                         << context + QStringLiteral("Entry must have name (empty string forbidden)");
    QTest::newRow("line feed") << QByteArray("a\tb\tc\td\ne")
                               << context + QStringLiteral("A vault entry cannot hold a tab or a line feed: remove them from the text.");
}

void TestVaultEntry::decodeRefused()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, detail);
    try {
        VaultEntry::fromBytes(bytes);
        QFAIL("no exception");
    } catch (const Exception& e) {
        QCOMPARE(e.detail(), detail);
    }
}

void TestVaultEntry::setters_data()
{
    QTest::addColumn<int>("field"); // 0 name, 1 user, 2 password, 3 comment
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("detail"); // empty: accepted

    const QString userContext = QStringLiteral("void VaultEntry::setUser(const QString&) -> ");
    const QString passwordContext = QStringLiteral("void VaultEntry::setPassword(const QString&) -> ");
    const QString nameContext = QStringLiteral("void VaultEntry::setName(const QString&) -> ");
    const QString forbidden = QStringLiteral("A vault entry cannot hold a tab or a line feed: remove them from the text.");
    QTest::newRow("user 128") << 1 << QString(128, u'u') << QString();
    QTest::newRow("user 129") << 1 << QString(129, u'u') << userContext + QStringLiteral("String too long (greater than 128)");
    QTest::newRow("user empty") << 1 << QString() << QString();
    QTest::newRow("password 128") << 2 << QString(128, u'p') << QString();
    QTest::newRow("password 129") << 2 << QString(129, u'p')
                                  << passwordContext + QStringLiteral("String too long (greater than 128)");
    QTest::newRow("comment 512") << 3 << QString(512, u'c') << QString();
    // The comment setter has always reported under the password setter's name.
    QTest::newRow("comment 513") << 3 << QString(513, u'c')
                                 << passwordContext + QStringLiteral("String too long (greater than 512)");
    // Lengths count UTF-16 code units: 64 keys of two units each are 128.
    QTest::newRow("user 64 surrogate pairs") << 1 << QString(QStringLiteral("🔑")).repeated(64) << QString();
    QTest::newRow("name empty") << 0 << QString()
                                << nameContext + QStringLiteral("Undefined method parameter\u00A0[name]: [VaultEntry]");
    QTest::newRow("name tab") << 0 << QStringLiteral("a\tb") << nameContext + forbidden;
    QTest::newRow("user line feed") << 1 << QStringLiteral("a\nb") << userContext + forbidden;
    QTest::newRow("password tab") << 2 << QStringLiteral("\t") << passwordContext + forbidden;
    QTest::newRow("comment line feed") << 3 << QStringLiteral("two\nlines") << passwordContext + forbidden;
    QTest::newRow("carriage return is fine") << 3 << QStringLiteral("a\rb") << QString();
}

void TestVaultEntry::setters()
{
    QFETCH(int, field);
    QFETCH(QString, value);
    QFETCH(QString, detail);
    VaultEntry entry(QStringLiteral("role"), QStringLiteral("user"), QStringLiteral("password"), QStringLiteral("comment"));
    const VaultEntry before = entry;
    const auto get = [&entry](int f) {
        switch (f) {
        case 0: return entry.name();
        case 1: return entry.user();
        case 2: return entry.password();
        default: return entry.comment();
        }
    };
    try {
        switch (field) {
        case 0: entry.setName(value); break;
        case 1: entry.setUser(value); break;
        case 2: entry.setPassword(value); break;
        default: entry.setComment(value); break;
        }
        QVERIFY2(detail.isEmpty(), "accepted a value that must be refused");
        QCOMPARE(get(field), value);
    } catch (const Exception& e) {
        QCOMPARE(e.detail(), detail);
        QCOMPARE(entry, before);
    }
}

void TestVaultEntry::constructorRefuses_data()
{
    const QString context = QStringLiteral(
        "VaultEntry::VaultEntry(const QString&, const QString&, const QString&, const QString&, QObject*) -> ");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QString>("detail");
    QTest::newRow("null name") << QStringList{QString(), "u", "p", "c"}
                               << context + QStringLiteral("Entry must have name (empty string forbidden)");
    QTest::newRow("empty name") << QStringList{"", "u", "p", "c"}
                                << context + QStringLiteral("Entry must have name (empty string forbidden)");
    QTest::newRow("tab in password") << QStringList{"n", "u", "p\tq", "c"}
                                     << context + QStringLiteral("A vault entry cannot hold a tab or a line feed: remove them from the text.");
    QTest::newRow("line feed in comment") << QStringList{"n", "u", "p", "c\n"}
                                          << context + QStringLiteral("A vault entry cannot hold a tab or a line feed: remove them from the text.");
}

void TestVaultEntry::constructorRefuses()
{
    QFETCH(QStringList, fields);
    QFETCH(QString, detail);
    try {
        VaultEntry entry(fields[0], fields[1], fields[2], fields[3]);
        QFAIL("no exception");
    } catch (const Exception& e) {
        QCOMPARE(e.detail(), detail);
    }
}

void TestVaultEntry::toStringJoinsWithTabs()
{
    const VaultEntry entry(QStringLiteral("r"), QStringLiteral("u"), QString(), QStringLiteral("c"));
    QCOMPARE(entry.toString(), QStringLiteral("r\tu\t\tc"));
    QCOMPARE(VaultEntry().toString(), QStringLiteral("\t\t\t"));
}

// A field the entry lets go of (destroyed, replaced, assigned over) is
// overwritten before its buffer is freed: afterwards the process's memory holds
// the canary nowhere. While the entry still holds it, the scan finds it once.
void TestVaultEntry::lostFieldsAreWiped_data()
{
    QTest::addColumn<int>("field");  // 0 to 3: name, user, password, comment
    QTest::addColumn<QString>("how"); // destroyed, replaced, shortened, neighbour, assigned, copy, decoded
    for (const int field : {0, 1, 2, 3})
        for (const char* how : {"destroyed", "replaced", "shortened", "neighbour", "assigned", "copy", "decoded"})
            QTest::addRow("field %d %s", field, how) << field << QString::fromLatin1(how);
}

void TestVaultEntry::lostFieldsAreWiped()
{
    QFETCH(int, field);
    QFETCH(QString, how);
    QString secret = MemoryScan::canary(QStringLiteral("f"));
    MemoryScan scan;
    scan.add(secret);
    QString fields[4] = {QStringLiteral("role"), QStringLiteral("account"), QStringLiteral("pass"), QString()};
    fields[field] = secret;
    auto entry = std::make_unique<VaultEntry>();
    if (how == u"decoded") {
        // Three fields when the comment holds it, so that the decoder adds the missing tab.
        // ASCII, written in place into room reserved beforehand: no other copy is made.
        QByteArray line;
        line.reserve(256);
        for (int i = 0; i < (field == 3 ? 4 : 3); ++i) {
            if (i)
                line.append('\t');
            for (const QChar c : std::as_const(fields[i]))
                line.append(char(c.unicode()));
        }
        entry = VaultEntry::fromBytes(line);
        WipeOnExit::wipe(line);
    } else {
        *entry = VaultEntry(fields[0], fields[1], fields[2], fields[3]);
    }
    fields[field] = QString();
    WipeOnExit::wipe(secret);
    QCOMPARE(scan.find().size(), 1); // the entry's own copy, UTF-16

    auto setField = [&](int index, const QString& value) {
        switch (index) {
        case 0: entry->setName(value); break;
        case 1: entry->setUser(value); break;
        case 2: entry->setPassword(value); break;
        default: entry->setComment(value); break;
        }
    };
    std::unique_ptr<VaultEntry> copy;
    if (how == u"destroyed" || how == u"decoded") {
        entry.reset();
    } else if (how == u"replaced") {
        setField(field, QStringLiteral("a much longer value than the canary was"));
    } else if (how == u"shortened") {
        setField(field, QStringLiteral("x"));
    } else if (how == u"neighbour") {
        // Another field changes length: the text is rebuilt, the canary moves.
        setField((field + 1) % 4, QStringLiteral("changed"));
        QCOMPARE(scan.find().size(), 1);
        entry.reset();
    } else if (how == u"assigned") {
        *entry = VaultEntry(QStringLiteral("other"), QString(), QString(), QString());
    } else {
        copy = std::make_unique<VaultEntry>(*entry);
        entry.reset();
        QCOMPARE(scan.find().size(), 1); // shared with the copy, still in use
        copy.reset();
    }
    const QList<MemoryScan::Hit> hits = scan.find();
    QVERIFY2(hits.isEmpty(), qPrintable(MemoryScan::describe(hits)));
}

KOVRIN_TEST_MAIN(TestVaultEntry)
#include "tst_vaultentry.moc"
