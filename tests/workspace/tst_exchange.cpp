// The text exchange on its own: the full-vault form written and read, the
// export and the rack import with their boxes, the export file's safety.
#include "Exception.h"
#include "ExchangeText.h"
#include "FilePermissions.h"
#include "FixtureFiles.h"
#include "FileSizeLimit.h"
#include "LogCapture.h"
#include "MessageBoxAnswerer.h"
#include "Model.h"
#include "ModuleTexts.h"
#include "PasswordDisplay.h"
#include "RackModel.h"
#include "TestEnvironment.h"
#include "TestMain.h"
#include "VaultEntry.h"
#include "VaultExchange.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>

#include <sys/stat.h>

namespace {
using FixtureFiles::readAll;
using FixtureFiles::writeFile;

const QString Password = QStringLiteral("Exch-Pw1!");

// Racks as a test writes them: name, then entry lines "role\taccount\tpassword\tcomment".
using Racks = QList<QPair<QString, QStringList>>;

std::shared_ptr<Model> makeModel(QTabWidget* tabs, const QString& fileName, const Racks& racks,
                                 std::shared_ptr<Logger> logger = nullptr)
{
    auto model = std::make_shared<Model>(std::move(logger), fileName, Model::keyFromPassword(Password), tabs);
    for (const auto& [name, lines] : racks) {
        auto* rack = new RackModel(model, name);
        for (const QString& line : lines)
            rack->appendEntry(VaultEntry::fromBytes(line.toUtf8()).release());
        if (!model->addRackModel(rack))
            qFatal("rack refused");
    }
    return model;
}

// "name|role|role" per rack, in order.
QStringList describe(const Model& model)
{
    QStringList out;
    for (const RackModel* rack : *model.racks()) {
        QStringList parts{rack->name()};
        for (const VaultEntry* entry : rack->entries())
            parts.append(entry->name());
        out.append(parts.join(QLatin1Char('|')));
    }
    return out;
}

QStringList texts(const MessageBoxAnswerer& answerer)
{
    QStringList out;
    for (const MessageBoxAnswerer::Seen& seen : answerer.seen())
        out.append(seen.text);
    return out;
}

QString text(const char* key)
{
    return ModuleTexts::text(QLatin1String(key));
}

QStringList trashFiles()
{
    return QDir(TestEnvironment::trash() + QStringLiteral("/files")).entryList(QDir::Files);
}

// Racks made as the workspace makes them, without views: the names of new
// racks are "Rack n", the first free n.
VaultExchange::RackMaker rackMaker(const std::shared_ptr<Model>& model)
{
    VaultExchange::RackMaker maker;
    maker.create = [model](const QString& name) -> RackModel* {
        auto rack = std::make_unique<RackModel>(model, name);
        return model->addRackModel(rack.get()) ? rack.release() : nullptr;
    };
    maker.freeName = [model] {
        for (int n = 1;; ++n)
            if (!model->rackExists(QStringLiteral("Rack %1").arg(n)))
                return QStringLiteral("Rack %1").arg(n);
    };
    return maker;
}

const QByteArray ExampleExport = QByteArray("\n\nrack:A\n\n") + "r1\tu1\tp1\tcaf\xc3\xa9 cr\xc3\xa8me\n"
                                 + "r2\tu2\tp2\t\n" + "\n\nrack:B\n\n";
const Racks ExampleRacks{{"A", {QStringLiteral("r1\tu1\tp1\tcafé crème"), QStringLiteral("r2\tu2\tp2\t")}}, {"B", {}}};
} // namespace

class TestExchange : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void exportWritesTheFullVaultForm();
    void exportChecks_data();
    void exportChecks();
    void exportFailureLeavesNoFile_data();
    void exportFailureLeavesNoFile();
    void exportFileIsOwnerOnly_data();
    void exportFileIsOwnerOnly();

    void fullVaultReading_data();
    void fullVaultReading();
    void badLineStopsFullImport();
    void exportReadsBackAsTheSameVault();
    void exportOfALargeVault();
    void roundTripKeepsEveryByte_data();
    void roundTripKeepsEveryByte();
    void noEntryTextInTheLog();

    void rackImport_data();
    void rackImport();
    void rackImportTwiceRejectsEverything();
    void rackImportChecks_data();
    void rackImportChecks();

    void spacedPasswords_data();
    void spacedPasswords();

