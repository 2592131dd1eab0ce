#include "Exception.h"
#include "Log.h"
#include "Logger.h"
#include "Properties.h"
#include "PropertiesTestFiles.h"
#include "TestMain.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace {

QString loadError(const QString& fileName, qint64 maxLineLength = 0)
{
    try {
        Properties::loadProperties(fileName, maxLineLength);
    } catch (const Exception& e) {
        return e.detail();
    }
    return QString();
}

const QString loadContext = QStringLiteral("Properties Properties::loadProperties(const QString&) -> ");
const QString saveContext =
    QStringLiteral("void Properties::saveProperties(const QString&, QMap<QString,QString>&, bool) -> ");
const QString buildContext = QStringLiteral("shared_ptr<Logger> Logger::buildLog(const QMap<QString,QString>&) -> ");

} // namespace

class TestProperties : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void lineRules_data();
    void lineRules();
    void maxLineLength_data();
    void maxLineLength();
    void duplicateLine();
    void loadFailures();
    void saveAndReload();
    void saveWithoutOverwrite();
    void saveWithOverwrite();
    void saveFailureKeepsOldFile();
    void unwritableEntries_data();
    void unwritableEntries();
    void mapOperations();
    void missingKey_data();
    void missingKey();
    void sharingAndCopies();
    void buildLogDefaults();
    void buildLogSettings_data();
    void buildLogSettings();
    void buildLogInvalidNumber_data();
    void buildLogInvalidNumber();
    void buildLogFallsBack();
    void banner();
};

void TestProperties::lineRules_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<Map>("expected");

    QTest::newRow("only line ends trimmed") << QByteArray("  a  =  b  c  \n") << Map{{"a  ", "  b  c"}};
    QTest::newRow("tabs and CRLF") << QByteArray("\tk=v\t\r\n") << Map{{"k", "v"}};
    QTest::newRow("empty value") << QByteArray("x=\n") << Map{{"x", ""}};
    QTest::newRow("blank value") << QByteArray("x=   \n") << Map{{"x", ""}};
    QTest::newRow("empty key") << QByteArray("=y\n") << Map{{"", "y"}};
    QTest::newRow("split at first =") << QByteArray("a=b=c\n") << Map{{"a", "b=c"}};
    QTest::newRow("comment") << QByteArray("# a=b\nk=v\n") << Map{{"k", "v"}};
    QTest::newRow("indented comment") << QByteArray("   # a=b\n") << Map{};
    QTest::newRow("hash inside key") << QByteArray("a#=b\n") << Map{{"a#", "b"}};
    QTest::newRow("no equals skipped") << QByteArray("lonely\nk=v\n") << Map{{"k", "v"}};
    QTest::newRow("empty and blank lines") << QByteArray("\n\n  \t\nk=v") << Map{{"k", "v"}};
    QTest::newRow("utf-8") << QByteArray("cl\xc3\xa9=\xc3\xa9t\xc3\xa9\n") << Map{{"clé", "été"}};
    QTest::newRow("byte order mark") << QByteArray("\xef\xbb\xbfk=v\n") << Map{{"k", "v"}};
    QTest::newRow("keys ordered by code unit") << QByteArray("b=1\na=2\nB=3\n")
                                               << Map{{"B", "3"}, {"a", "2"}, {"b", "1"}};
    QTest::newRow("empty file") << QByteArray() << Map{};
}

void TestProperties::lineRules()
{
    QFETCH(QByteArray, content);
    QFETCH(Map, expected);
    const QString fileName = TestEnvironment::freshDir(QStringLiteral("lineRules")) + QStringLiteral("/p.properties");
    writeFile(fileName, content);
    const auto properties = Properties::loadProperties(fileName, 0);
    QCOMPARE(entries(*properties), entries(expected));
    QCOMPARE(properties->keyBegin() == properties->keyEnd(), expected.isEmpty());
}

