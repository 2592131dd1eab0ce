#include "LogCapture.h"
#include "ModuleTexts.h"
#include "TestMain.h"
#include "VaultEntry.h"
#include "VaultText.h"

#include <QFile>
#include <QTest>

namespace {
// "name|role|role..." per rack, the form the expectations are written in.
QStringList describe(const VaultText::Parsed& parsed)
{
    QStringList racks;
    for (const VaultText::Segment& segment : parsed.segments) {
        QStringList parts{segment.name};
        for (const VaultEntry* entry : segment.entries)
            parts.append(entry->name());
        racks.append(parts.join(QLatin1Char('|')));
    }
    return racks;
}
} // namespace

class TestVaultText : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { ModuleTexts::setLanguage(QStringLiteral("en_US")); }

    void parse_data();
    void parse();
    void badLinesAreLoggedWithTheirReason();
    void referencePlaintextReadsBackAndWritesIdentically();
    void writtenSegmentsReadBack();
};

void TestVaultText::parse_data()
{
    QTest::addColumn<QByteArray>("plain");
    QTest::addColumn<QStringList>("racks");
    QTest::addColumn<int>("criticals");
    QTest::addColumn<bool>("migrated");

    QTest::newRow("empty") << QByteArray() << QStringList() << 0 << false;
    QTest::newRow("one byte") << QByteArray("x") << QStringList() << 0 << false;
    QTest::newRow("one rack") << QByteArray("\n\nSegment:mail\na\tb\tc\td\n") << QStringList{"mail|a"} << 0 << false;
    QTest::newRow("header only") << QByteArray("\n\nSegment:A\n") << QStringList{"A"} << 0 << false;
    // The empty line in front of the next header is a separator, not a bad entry.
    QTest::newRow("empty rack between racks") << QByteArray("\n\nSegment:A\nx\ty\tz\t\n\n\nSegment:B\n\n\nSegment:C\nc\tu\tp\t\n")
                                              << QStringList{"A|x", "B", "C|c"} << 0 << false;
    QTest::newRow("colon in the name keeps the entries")
        << QByteArray("\n\nSegment:Bank: main\na\tb\tc\td\n\n\nSegment:Next\nn\tu\tp\tc\n")
        << QStringList{"Bank: main|a", "Next|n"} << 0 << false;
    QTest::newRow("five fields between good lines")
        << QByteArray("\n\nSegment:A\na\tb\tc\td\nv\tw\tx\ty\tz\ne\tf\tg\th\n") << QStringList{"A|a|e"} << 1 << false;
    QTest::newRow("two fields and an empty role")
        << QByteArray("\n\nSegment:A\na\tb\n\tb\tc\nok\tb\tc\n") << QStringList{"A|ok"} << 2 << false;
    QTest::newRow("last line without line feed") << QByteArray("\n\nSegment:A\na\tb\tc") << QStringList{"A|a"} << 0 << false;
    QTest::newRow("last header without line feed")
        << QByteArray("\n\nSegment:A\na\tb\tc\td\n\n\nSegment:B") << QStringList{"A|a", "B"} << 0 << false;
    QTest::newRow("lone header without line feed") << QByteArray("\n\nSegment:Solo") << QStringList{"Solo"} << 0 << false;
    QTest::newRow("extra blank lines between racks")
        << QByteArray("\n\nSegment:A\na\tb\tc\n\n\n\n\nSegment:B\nd\te\tf\n") << QStringList{"A|a", "B|d"} << 0 << false;
    QTest::newRow("duplicate names are kept") << QByteArray("\n\nSegment:A\n\n\nSegment:A\n") << QStringList{"A", "A"} << 0 << false;
    QTest::newRow("empty name") << QByteArray("\n\nSegment:\na\tb\tc\n") << QStringList{"|a"} << 0 << false;
    QTest::newRow("utf-8 name") << QByteArray("\n\nSegment:Caf\xC3\xA9\na\tb\tc\n") << QStringList{QStringLiteral("Café|a")} << 0 << false;
    QTest::newRow("flat list migrates") << QByteArray("a\tb\tc\td\ne\tf\tg\n") << QStringList{"Migration|a|e"} << 0 << true;
    QTest::newRow("flat list with a bad line") << QByteArray("a\tb\tc\nbad\ne\tf\tg") << QStringList{"Migration|a|e"} << 1 << true;
    // Text in front of the first header is not part of any rack.
    QTest::newRow("text before the first header")
        << QByteArray("x\ty\tz\n\n\nSegment:A\na\tb\tc\n") << QStringList{"A|a"} << 0 << false;
}