private:
    std::unique_ptr<QTabWidget> _tabs;
    std::unique_ptr<QWidget> _parent;
    std::unique_ptr<LogCapture> _log;
    QString _folder;
    QString _vaultFile;
};

void TestExchange::initTestCase()
{
    ModuleTexts::setLanguage(QStringLiteral("en_US"));
    QVERIFY(dropPermissionOverride());
}

void TestExchange::init()
{
    _folder = TestEnvironment::freshDir(QStringLiteral("exchange"));
    _vaultFile = _folder + QStringLiteral("/vault.kovrin");
    _tabs = std::make_unique<QTabWidget>();
    _parent = std::make_unique<QWidget>();
    _log = std::make_unique<LogCapture>();
    QDir(TestEnvironment::trash()).removeRecursively();
}

void TestExchange::cleanup()
{
    _parent.reset();
    _tabs.reset();
    _log.reset();
}

void TestExchange::exportWritesTheFullVaultForm()
{
    const auto model = makeModel(_tabs.get(), _vaultFile, ExampleRacks);
    QLineEdit password(Password);
    const QString target = _folder + QStringLiteral("/out.csv");
    MessageBoxAnswerer answerer;
    QVERIFY(VaultExchange::exportVault(_parent.get(), model.get(), password, target));
    QCOMPARE(readAll(target), ExampleExport);
    QCOMPARE(texts(answerer), QStringList{text("VaultExported").arg(target)});
    QCOMPARE(answerer.last().icon, QMessageBox::Information);
    QVERIFY(password.text().isEmpty());
    QVERIFY(!model->isModified());
}

// Each case: what the password field holds, where the export goes, the answers
// to the boxes; then the boxes seen, whether the export was written and what
// the target holds afterwards.
void TestExchange::exportChecks_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("target"); // relative to the test folder
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::addColumn<QStringList>("keys"); // message keys of the boxes, in order
    QTest::addColumn<bool>("written");

    const QStringList refused{"ExportOverVault"};
    QTest::newRow("no password") << "" << "out.csv" << QMessageBox::Ok << QStringList{"WaitingForPassword"} << false;
    QTest::newRow("wrong password") << "Exch-Pw2!" << "out.csv" << QMessageBox::Ok << QStringList{"WrongPassword"}
                                    << false;
    QTest::newRow("the vault file") << Password << "vault.kovrin" << QMessageBox::Yes << refused << false;
    QTest::newRow("its backup") << Password << "vault.kovrin~" << QMessageBox::Yes << refused << false;
    QTest::newRow("the vault by another path") << Password << "sub/../vault.kovrin" << QMessageBox::Yes << refused
                                               << false;
    QTest::newRow("a link to the vault") << Password << "link.csv" << QMessageBox::Yes << refused << false;
    QTest::newRow("existing file, No") << Password << "old.csv" << QMessageBox::No
                                       << QStringList{"RequestForFileOverwriting"} << false;
    QTest::newRow("existing file, Yes") << Password << "old.csv" << QMessageBox::Yes
                                        << QStringList{"RequestForFileOverwriting", "VaultExported"} << true;
}

void TestExchange::exportChecks()
{
    QFETCH(QString, password);
    QFETCH(QString, target);
    QFETCH(QMessageBox::StandardButton, answer);
    QFETCH(QStringList, keys);
    QFETCH(bool, written);

    const auto model = makeModel(_tabs.get(), _vaultFile, ExampleRacks);
    model->saveVault(true);
    model->saveVault(true); // now with a backup
    const QByteArray vault = readAll(_vaultFile);
    const QByteArray backup = readAll(_vaultFile + QLatin1Char('~'));
    QVERIFY(QDir(_folder).mkdir(QStringLiteral("sub")));
    QVERIFY(QFile::link(_vaultFile, _folder + QStringLiteral("/link.csv")));
    writeFile(_folder + QStringLiteral("/old.csv"), "old export\n");
    const QString path = _folder + QLatin1Char('/') + target;
    const QByteArray before = readAll(path);

    QLineEdit field(password);
    MessageBoxAnswerer answerer({answer});
    QCOMPARE(VaultExchange::exportVault(_parent.get(), model.get(), field, path), written);

    QStringList expected;
    for (const QString& key : keys) {
        const QString message = text(qPrintable(key));
        expected.append(message.contains(QLatin1String("%1")) ? message.arg(path) : message);
    }
    QCOMPARE(texts(answerer), expected);
    QVERIFY(field.text().isEmpty());
    QCOMPARE(readAll(_vaultFile), vault);
    QCOMPARE(readAll(_vaultFile + QLatin1Char('~')), backup);
    QCOMPARE(readAll(path), written ? ExampleExport : before);
    // The replaced export went to the trash, nothing else did.
    QCOMPARE(trashFiles(), written ? QStringList{"old.csv"} : QStringList());
    if (keys.first() == QLatin1String("ExportOverVault"))
        QCOMPARE(answerer.last().icon, QMessageBox::Warning);
}

