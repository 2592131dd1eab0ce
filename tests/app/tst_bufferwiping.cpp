// The buffers the program wipes itself, checked with the wiping of freed blocks
// switched off while the code under test runs: the imports' text, lines and
// temporaries, and the passwords the generator proposes. Each test first finds
// its canaries where they must be (in the entries made, in the proposals
// shown), so that the scan can see them, then finds none once they are used
// up. Freed blocks are wiped again before any buffer of the test itself goes.
#include "Exception.h"
#include "FreeWiping.h"
#include "MemoryScan.h"
#include "Model.h"
#include "RackFixture.h"
#include "RackModel.h"
#include "Startup.h"
#include "TestMain.h"
#include "VaultEntry.h"
#include "VaultExchange.h"
#include "WipeOnExit.h"

#include <QBuffer>
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QScopeGuard>
#include <QTabWidget>

#include <memory>
#include <set>

namespace {
// Appends an ASCII text byte by byte, so that no temporary copy of a canary is made.
void appendAscii(QByteArray& out, const QString& text)
{
    for (const QChar c : text)
        out.append(char(c.unicode()));
}

std::set<int> found(const MemoryScan& scan)
{
    std::set<int> canaries;
    for (const MemoryScan::Hit& hit : scan.find())
        canaries.insert(hit.canary);
    return canaries;
}

// Canaries of a line: account, password, comment.
constexpr int PerLine = 3;

// What the file of a row holds, line by line.
enum class Line { Entry, Bad, DuplicateRole };
} // namespace
Q_DECLARE_METATYPE(QList<Line>)

class TestBufferWiping : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void imports_data();
    void imports();
    void replacedProposals();

private:
    // Canaries for every line, and the text of the file (single-rack form, or
    // under one rack header for the full import), accepted lines first seen.
    QByteArray fileText(const QList<Line>& lines, bool full, MemoryScan& scan, QList<QString>& canaries) const;
};

void TestBufferWiping::initTestCase()
{
    if (FreeWiping::mode() != FreeWiping::Mode::Hook)
        QSKIP("freed blocks are wiped by the sanitizer's allocator or not at all here: nothing to switch off");
    Startup::setupLanguage(QStringLiteral("en_US"));
}

QByteArray TestBufferWiping::fileText(const QList<Line>& lines, bool full, MemoryScan& scan,
                                      QList<QString>& canaries) const
{
    QByteArray text;
    text.reserve(4096);
    if (full)
        text.append("\n\nrack:Imported\n\n");
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i] == Line::DuplicateRole)
            text.append("twice");
        else
            text.append("role ").append(QByteArray::number(i));
        for (int f = 0; f < PerLine; ++f) {
            canaries.append(MemoryScan::canary(QStringLiteral("L%1F%2").arg(i).arg(f)));
            scan.add(canaries.constLast());
            text.append('\t');
            appendAscii(text, canaries.constLast());
        }
        if (lines[i] == Line::Bad)
            text.append("\tfifth field");
        text.append('\n');
    }
    return text;
}

void TestBufferWiping::imports_data()
{
    QTest::addColumn<bool>("full");
    QTest::addColumn<QList<Line>>("lines");
    const QList<Line> mixed{Line::Entry, Line::DuplicateRole, Line::Bad, Line::DuplicateRole, Line::Entry};
    QTest::newRow("rack import: entries, bad lines, a duplicate role") << false << mixed;
    QTest::newRow("full import: entries and a duplicate role")
        << true << QList<Line>{Line::Entry, Line::DuplicateRole, Line::DuplicateRole, Line::Entry};
    // The bad line stops the import: the entries before it came in.
    QTest::newRow("full import stopped by a bad line") << true << mixed;
}