void TestProperties::maxLineLength_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<qint64>("maxLineLength");
    QTest::addColumn<Map>("expected");

    const QByteArray longValue(5000, 'v');
    QTest::newRow("0 is unlimited") << QByteArray("key=" + longValue + "\n") << qint64(0)
                                    << Map{{"key", QString::fromLatin1(longValue)}};
    // "ab=c" | "defg" (no "=") | "=h"
    QTest::newRow("pieces are lines") << QByteArray("ab=cdefg=h\n") << qint64(4) << Map{{"ab", "c"}, {"", "h"}};
    // "k=v " | "  x=" | "y": each piece is trimmed on its own.
    QTest::newRow("pieces trimmed") << QByteArray("k=v   x=y\n") << qint64(4) << Map{{"k", "v"}, {"x", ""}};
    QTest::newRow("line of exactly the length") << QByteArray("a=b\nc=d\n") << qint64(3)
                                                << Map{{"a", "b"}, {"c", "d"}};
    // The length counts characters, not UTF-8 bytes.
    QTest::newRow("characters not bytes") << QByteArray("\xc3\xa9=\xc3\xa0\xc3\xbc\n") << qint64(4)
                                          << Map{{"é", "àü"}};
    // "\U0001F511" is two UTF-16 units: the piece takes both.
    QTest::newRow("character outside the BMP")
        << QByteArray("k=a\xf0\x9f\x94\x91" "b=c\n") << qint64(4) << Map{{"k", "a\U0001F511"}, {"b", "c"}};
    QTest::newRow("negative is unlimited") << QByteArray("key=value\n") << qint64(-3) << Map{{"key", "value"}};
}

void TestProperties::maxLineLength()
{
    QFETCH(QByteArray, content);
    QFETCH(qint64, maxLineLength);
    QFETCH(Map, expected);
    const QString fileName = TestEnvironment::freshDir(QStringLiteral("maxLine")) + QStringLiteral("/p.properties");
    writeFile(fileName, content);
    QCOMPARE(entries(*Properties::loadProperties(fileName, maxLineLength)), entries(expected));
}

void TestProperties::duplicateLine()
{
    const QString dir = TestEnvironment::freshDir(QStringLiteral("duplicateLine"));
    const QString fileName = dir + QStringLiteral("/p.properties");
    const QString duplicate = loadContext + QStringLiteral("Property [k] already exists (duplicate prohibited)");

    writeFile(fileName, "k=1\nother=x\nk=2\n");
    QCOMPARE(loadError(fileName), duplicate);
    // Trimming the line makes both keys "k".
    writeFile(fileName, "k=1\n   k=2\n");
    QCOMPARE(loadError(fileName), duplicate);
    // A split line can repeat a key too.
    writeFile(fileName, "k=1k=2\n");
    QCOMPARE(loadError(fileName, 3), duplicate);
    // Keys differ by case and by blanks before "=".
    writeFile(fileName, "k=1\nK=2\nk =3\n");
    QCOMPARE(entries(*Properties::loadProperties(fileName)), entries(Map{{"K", "2"}, {"k", "1"}, {"k ", "3"}}));
}

void TestProperties::loadFailures()
{
    const QString dir = TestEnvironment::freshDir(QStringLiteral("loadFailures"));
    const QString missing = dir + QStringLiteral("/missing.properties");
    QCOMPARE(loadError(missing), loadContext + QStringLiteral("File [%1] doesn't exist").arg(missing));
    // A directory exists and is readable but cannot be opened as a file.
    QCOMPARE(loadError(dir), loadContext + QStringLiteral("File [%1] isn't readable").arg(dir));

    const QString locked = dir + QStringLiteral("/locked.properties");
    writeFile(locked, "k=v\n");
    QVERIFY(QFile::setPermissions(locked, QFileDevice::WriteOwner));
    if (QFile file(locked); file.open(QIODevice::ReadOnly))
        QSKIP("file permissions are not enforced for this user");
    QCOMPARE(loadError(locked), loadContext + QStringLiteral("File [%1] isn't readable").arg(locked));
}