void TestExchange::exportFailureLeavesNoFile_data()
{
    QTest::addColumn<bool>("limited");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("reason");
    QTest::newRow("file size limit") << true << "FileNotWritable" << "File too large";
    QTest::newRow("folder missing") << false << "FileNotOpened" << "No such file or directory";
}

void TestExchange::exportFailureLeavesNoFile()
{
    QFETCH(bool, limited);
    QFETCH(QString, key);
    QFETCH(QString, reason);
    Racks racks = ExampleRacks;
    for (int i = 0; i < 100; ++i)
        racks[1].second.append(QStringLiteral("role %1\taccount\tpassword %1\tcomment").arg(i));
    const auto model = makeModel(_tabs.get(), _vaultFile, racks);
    const QString target = _folder + (limited ? QStringLiteral("/out.csv") : QStringLiteral("/none/out.csv"));
    QLineEdit field(Password);
    MessageBoxAnswerer answerer;
    std::unique_ptr<FileSizeLimit> limit;
    if (limited) {
        limit = std::make_unique<FileSizeLimit>(1024);
        QVERIFY(limit->active());
    }
    QVERIFY(!VaultExchange::exportVault(_parent.get(), model.get(), field, target));
    limit.reset();
    QCOMPARE(answerer.count(), 1);
    QCOMPARE(answerer.last().icon, QMessageBox::Critical);
    QCOMPARE(answerer.last().text, text(qPrintable(key)).arg(target));
    QVERIFY2(answerer.last().detailedText.contains(reason), qPrintable(answerer.last().detailedText));
    QVERIFY(!QFileInfo::exists(target));
}

void TestExchange::exportFileIsOwnerOnly_data()
{
    QTest::addColumn<int>("mask");
    QTest::newRow("umask 000") << 0;
    QTest::newRow("umask 022") << 022;
    QTest::newRow("umask 277") << 0277;
}

void TestExchange::exportFileIsOwnerOnly()
{
    QFETCH(int, mask);
    const auto model = makeModel(_tabs.get(), _vaultFile, ExampleRacks);
    const QString target = _folder + QStringLiteral("/out.csv");
    QLineEdit field(Password);
    MessageBoxAnswerer answerer;
    const mode_t old = ::umask(mode_t(mask));
    const bool written = VaultExchange::exportVault(_parent.get(), model.get(), field, target);
    ::umask(old);
    QVERIFY(written);
    struct stat info{};
    QCOMPARE(::stat(QFile::encodeName(target).constData(), &info), 0);
    QCOMPARE(int(info.st_mode & 07777), 0600);
    QCOMPARE(readAll(target), ExampleExport);
}