// Both imports read the file whole (the rack import then line by line from
// the text), as the workspace reads it; the rejected lines and the buffers go at once,
// the entries with their rack.
void TestBufferWiping::imports()
{
    QFETCH(bool, full);
    QFETCH(QList<Line>, lines);
    MemoryScan scan;
    QList<QString> canaries;
    QByteArray text = fileText(lines, full, scan, canaries);
    const QString fileName = TestEnvironment::freshDir(QStringLiteral("import")) + QStringLiteral("/in.csv");
    {
        QFile out(fileName);
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        QCOMPARE(out.write(text), text.size());
    }
    WipeOnExit::wipe(text);
    for (QString& canary : canaries)
        WipeOnExit::wipe(canary);
    QVERIFY2(found(scan).empty(), "the canaries are left over from writing the file");

    QTabWidget tabs;
    auto model = std::make_shared<Model>(nullptr, QStringLiteral("unused.kovrin"), Model::keyFromPassword(QStringLiteral("pw")), &tabs);
    auto* target = new RackModel(model, QStringLiteral("Imported"));
    QVERIFY(model->addRackModel(target));
    const VaultExchange::RackMaker racks{[](const QString&) -> RackModel* { return nullptr; },
                                         [] { return QStringLiteral("Rack 1"); }, {}};
    {
        // Read as both imports read their file; the callers hold the text
        // under WipeOnExit, as here.
        QByteArray bytes;
        QString error;
        qint64 size = 0;
        FreeWiping::setEnabled(false);
        const auto wipeAgain = qScopeGuard([] { FreeWiping::setEnabled(true); });
        QCOMPARE(VaultExchange::readImportFile(fileName, bytes, &error, &size), VaultExchange::Source::Read);
        const WipeOnExit wipeBytes(bytes);
        try {
            if (full) {
                VaultExchange::importFullVault(bytes, *model, racks, nullptr, nullptr);
            } else {
                QBuffer file(&bytes);
                QVERIFY(file.open(QIODevice::ReadOnly));
                VaultExchange::importLines(file, *target, nullptr);
            }
        } catch (const Exception&) {
            // A bad line stops the full import.
        }
    }

    // The entries that came in hold their canaries, and nothing else does.
    std::set<int> accepted;
    bool stopped = false;
    std::set<QString> roles;
    for (qsizetype i = 0; i < lines.size() && !stopped; ++i) {
        if (lines[i] == Line::Bad) {
            stopped = full;
            continue;
        }
        if (!roles.insert(lines[i] == Line::DuplicateRole ? QStringLiteral("twice") : QString::number(i)).second)
            continue;
        for (int f = 0; f < PerLine; ++f)
            accepted.insert(int(i) * PerLine + f);
    }
    QCOMPARE(target->entryCount(), qsizetype(roles.size()));
    QCOMPARE(found(scan), accepted);

    model.reset();
    QCOMPARE(found(scan), std::set<int>());
}

// Proposals replaced by the next generation go at once; the last ones, and
// what was typed in the form, with the rack.
void TestBufferWiping::replacedProposals()
{
    auto fixture = std::make_unique<RackFixture>(QList<RackFixture::Row>{{"mail", "bob", "pw", ""}});
    Rack* rack = fixture->rack();
    rack->onCollapseNewEntry();
    auto* proposals = fixture->child<QComboBox>("_cbxPassword");
    auto* generate = fixture->child<QPushButton>("_btnGenerator");
    QVERIFY(proposals && generate);

    // The edit field shows the first proposal through copies of Qt's own (its
    // display text), which only the wiping of freed blocks reaches: the user
    // types a password of their own first, and the proposals are the program's
    // alone.
    const auto takeProposals = [&](MemoryScan& scan) {
        for (int i = 0; i < proposals->count(); ++i)
            scan.add(proposals->itemText(i));
        proposals->setEditText(QStringLiteral("typed instead"));
    };
    QTest::mouseClick(generate, Qt::LeftButton);
    QVERIFY(proposals->count() > 1);
    MemoryScan first;
    takeProposals(first);
    QCOMPARE(int(found(first).size()), proposals->count());

    FreeWiping::setEnabled(false);
    QTest::mouseClick(generate, Qt::LeftButton);
    FreeWiping::setEnabled(true);
    QVERIFY(proposals->count() > 1);
    QVERIFY2(found(first).empty(), qPrintable(MemoryScan::describe(first.find())));

    // Proposed again with the wiping of freed blocks on: the copies Qt made
    // on the way in are gone, the proposals stay.
    QTest::mouseClick(generate, Qt::LeftButton);
    MemoryScan last;
    takeProposals(last);
    QCOMPARE(int(found(last).size()), proposals->count());
    FreeWiping::setEnabled(false);
    const auto wipeAgain = qScopeGuard([] { FreeWiping::setEnabled(true); });
    fixture.reset();
    FreeWiping::setEnabled(true);
    QVERIFY2(found(last).empty(), qPrintable(MemoryScan::describe(last.find())));
}

KOVRIN_TEST_MAIN(TestBufferWiping)
#include "tst_bufferwiping.moc"