void TestVaultText::parse()
{
    QFETCH(QByteArray, plain);
    QFETCH(QStringList, racks);
    QFETCH(int, criticals);
    QFETCH(bool, migrated);
    LogCapture capture;
    const VaultText::Parsed parsed = VaultText::parse(plain, capture.logger().get());
    QCOMPARE(describe(parsed), racks);
    QCOMPARE(capture.messages(LoggerLevel::Critical).size(), criticals);
    QCOMPARE(capture.lines().size(), criticals);
    QCOMPARE(parsed.migrated, migrated);
}

void TestVaultText::badLinesAreLoggedWithTheirReason()
{
    LogCapture capture;
    VaultText::parse(QByteArray("\n\nSegment:A\na\tb\n\tb\tc\n"), capture.logger().get());
    const QString context = QStringLiteral("VaultEntry VaultEntry::fromBytes(const QByteArray&)");
    QCOMPARE(capture.messages(LoggerLevel::Critical),
             QStringList({context + QStringLiteral("Illagal entry buffer"),
                          context + QStringLiteral("Entry must have name (empty string forbidden)")}));
}

void TestVaultText::referencePlaintextReadsBackAndWritesIdentically()
{
    QFile file(QStringLiteral(KOVRIN_SOURCE_DIR "/tests/vault/data/reference.txt"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray plain = file.readAll();
    LogCapture capture;
    VaultText::Parsed parsed = VaultText::parse(plain, capture.logger().get());
    QCOMPARE(describe(parsed), QStringList({QStringLiteral("Mail|mail|Société Générale"), QStringLiteral("Empty"),
                                            QStringLiteral("Servers|alpha|emoji|spaces")}));
    QVERIFY(capture.lines().isEmpty());
    const VaultEntry& emoji = *parsed.segments[2].entries[1];
    QCOMPARE(emoji.password(), QStringLiteral("🔑key"));
    const VaultEntry& spaces = *parsed.segments[2].entries[2];
    QCOMPARE(spaces.user(), QStringLiteral(" lead"));
    QCOMPARE(spaces.comment(), QStringLiteral("  "));

    QByteArray written;
    for (const VaultText::Segment& segment : parsed.segments)
        VaultText::appendSegment(written, segment.name, segment.entries);
    QCOMPARE(written, plain);
}

void TestVaultText::writtenSegmentsReadBack()
{
    VaultText::Segment a(QStringLiteral("A: with colon"));
    a.entries = {new VaultEntry(QStringLiteral("r1"), QStringLiteral("u"), QStringLiteral("p"), QString()),
                 new VaultEntry(QStringLiteral("r2"), QString(), QString(), QStringLiteral("c"))};
    VaultText::Segment empty(QStringLiteral("Empty"));
    VaultText::Segment b(QStringLiteral("B"));
    b.entries = {new VaultEntry(QStringLiteral("r3"), QStringLiteral("u"), QStringLiteral("p"), QStringLiteral("c"))};
    QByteArray plain;
    for (const VaultText::Segment* segment : {&a, &empty, &b})
        VaultText::appendSegment(plain, segment->name, segment->entries);

    LogCapture capture;
    const VaultText::Parsed parsed = VaultText::parse(plain, capture.logger().get());
    QCOMPARE(describe(parsed), QStringList({"A: with colon|r1|r2", "Empty", "B|r3"}));
    QCOMPARE(*parsed.segments[0].entries[1], *a.entries[1]);
    QVERIFY(capture.lines().isEmpty());
}

KOVRIN_TEST_MAIN(TestVaultText)
#include "tst_vaulttext.moc"