// The reading rules of the full-vault form, through a file read in text mode
// as the full vault import reads it.
void TestExchange::fullVaultReading_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("racks");
    QTest::addColumn<int>("added");
    QTest::addColumn<int>("rejected");
    QTest::addColumn<QStringList>("warnings"); // message keys, in order
    QTest::addColumn<int>("criticals");

    QTest::newRow("export example") << ExampleExport << QStringList{"A|r1|r2", "B"} << 2 << 0 << QStringList() << 0;
    QTest::newRow("CR LF") << QByteArray(ExampleExport).replace("\n", "\r\n") << QStringList{"A|r1|r2", "B"} << 2 << 0
                           << QStringList() << 0;
    QTest::newRow("empty line inside a block")
        << QByteArray("\n\nrack:A\n\na\tu\tp\tc\n\nb\tu\tp\tc\n\n\nrack:B\n\nc\tu\tp\tc\n")
        << QStringList{"A|a", "B|c"} << 2 << 0 << QStringList{"ExchangeTextSkipped"} << 0;
    // "rack:" inside a block is entry text: only a line after the empty line
    // that ends a block (or in front of the first one) is a header.
    QTest::newRow("rack: inside a comment")
        << QByteArray("\n\nrack:A\n\na\tu\tp\tsee rack: Bank\nb\tu\tp\t\n") << QStringList{"A|a|b"} << 2 << 0
        << QStringList() << 0;
    QTest::newRow("rack: inside a comment, racks after it")
        << QByteArray("\n\nrack:A\n\na\tu\tp\tsee rack: Bank\nb\tu\tp\t\n\n\nrack:B\n\nc\tu\tp\tc\n")
        << QStringList{"A|a|b", "B|c"} << 3 << 0 << QStringList() << 0;
    QTest::newRow("role starting with rack:")
        << QByteArray("\n\nrack:A\n\nrack:x\tu\tp\tc\nrack:\tu\tp\t\n") << QStringList{"A|rack:x|rack:"} << 2 << 0
        << QStringList() << 0;
    QTest::newRow("header without its empty line")
        << QByteArray("rack:A\na\tu\tp\tc\n") << QStringList{"A|a"} << 1 << 0 << QStringList() << 0;
    QTest::newRow("byte order mark") << QByteArray("\xEF\xBB\xBFrack:A\n\na\tu\tp\tc\n") << QStringList{"A|a"} << 1
                                     << 0 << QStringList() << 0;
    // Only a file whose first line ends with CR LF has CRs in its line ends.
    QTest::newRow("CR inside a CR LF file")
        << QByteArray("\r\n\r\nrack:A\r\n\r\na\tu\tp\rq\tc\r\n") << QStringList{"A|a"} << 1 << 0 << QStringList()
        << 0;
    QTest::newRow("bytes before the first header")
        << QByteArray("exported on Monday\n\n\nrack:A\n\na\tu\tp\tc\n") << QStringList{"A|a"} << 1 << 0
        << QStringList{"ExchangeTextSkipped"} << 0;
    QTest::newRow("header at the end") << QByteArray("\n\nrack:Z") << QStringList{"Z"} << 0 << 0 << QStringList() << 0;
    // The name is the rest of the header line as written, spaces included.
    QTest::newRow("spaces around the name")
        << QByteArray("\n\nrack: A \n\na\tu\tp\n") << QStringList{" A |a"} << 1 << 0 << QStringList() << 0;
    QTest::newRow("repeated role") << QByteArray("\n\nrack:A\n\na\tu\tp\tc\na\tv\tq\td\nb\tu\tp\tc\n")
                                   << QStringList{"A|a|b"} << 2 << 1 << QStringList() << 1;
    QTest::newRow("repeated rack name merged")
        << QByteArray("\n\nrack:A\n\na\tu\tp\tc\n\n\nrack:B\n\nb\tu\tp\tc\n\n\nrack:A\n\na\tv\tq\td\nc\tu\tp\tc\n")
        << QStringList{"A|a|c", "B|b"} << 3 << 1 << QStringList{"ImportedRackMerged"} << 1;
    QTest::newRow("empty rack names get new racks")
        << QByteArray("\n\nrack:\n\na\tu\tp\tc\n\n\nrack:Rack 1\n\nb\tu\tp\tc\n\n\nrack:\n\nc\tu\tp\tc\n")
        << QStringList{"Rack 1|a|b", "Rack 2|c"} << 3 << 0
        << QStringList{"ImportedRackRenamed", "ImportedRackMerged", "ImportedRackRenamed"} << 0;
    QTest::newRow("no header at all") << QByteArray("\n\n\n") << QStringList() << 0 << 0 << QStringList() << 0;
    QTest::newRow("no header, some text") << QByteArray("a\tu\tp\tc\n") << QStringList() << 0 << 0
                                          << QStringList{"ExchangeTextSkipped"} << 0;
    QTest::newRow("empty file") << QByteArray() << QStringList() << 0 << 0 << QStringList() << 0;
}