void TestProperties::saveAndReload()
{
    const QString fileName =
        TestEnvironment::freshDir(QStringLiteral("saveAndReload")) + QStringLiteral("/p.properties");
    const Map map{{"b", "x=y"}, {"a", ""}, {"", "empty key"}, {"clé", "été # not a comment"}, {"a.b c", "1 2"}};
    Properties(map).saveProperties(fileName, false);
    QCOMPARE(readFile(fileName),
             QByteArray("=empty key\na=\na.b c=1 2\nb=x=y\ncl\xc3\xa9=\xc3\xa9t\xc3\xa9 # not a comment\n"));
    QCOMPARE(entries(*Properties::loadProperties(fileName)), entries(map));

    // A first key starting with U+FEFF, the byte order mark's character.
    const Map marked{{QStringLiteral("\ufeffk"), "v"}};
    Properties::saveProperties(fileName, marked, true);
    QCOMPARE(entries(*Properties::loadProperties(fileName)), entries(marked));
}

void TestProperties::saveWithoutOverwrite()
{
    const QString fileName = TestEnvironment::freshDir(QStringLiteral("saveNoOverwrite")) + QStringLiteral("/p.txt");
    writeFile(fileName, "old=1\n");
    try {
        Properties::saveProperties(fileName, Map{{"new", "2"}}, false);
        QFAIL("an existing file was overwritten");
    } catch (const Exception& e) {
        QCOMPARE(e.detail(), saveContext + QStringLiteral("File [%1] already exists").arg(fileName));
    }
    QCOMPARE(readFile(fileName), QByteArray("old=1\n"));
}

void TestProperties::saveWithOverwrite()
{
    const QString dir = TestEnvironment::freshDir(QStringLiteral("saveOverwrite"));
    const QString fileName = dir + QStringLiteral("/p.txt");
    writeFile(fileName, "old=1\nlonger content than the new one\n");
    Properties::saveProperties(fileName, Map{{"new", "2"}}, true);
    QCOMPARE(readFile(fileName), QByteArray("new=2\n"));
    // Nothing left beside it (no temporary file).
    QCOMPARE(QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{"p.txt"});
}

void TestProperties::saveFailureKeepsOldFile()
{
    const QString dir = TestEnvironment::freshDir(QStringLiteral("saveFailure"));
    const auto saveError = [](const QString& fileName, bool overwrite) {
        try {
            Properties::saveProperties(fileName, Map{{"new", "2"}}, overwrite);
        } catch (const Exception& e) {
            return e.detail();
        }
        return QString();
    };

    const QString newFile = dir + QStringLiteral("/missing/p.txt");
    QCOMPARE(saveError(newFile, false),
             saveContext + QStringLiteral("Failed to open file [%1] in create mode").arg(newFile));

    // A folder in the way cannot be replaced, whoever runs the test.
    const QString folder = dir + QStringLiteral("/folder");
    QVERIFY(QDir().mkpath(folder));
    writeFile(folder + QStringLiteral("/inside.txt"), "kept");
    QCOMPARE(saveError(folder, true), saveContext + QStringLiteral("File [%1] cannot be deleted").arg(folder));
    QCOMPARE(readFile(folder + QStringLiteral("/inside.txt")), QByteArray("kept"));

    // The file stays writable but cannot be replaced in a read-only folder.
    const QString fileName = dir + QStringLiteral("/p.txt");
    writeFile(fileName, "old=1\n");
    QVERIFY(QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    const bool enforced = !QFile(dir + QStringLiteral("/probe")).open(QIODevice::WriteOnly);
    const QString detail = enforced ? saveError(fileName, true) : QString();
    QVERIFY(QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    if (!enforced)
        QSKIP("file permissions are not enforced for this user");
    QCOMPARE(detail, saveContext + QStringLiteral("File [%1] cannot be deleted").arg(fileName));
    QCOMPARE(readFile(fileName), QByteArray("old=1\n"));
}

void TestProperties::unwritableEntries_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::newRow("= in key") << "a=b" << "c";
    QTest::newRow("line feed in value") << "a" << "1\ninjected=2";
    QTest::newRow("carriage return in key") << "a\rb" << "1";
    QTest::newRow("blank before key") << " a" << "1";
    QTest::newRow("blank after value") << "a" << "1\t";
    QTest::newRow("key read as comment") << "#a" << "1";
    QTest::newRow("empty key and blank value") << "" << " ";
}

void TestProperties::unwritableEntries()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    const QString dir = TestEnvironment::freshDir(QStringLiteral("unwritable"));
    const QString existing = dir + QStringLiteral("/existing.txt");
    const QString fresh = dir + QStringLiteral("/fresh.txt");
    writeFile(existing, "old=1\n");
    const Map map{{"good", "1"}, {key, value}};
    for (const QString& fileName : {existing, fresh}) {
        try {
            Properties::saveProperties(fileName, map, true);
            QFAIL("an entry that cannot be read back was saved");
        } catch (const Exception& e) {
            QCOMPARE(e.detail(),
                     saveContext
                         + QStringLiteral("Property [%1] cannot be written: it would not read back unchanged").arg(key));
        }
    }
    QCOMPARE(readFile(existing), QByteArray("old=1\n"));
    QVERIFY(!QFile::exists(fresh));
}