void TestExchange::fullVaultReading()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, racks);
    QFETCH(int, added);
    QFETCH(int, rejected);
    QFETCH(QStringList, warnings);
    QFETCH(int, criticals);

    const QString csv = _folder + QStringLiteral("/in.csv");
    writeFile(csv, bytes);
    QFile file(csv);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray read = file.readAll();

    const auto model = makeModel(_tabs.get(), _vaultFile, {});
    int made = -1;
    const VaultExchange::Counts counts =
        VaultExchange::importFullVault(read, *model, rackMaker(model), _log->logger().get(), &made);
    QCOMPARE(describe(*model), racks);
    QCOMPARE(made, int(racks.size()));
    QCOMPARE(counts.added, added);
    QCOMPARE(counts.rejected, rejected);

    QStringList warned;
    for (const QString& line : _log->messages(LoggerLevel::Warning))
        for (const char* key : {"ExchangeTextSkipped", "ImportedRackMerged", "ImportedRackRenamed"})
            if (line.startsWith(VaultExchange::ImportVaultContext + text(key).section(QLatin1Char('%'), 0, 0)))
                warned.append(QLatin1String(key));
    QCOMPARE(warned, warnings);
    QCOMPARE(_log->messages(LoggerLevel::Warning).size(), warnings.size());
    const QStringList critical = _log->messages(LoggerLevel::Critical);
    QCOMPARE(critical.size(), criticals);
    for (const QString& line : critical)
        QVERIFY2(line.startsWith(VaultExchange::ImportVaultContext + QStringLiteral("The entry with the role named [")),
                 qPrintable(line));
    QVERIFY(!model->isModified());
}

// The definition stops the full import at a line that is not an entry; what
// was read before it stays.
void TestExchange::badLineStopsFullImport()
{
    const auto model = makeModel(_tabs.get(), _vaultFile, {});
    const QByteArray bytes("\n\nrack:A\n\na\tu\tp\tc\n\n\nrack:B\n\nb\tu\tp\tc\nnot an entry\nc\tu\tp\tc\n");
    int made = 0;
    try {
        VaultExchange::importFullVault(bytes, *model, rackMaker(model), nullptr, &made);
        QFAIL("a bad line was accepted");
    } catch (const Exception& e) {
        QVERIFY2(e.detail().contains(text("IllegalEntryBuffer")), qPrintable(e.detail()));
    }
    QCOMPARE(describe(*model), (QStringList{"A|a", "B|b"}));
    QCOMPARE(made, 2);
}

void TestExchange::exportReadsBackAsTheSameVault()
{
    Racks racks{{"Mail", {}}, {"Bank: main", {}}, {"Empty", {}}, {"Ünïcode ✓", {}}};
    for (int i = 0; i < 50; ++i) {
        racks[i % 2].second.append(QStringLiteral("role %1\tuser%1@example.com\tP@ss-%1\t").arg(i));
        racks[3].second.append(QStringLiteral("rôle %1\t\tmot de passe\tcommentaire : « %1 »").arg(i));
    }
    const auto model = makeModel(_tabs.get(), _vaultFile, racks);
    const QByteArray bytes = VaultExchange::fullVaultText(*model);
    const auto copy = makeModel(_tabs.get(), _vaultFile + QStringLiteral(".copy"), {});
    int made = 0;
    const auto counts = VaultExchange::importFullVault(bytes, *copy, rackMaker(copy), nullptr, &made);
    QCOMPARE(counts.added, 100);
    QCOMPARE(counts.rejected, 0);
    QCOMPARE(made, 4);
    QCOMPARE(*copy->toPlainText(), *model->toPlainText());
}

// Many times the write buffer, with text of one, two, three and four bytes a
// character, broken UTF-16 at the ends of entries, and one entry larger than
// the buffer on its own: the bytes are those of each line encoded alone.
void TestExchange::exportOfALargeVault()
{
    Racks racks{{"Latin", {}}, {"Ünïcode ✓ 🔑", {}}, {"Huge", {}}};
    for (int i = 0; i < 6000; ++i) {
        racks[0].second.append(QStringLiteral("role %1\tuser%1@example.com\tP@ss-%1\tnote %1").arg(i));
        racks[1].second.append(QStringLiteral("rôle %1\t用户\tmot 🔑 %1\t« %1 » €").arg(i));
    }
    racks[2].second.append(QStringLiteral("big\tu\tp\t") + QString(500000, QChar(0x20AC)));
    racks[2].second.append(QStringLiteral("after\tu\tp\t"));
    const auto model = makeModel(_tabs.get(), _vaultFile, racks);
    // Lone surrogates at both ends of the fields, which a file read never gives.
    const QString lone = QString(QChar(0xDC00)) + QStringLiteral("x") + QChar(0xD800);
    model->racks()->at(1)->appendEntry(new VaultEntry(lone, lone, QStringLiteral("p"), lone));
    QByteArray expected;
    for (const RackModel* rack : *model->racks()) {
        expected += "\n\nrack:" + rack->name().toUtf8() + "\n\n";
        for (const VaultEntry* entry : rack->entries())
            expected += *entry->toBytes() + '\n';
    }
    QVERIFY(expected.size() > 1024 * 1024);

    const QString target = _folder + QStringLiteral("/large.csv");
    QString error;
    QCOMPARE(VaultExchange::exportToFile(*model, target, &error), VaultExchange::Written::Done);
    QVERIFY(error.isEmpty());
    QCOMPARE(readAll(target), expected);
}

// Whatever a field holds, an export read back by the full import gives the
// same racks, in the same order, with the same bytes in every field.
void TestExchange::roundTripKeepsEveryByte_data()
{
    QTest::addColumn<QString>("value");
    const QStringList values{
        "rack:", "rack:Bank", " rack:x", "see rack: Bank", "p\rq", "ends with CR\r", "\rstarts with CR", "\r",
        "  spaces at both ends  ", " ", "\U0001F600 non-BMP \U0001D11E", "e\u0301 combining \u0651", "\u00A0nbsp\u00A0",
        "\uFEFFmark", "rack:\r", "\r\r\r"};
    for (const QString& value : values) {
        QString label = value;
        QTest::newRow(qPrintable(label.replace(QLatin1Char('\r'), QStringLiteral("<CR>")))) << value;
    }
}

void TestExchange::roundTripKeepsEveryByte()
{
    QFETCH(QString, value);
    // The value in each field in turn, and as the name of a rack between an
    // empty rack and a rack whose name has spaces at its ends.
    QStringList lines{value + QStringLiteral("\tu\tp\tc"), QStringLiteral("a\t%1\tp\tc").arg(value),
                      QStringLiteral("b\tu\t%1\tc").arg(value), QStringLiteral("c\tu\tp\t%1").arg(value)};
    const Racks racks{{"Empty", {}}, {value, lines}, {" spaced ", lines}, {"Last", {}}};
    const auto model = makeModel(_tabs.get(), _vaultFile, racks);
    QCOMPARE(model->rackCount(), 4);

    const QString csv = _folder + QStringLiteral("/out.csv");
    QString error;
    QCOMPARE(VaultExchange::exportToFile(*model, csv, &error), VaultExchange::Written::Done);
    QFile file(csv);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();

    const auto copy = makeModel(_tabs.get(), _vaultFile + QStringLiteral(".copy"), {});
    int made = 0;
    const auto counts = VaultExchange::importFullVault(bytes, *copy, rackMaker(copy), _log->logger().get(), &made);
    QCOMPARE(made, 4);
    QCOMPARE(counts.added, 8);
    QCOMPARE(counts.rejected, 0);
    QCOMPARE(copy->rackNames(), model->rackNames());
    for (qsizetype r = 0; r < model->racks()->size(); ++r) {
        const QList<VaultEntry*> want = model->racks()->at(r)->entries();
        const QList<VaultEntry*> got = copy->racks()->at(r)->entries();
        QCOMPARE(got.size(), want.size());
        for (qsizetype e = 0; e < want.size(); ++e)
            QCOMPARE(got[e]->toString(), want[e]->toString());
    }
    QVERIFY(_log->messages(LoggerLevel::Warning).isEmpty());
}

// Entry text never reaches the log, whatever the comments hold.
void TestExchange::noEntryTextInTheLog()
{
    const QString secret = QStringLiteral("Zq7-secret");
    const QByteArray bytes = QStringLiteral("\n\nrack:A\n\na\tu\t%1pw\tsee rack:%1c\nb\tu\t%1pw\t\n"
                                            "\n\nrack:B\n\nc\t%1u\t%1pw\track:\n\n\n\n%1 stray\n")
                                 .arg(secret)
                                 .toUtf8();
    const auto model = makeModel(_tabs.get(), _vaultFile, {});
    VaultExchange::importFullVault(bytes, *model, rackMaker(model), _log->logger().get(), nullptr);
    QCOMPARE(describe(*model), (QStringList{"A|a|b", "B|c"}));
    for (const LoggerLevel::LogLevel level : {LoggerLevel::Warning, LoggerLevel::Critical})
        for (const QString& line : _log->messages(level))
            QVERIFY2(!line.contains(secret), qPrintable(line));
    QCOMPARE(_log->messages(LoggerLevel::Warning).size(), 1); // the stray text after the blocks
}