void TestProperties::mapOperations()
{
    const QString insertContext = QStringLiteral("void Properties::insert(const QString&, const QString&) -> ");
    Properties properties;
    QVERIFY(properties.empty());
    properties.insert(QStringLiteral("a"), QStringLiteral("1"));
    try {
        properties.insert(QStringLiteral("a"), QStringLiteral("2"));
        QFAIL("duplicate inserted");
    } catch (const Exception& e) {
        QCOMPARE(e.detail(), insertContext + QStringLiteral("Property [a] already exists (duplicate prohibited)"));
    }
    QCOMPARE(properties.value(QStringLiteral("a")), QStringLiteral("1"));
    properties.insert(QStringLiteral("a"), QStringLiteral("2"), true);
    QCOMPARE(properties.value(QStringLiteral("a")), QStringLiteral("2"));

    // A map with one existing key changes nothing without replace.
    try {
        properties.insert(Map{{"b", "1"}, {"a", "3"}});
        QFAIL("duplicate inserted");
    } catch (const Exception& e) {
        QCOMPARE(e.detail(), insertContext + QStringLiteral("Property [a] already exists (duplicate prohibited)"));
    }
    QCOMPARE(entries(properties), entries(Map{{"a", "2"}}));
    properties.insert(Map{{"b", "1"}, {"a", "3"}}, true);
    QCOMPARE(entries(properties), entries(Map{{"a", "3"}, {"b", "1"}}));

    QCOMPARE(properties.setValue(QStringLiteral("b"), QStringLiteral("9")), QStringLiteral("1"));
    QCOMPARE(properties.remove(QStringLiteral("a")), QStringLiteral("3"));
    QVERIFY(!properties.contains(QStringLiteral("a")));
    QCOMPARE(properties.size(), 1);
    QCOMPARE(*properties.begin(), QStringLiteral("9"));
    properties.clear();
    QVERIFY(properties.empty());
    QVERIFY(properties.begin() == properties.end());
}

void TestProperties::missingKey_data()
{
    QTest::addColumn<int>("operation");
    QTest::addColumn<QString>("context");
    QTest::newRow("value") << 0 << "QString Properties::value(const QString&)";
    QTest::newRow("setValue") << 1 << "QString Properties::setValue(const QString&, const QString&)";
    QTest::newRow("remove") << 2 << "QString Properties::remove(const QString&)";
}

void TestProperties::missingKey()
{
    QFETCH(int, operation);
    QFETCH(QString, context);
    Properties properties(Map{{"k", "v"}});
    const QString key = QStringLiteral("absent");
    try {
        if (operation == 0)
            properties.value(key);
        else if (operation == 1)
            properties.setValue(key, QStringLiteral("x"));
        else
            properties.remove(key);
        QFAIL("a missing key was accepted");
    } catch (const Exception& e) {
        QCOMPARE(e.detail(), context + QStringLiteral(" -> Property [absent] does not exist"));
    }
    // setValue does not create the key.
    QCOMPARE(entries(properties), entries(Map{{"k", "v"}}));
}