void TestExchange::rackImport_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("entries"); // the rack's entries afterwards, as text
    QTest::addColumn<int>("added");
    QTest::addColumn<int>("rejected");

    const QString longPassword(200, QLatin1Char('x'));
    QTest::newRow("three good, a blank and two fields")
        << QByteArray("a\tu\tp\tc\nb\tu\tp\n\nc\t\t\tc\nd\tu\n")
        << QStringList{"old\tu\tp\t", "a\tu\tp\tc", "b\tu\tp\t", "c\t\t\tc"} << 3 << 2;
    QTest::newRow("CR LF") << QByteArray("a\tu\tp\tc\r\nb\tu\tp\tc\r\n")
                           << QStringList{"old\tu\tp\t", "a\tu\tp\tc", "b\tu\tp\tc"} << 2 << 0;
    QTest::newRow("CR inside a field") << QByteArray("a\tu\tp\rq\tc\r\n")
                                       << QStringList{"old\tu\tp\t", "a\tu\tp\rq\tc"} << 1 << 0;
    QTest::newRow("trailing tab, two trailing tabs")
        << QByteArray("a\tu\tp\t\nb\tu\t\t\n") << QStringList{"old\tu\tp\t", "a\tu\tp\t"} << 1 << 1;
    QTest::newRow("existing role, last line without LF")
        << QByteArray("old\tx\ty\tz\nn\tu\tp\tc") << QStringList{"old\tu\tp\t", "n\tu\tp\tc"} << 1 << 1;
    QTest::newRow("password over 128 characters")
        << (QByteArray("long\tu\t") + longPassword.toUtf8() + "\tc\n")
        << QStringList{"old\tu\tp\t", "long\tu\t" + longPassword + "\tc"} << 1 << 0;
    QTest::newRow("empty file") << QByteArray() << QStringList{"old\tu\tp\t"} << 0 << 0;
}

void TestExchange::rackImport()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, entries);
    QFETCH(int, added);
    QFETCH(int, rejected);

    const auto model = makeModel(_tabs.get(), _vaultFile, {{"Mail", {"old\tu\tp\t"}}});
    const QString csv = _folder + QStringLiteral("/in.csv");
    writeFile(csv, bytes);
    QLineEdit field(csv);
    RackModel* shown = nullptr;
    MessageBoxAnswerer answerer;
    VaultExchange::importRack(_parent.get(), model, field, QStringLiteral("Mail"), nullptr,
                              [&](RackModel& rack) { shown = &rack; });
    QCOMPARE(texts(answerer), QStringList{text("ImportResult").arg(added).arg(rejected)});
    QCOMPARE(answerer.last().detailedText, text("LookLog"));
    QCOMPARE(answerer.last().icon, QMessageBox::Information);
    RackModel* rack = model->rackModel(QStringLiteral("Mail"));
    QCOMPARE(shown, rack);
    QStringList got;
    for (const VaultEntry* entry : rack->entries())
        got.append(entry->toString());
    QCOMPARE(got, entries);
    QCOMPARE(model->isModified(), added > 0);
}

void TestExchange::rackImportTwiceRejectsEverything()
{
    const auto model = makeModel(_tabs.get(), _vaultFile, {{"Mail", {}}}, _log->logger());
    const QString csv = _folder + QStringLiteral("/in.csv");
    writeFile(csv, "a\tu\tp\tc\nb\tu\tp\n\nc\t\t\tc\nd\tu\n");
    QLineEdit field(csv);
    {
        MessageBoxAnswerer answerer;
        VaultExchange::importRack(_parent.get(), model, field, QStringLiteral("Mail"), nullptr, nullptr);
        QCOMPARE(answerer.last().text, text("ImportResult").arg(3).arg(2));
    }
    model->resetModified();
    MessageBoxAnswerer answerer;
    VaultExchange::importRack(_parent.get(), model, field, QStringLiteral("Mail"), nullptr, nullptr);
    QCOMPARE(answerer.last().text, text("ImportResult").arg(0).arg(5));
    QVERIFY(!model->isModified());
    QCOMPARE(model->rackModel(QStringLiteral("Mail"))->entryCount(), 3);
    // Every rejection is logged with its reason: two bad lines each time, then
    // the three known roles.
    const QStringList logged = _log->messages(LoggerLevel::Critical);
    QCOMPARE(logged.size(), 7);
    for (const QString& line : logged)
        QVERIFY2(line.startsWith(VaultExchange::ImportRackContext), qPrintable(line));
    for (const char* role : {"a", "b", "c"})
        QVERIFY(logged.contains(VaultExchange::ImportRackContext + text("RoleAlreadyExists").arg(QLatin1String(role))));
}

void TestExchange::rackImportChecks_data()
{
    QTest::addColumn<QString>("source"); // "" none, "missing", or a file with one entry
    QTest::addColumn<QString>("rackName");
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QStringList>("racks");
    QTest::addColumn<bool>("modified");

    QTest::newRow("no file name") << "" << "Mail" << QMessageBox::Ok << QStringList{"ImportFileMustBeDefined"}
                                  << QStringList{"Mail"} << false;
    QTest::newRow("missing file") << "missing" << "Mail" << QMessageBox::Ok << QStringList{"FileNotReadable"}
                                  << QStringList{"Mail"} << false;
    QTest::newRow("new rack refused") << "one.csv" << "New" << QMessageBox::No
                                      << QStringList{"RequestForRackCreation"} << QStringList{"Mail"} << false;
    QTest::newRow("new rack made") << "one.csv" << "New" << QMessageBox::Yes
                                   << QStringList{"RequestForRackCreation", "ImportResult"}
                                   << QStringList{"Mail", "New|a"} << true;
    // The new rack alone is a change, like Alt+R.
    QTest::newRow("new rack made, nothing added")
        << "empty.csv" << "New" << QMessageBox::Yes << QStringList{"RequestForRackCreation", "ImportResult"}
        << QStringList{"Mail", "New"} << true;
}

void TestExchange::rackImportChecks()
{
    QFETCH(QString, source);
    QFETCH(QString, rackName);
    QFETCH(QMessageBox::StandardButton, answer);
    QFETCH(QStringList, keys);
    QFETCH(QStringList, racks);
    QFETCH(bool, modified);

    const auto model = makeModel(_tabs.get(), _vaultFile, {{"Mail", {}}});
    writeFile(_folder + QStringLiteral("/one.csv"), "a\tu\tp\tc\n");
    writeFile(_folder + QStringLiteral("/empty.csv"), "");
    const QString path = source.isEmpty() ? QString() : _folder + QLatin1Char('/') + source;
    QLineEdit field(path);
    MessageBoxAnswerer answerer({answer, QMessageBox::Ok});
    VaultExchange::importRack(_parent.get(), model, field, rackName,
                              rackMaker(model).create, nullptr);
    QCOMPARE(answerer.count(), keys.size());
    for (int i = 0; i < keys.size(); ++i)
        QVERIFY2(answerer.seen().at(i).text.startsWith(text(qPrintable(keys[i])).section(QLatin1Char('['), 0, 0)
                                                            .section(QLatin1Char('%'), 0, 0)),
                 qPrintable(answerer.seen().at(i).text));
    if (source == QLatin1String("missing")) {
        QCOMPARE(answerer.last().icon, QMessageBox::Warning);
        QCOMPARE(answerer.last().text, text("FileNotReadable").arg(path));
        QVERIFY(!answerer.last().detailedText.isEmpty());
    }
    QCOMPARE(describe(*model), racks);
    QCOMPARE(model->isModified(), modified);
}

void TestExchange::spacedPasswords_data()
{
    QTest::addColumn<QStringList>("passwords");
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("spaced");
    QTest::newRow("none") << QStringList() << "" << "";
    QTest::newRow("1 character") << QStringList{"a"} << "a" << "a";
    QTest::newRow("3 characters") << QStringList{"abc"} << "abc" << "abc";
    QTest::newRow("4 characters") << QStringList{"abcd"} << "abcd" << "abc d";
    QTest::newRow("8 characters") << QStringList{"abcdefgh"} << "abcdefgh" << "abc def gh";
    QTest::newRow("11 characters") << QStringList{"abcdefghijk"} << "abcdefghijk" << "abc def ghi jk";
    QTest::newRow("12 characters, then 2") << QStringList{"abcdefghijkl", "xy"} << "abcdefghijkl\nxy"
                                           << "abc def ghi jkl\nxy";
}

void TestExchange::spacedPasswords()
{
    QFETCH(QStringList, passwords);
    QFETCH(QString, plain);
    QFETCH(QString, spaced);
    QCOMPARE(PasswordDisplay::text(passwords, false), plain);
    QCOMPARE(PasswordDisplay::text(passwords, true), spaced);
}

KOVRIN_TEST_MAIN(TestExchange)
#include "tst_exchange.moc"