void TestProperties::sharingAndCopies()
{
    Properties properties(Map{{"k", "v"}});
    const auto dictionary = properties.toDictionnary();
    dictionary->insert(QStringLiteral("seen"), QStringLiteral("yes"));
    QCOMPARE(properties.value(QStringLiteral("seen")), QStringLiteral("yes"));

    Properties copy(properties);
    copy.setValue(QStringLiteral("k"), QStringLiteral("changed"));
    Properties assigned;
    assigned = properties;
    assigned.remove(QStringLiteral("seen"));
    QCOMPARE(entries(properties), entries(Map{{"k", "v"}, {"seen", "yes"}}));

    const auto fromMap = Properties::toProperties(Map{{"x", "1"}});
    QCOMPARE(entries(*fromMap), entries(Map{{"x", "1"}}));
}

void TestProperties::buildLogDefaults()
{
    const QString dir = TestEnvironment::freshDir(QStringLiteral("buildLogDefaults"));
    Properties properties(Map{{"log.filename", dir + "/app.log"}});
    const auto logger = Logger::buildLog(properties);
    QVERIFY(logger != Log::getInstance().log());
    QCOMPARE(logger->filter(), LoggerLevel::Warning);
    QVERIFY(!logger->isTeeEnabled());
    QCOMPARE(logger->bannerTitle(), QStringLiteral("Start of track recording"));
    QVERIFY(!logger->recordConfigurationData());
    const QString dump = logger->toString();
    QVERIFY2(dump.contains(QLatin1String("    _maxSize : 1048576 bytes\n")), qPrintable(dump));
    QVERIFY2(dump.contains(QLatin1String("       _kept : 10\n")), qPrintable(dump));
    QVERIFY2(dump.contains(QLatin1String("    _timeout : 7 days\n")), qPrintable(dump));

    // A size limit of one megabyte: lines go on in the same file.
    for (int i = 0; i < 5; ++i)
        logger->warning(QStringLiteral("line %1").arg(i));
    QCOMPARE(QDir(dir).entryList(QDir::Files), QStringList{"app-0.log"});
    QCOMPARE(logMessages(dir + "/app-0.log").size(), 5);
}

void TestProperties::buildLogSettings_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("filter");
    QTest::addColumn<bool>("tee");
    QTest::addColumn<bool>("record");

    QTest::newRow("filter fatal") << "log.filter" << "fatal" << 4 << false << false;
    QTest::newRow("filter ERROR") << "log.filter" << "ERROR" << 3 << false << false;
    QTest::newRow("filter warn") << "log.filter" << "warn" << 2 << false << false;
    QTest::newRow("filter warning") << "log.filter" << "warning" << 2 << false << false;
    QTest::newRow("filter info") << "log.filter" << "info" << 1 << false << false;
    QTest::newRow("filter unknown") << "log.filter" << "verbose" << 0 << false << false;
    QTest::newRow("tee 1") << "log.tee" << "1" << 2 << true << false;
    QTest::newRow("tee yes") << "log.tee" << "yes" << 2 << true << false;
    QTest::newRow("tee 0") << "log.tee" << "0" << 2 << false << false;
    QTest::newRow("tee False") << "log.tee" << " False" << 2 << false << false;
    QTest::newRow("record 1") << "banner.properties" << "1" << 2 << false << true;
    QTest::newRow("record TRUE") << "banner.properties" << " TRUE " << 2 << false << true;
    QTest::newRow("record other") << "banner.properties" << "yes" << 2 << false << false;
}

void TestProperties::buildLogSettings()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(int, filter);
    QFETCH(bool, tee);
    QFETCH(bool, record);
    const QString dir = TestEnvironment::freshDir(QStringLiteral("buildLogSettings"));
    Properties properties(Map{{"log.filename", dir + "/app.log"}, {"banner.title", "Run %1"}});
    properties.insert(key, value);
    const auto logger = Logger::buildLog(properties);
    QCOMPARE(int(logger->filter()), filter);
    QCOMPARE(logger->isTeeEnabled(), tee);
    QCOMPARE(logger->recordConfigurationData(), record);
    QCOMPARE(logger->bannerTitle(), QStringLiteral("Run %1"));
}

void TestProperties::buildLogInvalidNumber_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::newRow("letters") << "log.maxsize" << "12k";
    QTest::newRow("negative") << "log.kept" << "-1";
    QTest::newRow("blank") << "log.timeout" << " 7";
    QTest::newRow("empty") << "log.maxsize" << "";
    QTest::newRow("too many files") << "log.kept" << "4294967296";
    QTest::newRow("beyond 64 bits") << "log.maxsize" << "18446744073709551616";
}

void TestProperties::buildLogInvalidNumber()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    const QString dir = TestEnvironment::freshDir(QStringLiteral("buildLogInvalid"));
    Properties properties(Map{{"log.filename", dir + "/app.log"}, {key, value}});
    try {
        Logger::buildLog(properties);
        QFAIL("an invalid number was accepted");
    } catch (const Exception& e) {
        QCOMPARE(e.detail(), buildContext + QStringLiteral("Invalid parameter \"%1\"=[%2]").arg(key, value));
    }
    QVERIFY(QDir(dir).isEmpty());
}

void TestProperties::buildLogFallsBack()
{
    const auto defaultLogger = Log::getInstance().log();
    QCOMPARE(Logger::buildLog(Properties(Map{{"log.tee", "1"}})), defaultLogger);
    QCOMPARE(Logger::buildLog(Properties(Map{{"log.filename", ""}})), defaultLogger);

    const QString missingDir = TestEnvironment::freshDir(QStringLiteral("buildLogFallsBack")) + "/missing";
    QTest::ignoreMessage(QtCriticalMsg, QRegularExpression(QStringLiteral("Access to directory .*missing")));
    QTest::ignoreMessage(QtCriticalMsg, QRegularExpression(QStringLiteral("<ERROR> .*Access to directory")));
    QCOMPARE(Logger::buildLog(Properties(Map{{"log.filename", missingDir + "/app.log"}})), defaultLogger);
}

void TestProperties::banner()
{
    const QString dir = TestEnvironment::freshDir(QStringLiteral("banner"));
    Logger logger(dir + "/app.log", 0, 3, 7, LoggerLevel::Fatal);
    logger.disableTee();
    const Properties properties(Map{{"a", "1"}, {"long.key", "two words"}, {"mid", ""}});
    logger.logBanner(QStringLiteral("Tool %1"), QStringLiteral("2.1"), &properties);
    // The filter is back after the banner.
    QCOMPARE(logger.filter(), LoggerLevel::Fatal);
    const Properties empty;
    logger.logBanner(QStringLiteral("Tool"), QStringLiteral("3"), &empty);
    {
        Log registry(logger);
        registry.logBanner(QStringLiteral("Via registry %1"), QStringLiteral("4"), &properties);
    }
    const auto border = [](int dashes) { return QLatin1Char('+') + QString(dashes, QLatin1Char('-')) + QLatin1Char('+'); };
    const QStringList expected{border(10),
                               "| Tool 2.1 |",
                               border(10),
                               Logger::bannerNotice(),
                               "a        = 1",
                               "long.key = two words",
                               "mid      = ",
                               border(9),
                               "| Tool v3 |",
                               border(9),
                               Logger::bannerNotice(),
                               border(16),
                               "| Via registry 4 |",
                               border(16),
                               Logger::bannerNotice(),
                               "a        = 1",
                               "long.key = two words",
                               "mid      = "};
    QCOMPARE(logMessages(dir + "/app-0.log"), expected);
}

KOVRIN_TEST_MAIN(TestProperties)
#include "tst_properties.moc"
