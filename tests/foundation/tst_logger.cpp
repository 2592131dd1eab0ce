#include "Exception.h"
#include "Log.h"
#include "Logger.h"
#include "TestMain.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QScopeGuard>

#include <sys/stat.h>

namespace {

// Collects what reaches the Qt message log while it lives.
class MessageCapture
{
public:
    MessageCapture() { _previous = qInstallMessageHandler(&MessageCapture::handler); s_current = this; }
    ~MessageCapture() { qInstallMessageHandler(_previous); s_current = nullptr; }
    QStringList messages;
    QList<QtMsgType> types;

private:
    static void handler(QtMsgType type, const QMessageLogContext&, const QString& message)
    {
        s_current->messages << message;
        s_current->types << type;
    }
    static inline MessageCapture* s_current = nullptr;
    QtMessageHandler _previous;
};

QString readAll(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("<missing>");
    return QString::fromUtf8(file.readAll());
}

QStringList files(const QString& dir)
{
    return QDir(dir).entryList(QDir::Files, QDir::Name);
}

void touch(const QString& fileName, const QByteArray& content = QByteArray())
{
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

// A formatter that only keeps the message, to make file sizes exact.
void bare(LoggerLevel::LogLevel, const QString& message, QString& output)
{
    output = message;
}

Logger* s_reentrant = nullptr;
// Logs again through the same logger while that logger's lock is held.
void reentrant(LoggerLevel::LogLevel, const QString& message, QString& output)
{
    if (message == QLatin1String("outer"))
        s_reentrant->warning(QStringLiteral("inner"));
    output = message;
}

} // namespace

class TestLogger : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void formatter_data();
    void formatter();
    void fileNames();
    void directoryRefused();
    void rotationShift();
    void startsOnHighestIndex();
    void oldFileRotates();
    void rotationFailureAndRecovery();
    void privateFiles();
    void linksRefused_data();
    void linksRefused();
    void teeAndFilter();
    void lockTimeout();
    void banner();
    void buildLogFromJson_data();
    void buildLogFromJson();
    void buildLogFallsBack();
    void registry();
    void dump();
};

void TestLogger::formatter_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("tag");
    QTest::newRow("debug") << 0 << "DEBUG";
    QTest::newRow("info") << 1 << "INFOR";
    QTest::newRow("warning") << 2 << "WARNG";
    QTest::newRow("critical") << 3 << "ERROR";
    QTest::newRow("fatal") << 4 << "FATAL";
    QTest::newRow("other") << 9 << "DEBUG";
}

void TestLogger::formatter()
{
    QFETCH(int, level);
    QFETCH(QString, tag);
    QString line;
    Logger::formatter(LoggerLevel::LogLevel(level), QStringLiteral("a %1 message"), line);
    // The message is taken verbatim, placeholders included.
    const QRegularExpression shape(QStringLiteral("^\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d,\\d{3} <") + tag
                                   + QStringLiteral("> a %1 message$"));
    QVERIFY2(shape.match(line).hasMatch(), qPrintable(line));
}

void TestLogger::fileNames()
{
    const QString dir = TestEnvironment::freshDir(QStringLiteral("fileNames"));
    Logger withSuffix(dir + QStringLiteral("/app.log"), 0, 0, 7, LoggerLevel::Debug);
    Logger without(dir + QStringLiteral("/other"), 0, 0, 7, LoggerLevel::Debug);
    Logger upper(dir + QStringLiteral("/third.LOG"), 0, 0, 7, LoggerLevel::Debug);
    QCOMPARE(files(dir), (QStringList{"app-0.log", "other-0.log", "third.LOG-0.log"}));
    QCOMPARE(withSuffix.last(), 0);

    // Without a folder the file goes to the home folder.
    Logger home(QStringLiteral("homeLog.log"), 0, 0, 7, LoggerLevel::Debug);
    QVERIFY(QFile::exists(QDir::homePath() + QStringLiteral("/homeLog-0.log")));
}

void TestLogger::directoryRefused()
{
    const QString missing = TestEnvironment::root() + QStringLiteral("/no/such/dir");
    try {
        Logger logger(missing + QStringLiteral("/x.log"), 0, 0, 7, LoggerLevel::Debug);
        QFAIL("a missing folder must be refused");
    } catch (const Exception& e) {
        QCOMPARE(e.detail(), QStringLiteral("Logger::Logger(const QString&, quint64, quint32, quint32, LogLevel, "
                                            "LogFormatter) -> Access to directory [%1] is impossible or file rights "
                                            "are insufficient.")
                                 .arg(missing));
    }
}

void TestLogger::rotationShift()
{
    const QString dir = TestEnvironment::freshDir(QStringLiteral("rotation"));
    // Each line is 10 bytes with its LF; a file holds at most one line below 15 bytes.
    Logger logger(dir + QStringLiteral("/app.log"), 15, 3, 7, LoggerLevel::Debug, &bare);
    logger.disableTee();
    const QString name = dir + QStringLiteral("/app-%1.log");
    for (const char* line : {"line-0001", "line-0002", "line-0003"})
        logger.info(QLatin1String(line));
    QCOMPARE(files(dir), (QStringList{"app-0.log", "app-1.log", "app-2.log"}));
    QCOMPARE(readAll(name.arg(0)), QStringLiteral("line-0001\n"));
    QCOMPARE(readAll(name.arg(2)), QStringLiteral("line-0003\n"));
    QCOMPARE(logger.last(), 2);

    // Full: the oldest file goes, the others move down one index.
    logger.info(QStringLiteral("line-0004"));
    QCOMPARE(files(dir), (QStringList{"app-0.log", "app-1.log", "app-2.log"}));
    QCOMPARE(readAll(name.arg(0)), QStringLiteral("line-0002\n"));
    QCOMPARE(readAll(name.arg(1)), QStringLiteral("line-0003\n"));
    QCOMPARE(readAll(name.arg(2)), QStringLiteral("line-0004\n"));

    // A line that would reach the limit exactly rotates first.
    const QString exact = dir + QStringLiteral("/exact.log");
    Logger limit(exact, 20, 3, 7, LoggerLevel::Debug, &bare);
    limit.disableTee();
    limit.info(QStringLiteral("123456789")); // 10 bytes
    limit.info(QStringLiteral("12345678"));  // 10 + 9 = 19 < 20: same file
    limit.info(QStringLiteral("x"));         // 19 + 2 = 21: next file
    QCOMPARE(readAll(dir + QStringLiteral("/exact-0.log")), QStringLiteral("123456789\n12345678\n"));
    QCOMPARE(readAll(dir + QStringLiteral("/exact-1.log")), QStringLiteral("x\n"));
}

void TestLogger::startsOnHighestIndex()
{
    const QString dir = TestEnvironment::freshDir(QStringLiteral("highest"));
    touch(dir + QStringLiteral("/app-0.log"), "zero\n");
    touch(dir + QStringLiteral("/app-2.log"), "two\n");
    Logger logger(dir + QStringLiteral("/app.log"), 1000, 3, 7, LoggerLevel::Debug, &bare);
    logger.disableTee();
    QCOMPARE(logger.last(), 2);
    logger.info(QStringLiteral("appended"));
    QCOMPARE(readAll(dir + QStringLiteral("/app-2.log")), QStringLiteral("two\nappended\n"));
    QCOMPARE(files(dir), (QStringList{"app-0.log", "app-2.log"}));

    // A current file already at its limit is rotated at construction.
    const QString full = TestEnvironment::freshDir(QStringLiteral("highestFull"));
    touch(full + QStringLiteral("/app-0.log"), QByteArray(20, 'x'));
    Logger rotated(full + QStringLiteral("/app.log"), 20, 3, 7, LoggerLevel::Debug, &bare);
    QCOMPARE(rotated.last(), 1);
    QVERIFY(QFile::exists(full + QStringLiteral("/app-1.log")));
}

void TestLogger::oldFileRotates()
{
    // With a zero-day age limit every file is too old at its first write.
    const QString dir = TestEnvironment::freshDir(QStringLiteral("age"));
    Logger logger(dir + QStringLiteral("/app.log"), 1000, 3, 0, LoggerLevel::Debug, &bare);
    logger.disableTee();
    logger.info(QStringLiteral("first"));
    logger.info(QStringLiteral("second"));
    QCOMPARE(readAll(dir + QStringLiteral("/app-0.log")), QString());
    QCOMPARE(readAll(dir + QStringLiteral("/app-1.log")), QStringLiteral("first\n"));
    QCOMPARE(readAll(dir + QStringLiteral("/app-2.log")), QStringLiteral("second\n"));
}

void TestLogger::rotationFailureAndRecovery()
{
    const QString dir = TestEnvironment::freshDir(QStringLiteral("failure"));
    // The oldest "file" is a folder: the shift cannot delete it.
    QVERIFY(QDir().mkpath(dir + QStringLiteral("/app-0.log/blocker")));
    touch(dir + QStringLiteral("/app-1.log"));
    Logger logger(dir + QStringLiteral("/app.log"), 12, 2, 7, LoggerLevel::Debug, &bare);
    logger.disableTee();
    QCOMPARE(logger.last(), 1);
    logger.info(QStringLiteral("fits-once")); // 10 bytes in app-1
    {
        MessageCapture capture;
        logger.info(QStringLiteral("overflows"));
        QCOMPARE(capture.messages, QStringList{QStringLiteral("overflows [log file rotation failure]")});
    }
    QVERIFY(logger.last() < 0);

    // Once the obstacle is gone the next line rotates and lands in a file again.
    QVERIFY(QDir(dir + QStringLiteral("/app-0.log")).removeRecursively());
    {
        MessageCapture capture;
        logger.info(QStringLiteral("recovered"));
        QVERIFY(capture.messages.isEmpty());
    }
    QCOMPARE(logger.last(), 1);
    QCOMPARE(readAll(dir + QStringLiteral("/app-0.log")), QStringLiteral("fits-once\n"));
    QCOMPARE(readAll(dir + QStringLiteral("/app-1.log")), QStringLiteral("recovered\n"));
}

void TestLogger::privateFiles()
{
    // A generous umask must not make a log readable by others; nor does an old
    // log file that was: it is tightened when opened again.
    const mode_t previous = ::umask(0);
    const auto restore = qScopeGuard([previous] { ::umask(previous); });
    const QString dir = TestEnvironment::freshDir(QStringLiteral("private"));
    const QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    // The owner's, the group's and the others' bits (the "user" bits depend on who runs the test).
    const QFileDevice::Permissions ownerGroupOther(0x7077);
    {
        Logger logger(dir + QStringLiteral("/new.log"), 12, 3, 7, LoggerLevel::Debug, &bare);
        logger.disableTee();
        logger.info(QStringLiteral("first line")); // fills app-0: the next line rotates
        logger.info(QStringLiteral("second line"));
        QCOMPARE(logger.last(), 1);
    }
    QCOMPARE(QFile::permissions(dir + QStringLiteral("/new-0.log")) & ownerGroupOther, ownerOnly);
    QCOMPARE(QFile::permissions(dir + QStringLiteral("/new-1.log")) & ownerGroupOther, ownerOnly);

    const QString old = dir + QStringLiteral("/old-0.log");
    touch(old, "kept\n");
    QVERIFY(QFile::setPermissions(old, ownerOnly | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    {
        Logger logger(dir + QStringLiteral("/old.log"), 1000, 3, 7, LoggerLevel::Debug, &bare);
        logger.disableTee();
        logger.info(QStringLiteral("appended"));
    }
    QCOMPARE(QFile::permissions(old) & ownerGroupOther, ownerOnly);
    QCOMPARE(readAll(old), QStringLiteral("kept\nappended\n"));
}

void TestLogger::linksRefused_data()
{
    QTest::addColumn<bool>("dangling");
    QTest::newRow("link to an existing file") << false;
    QTest::newRow("dangling link") << true;
}

void TestLogger::linksRefused()
{
    // A link planted under the log file's name must not make the logger write
    // (or create) the file it points to.
    QFETCH(bool, dangling);
    const QString dir = TestEnvironment::freshDir(QStringLiteral("links"));
    const QString victim = dir + QStringLiteral("/victim");
    if (!dangling)
        touch(victim, "untouched\n");
    QVERIFY(QFile::link(victim, dir + QStringLiteral("/app-0.log")));
    bool refused = false;
    try {
        Logger logger(dir + QStringLiteral("/app.log"), 1000, 3, 7, LoggerLevel::Debug, &bare);
        logger.disableTee();
        logger.info(QStringLiteral("must not land"));
    } catch (const Exception&) {
        refused = true;
    }
    QVERIFY(refused);
    QCOMPARE(readAll(victim), dangling ? QStringLiteral("<missing>") : QStringLiteral("untouched\n"));
    QVERIFY(QFileInfo(dir + QStringLiteral("/app-0.log")).isSymLink());
}

void TestLogger::teeAndFilter()
{
    const QString dir = TestEnvironment::freshDir(QStringLiteral("tee"));
    Logger logger(dir + QStringLiteral("/app.log"), 0, 0, 7, LoggerLevel::Warning, &bare);
    QVERIFY(logger.isTeeEnabled());
    {
        MessageCapture capture;
        logger.info(QStringLiteral("below the filter"));
        logger.warning(QStringLiteral("kept"));
        logger.critical(QStringLiteral("serious"));
        logger.fatal(QStringLiteral("fatal but alive"));
        QCOMPARE(capture.messages, (QStringList{"kept [Tee]", "serious [Tee]", "fatal but alive [Tee]"}));
        QCOMPARE(capture.types, (QList<QtMsgType>{QtWarningMsg, QtCriticalMsg, QtCriticalMsg}));
    }
    logger.disableTee();
    QCOMPARE(logger.setFilter(LoggerLevel::Debug), LoggerLevel::Warning);
    logger.debug(QStringLiteral("quiet"));
    QCOMPARE(readAll(dir + QStringLiteral("/app-0.log")),
             QStringLiteral("kept [Tee]\nserious [Tee]\nfatal but alive [Tee]\nquiet\n"));

    // A console-only logger writes the bare line to the channel of its level.
    Logger console;
    console.setFormatter(&bare);
    MessageCapture capture;
    console.info(QStringLiteral("to the console"));
    QCOMPARE(capture.messages, QStringList{QStringLiteral("to the console")});
    QCOMPARE(capture.types, QList<QtMsgType>{QtInfoMsg});
}

void TestLogger::lockTimeout()
{
    const QString dir = TestEnvironment::freshDir(QStringLiteral("lock"));
    Logger logger(dir + QStringLiteral("/app.log"), 0, 0, 7, LoggerLevel::Debug, &reentrant);
    logger.disableTee();
    s_reentrant = &logger;
    MessageCapture capture;
    QElapsedTimer timer;
    timer.start();
    logger.warning(QStringLiteral("outer"));
    s_reentrant = nullptr;
    // The inner line could not take the lock: it went to the debug channel instead
    // of waiting for ever.
    QVERIFY(timer.elapsed() >= 290);
    QCOMPARE(capture.messages, QStringList{QStringLiteral("Logger::writeTrace DEADLOCK >> stdout - inner")});
    QCOMPARE(capture.types, QList<QtMsgType>{QtDebugMsg});
    QCOMPARE(readAll(dir + QStringLiteral("/app-0.log")), QStringLiteral("outer\n"));
}

void TestLogger::banner()
{
    const QString dir = TestEnvironment::freshDir(QStringLiteral("banner"));
    Logger logger(dir + QStringLiteral("/app.log"), 0, 0, 7, LoggerLevel::Critical, &bare);
    logger.disableTee();
    logger.logBanner(QStringLiteral("Kovrin %1 log"), QStringLiteral("4.0.1"), static_cast<const QJsonDocument*>(nullptr));
    const QMap<QString, QString> config{{QStringLiteral("log.kept"), QStringLiteral("3")}};
    logger.logBanner(QStringLiteral("Tool"), QStringLiteral("2"), &config);
    const QJsonDocument json(QJsonObject{{QStringLiteral("a"), 1}});
    logger.logBanner(QStringLiteral("J"), QStringLiteral("1"), &json);
    QCOMPARE(logger.filter(), LoggerLevel::Critical);

    const QStringList lines = readAll(dir + QStringLiteral("/app-0.log")).split(QLatin1Char('\n'));
    const QStringList expectedStart{
        "+------------------+", "| Kovrin 4.0.1 log |", "+------------------+", Logger::bannerNotice(),
        "+---------+",          "| Tool v2 |",          "+---------+",          Logger::bannerNotice(),
        "log.kept = 3",         "+------+",             "| J v1 |",             "+------+",
        Logger::bannerNotice(), "Initial JSON stream (before interpretation)"};
    QCOMPARE(lines.mid(0, expectedStart.size()), expectedStart);
    QVERIFY(lines.join(QLatin1Char('\n')).contains(QStringLiteral("\"a\": 1")));
}

void TestLogger::buildLogFromJson_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<int>("level");
    const QList<QPair<QStringList, int>> table{
        {{"inf", "info", "information", "INFO"}, LoggerLevel::Info},
        {{"wrn", "warning", "whatever"}, LoggerLevel::Warning},
        {{"err", "error"}, LoggerLevel::Critical},
        {{"ftl", "fatal"}, LoggerLevel::Fatal},
        {{"dbg", "debug", "all"}, LoggerLevel::Debug},
    };
    for (const auto& [names, level] : table)
        for (const QString& name : names)
            QTest::newRow(qPrintable(name)) << name << level;
}

void TestLogger::buildLogFromJson()
{
    QFETCH(QString, filter);
    QFETCH(int, level);
    const QString dir = TestEnvironment::freshDir(QStringLiteral("json"));
    QString text = QStringLiteral(R"({
        "log": [ { "fileName": "DIR/first.log", "kept": 2 },
                 { "fileName": "DIR/app.log", "maxSize": 4096, "filter": "FILTER", "tee": true } ],
        "banner": [ { "title": "Title %1", "properties": true } ] })");
    text.replace(QStringLiteral("DIR"), dir).replace(QStringLiteral("FILTER"), filter);
    const QJsonObject config = QJsonDocument::fromJson(text.toUtf8()).object();
    QVERIFY(!config.isEmpty());
    const auto logger = Logger::buildLog(config);
    QVERIFY(logger != Log::getInstance().log());
    QCOMPARE(int(logger->filter()), level);
    QVERIFY(logger->isTeeEnabled());
    QCOMPARE(logger->bannerTitle(), QStringLiteral("Title %1"));
    QVERIFY(logger->recordConfigurationData());
    QCOMPARE(files(dir), QStringList{QStringLiteral("app-0.log")});
    const QString dump = logger->toString();
    QVERIFY2(dump.contains(QStringLiteral("    _maxSize : 4096 bytes\n")), qPrintable(dump));
    QVERIFY2(dump.contains(QStringLiteral("       _kept : 2\n")), qPrintable(dump));
    QVERIFY2(dump.contains(QStringLiteral("    _timeout : 7 days\n")), qPrintable(dump));
}

void TestLogger::buildLogFallsBack()
{
    const auto fallback = Log::getInstance().log();
    QCOMPARE(Logger::buildLog(QJsonObject{}), fallback);
    QCOMPARE(Logger::buildLog(QJsonObject{{QStringLiteral("log"), QStringLiteral("not an array")}}), fallback);

    const QString missing = TestEnvironment::root() + QStringLiteral("/absent");
    const QJsonObject config{{QStringLiteral("log"),
                              QJsonArray{QJsonObject{{QStringLiteral("fileName"), missing + QStringLiteral("/x.log")}}}}};
    MessageCapture capture;
    QCOMPARE(Logger::buildLog(config), fallback);
    // Reported on the Qt log and through the default logger.
    QCOMPARE(capture.messages.size(), 2);
    QVERIFY(capture.messages.at(0).contains(QStringLiteral("Access to directory [%1]").arg(missing)));
    QVERIFY(capture.messages.at(1).contains(QStringLiteral("<ERROR>")));
}

void TestLogger::registry()
{
    Log& log = Log::getInstance();
    QVERIFY(log.log());
    QCOMPARE(&Log::initInstance(*log.log()), &log);

    const auto named = std::make_shared<Logger>();
    QVERIFY(log.insertLoggger(QStringLiteral("audit"), named));
    QVERIFY(!log.insertLoggger(QStringLiteral("audit"), std::make_shared<Logger>()));
    QVERIFY(!log.insertLoggger(QString(), named));
    QVERIFY(log.containsLogger(QStringLiteral("audit")));
    QCOMPARE(log.logger(QStringLiteral("audit")), named);
    QCOMPARE(log.logger(QStringLiteral("unknown")), log.log());
    QCOMPARE(log.removeLogger(QStringLiteral("audit")), named);
    QVERIFY(!log.containsLogger(QStringLiteral("audit")));

    // Forwarding reaches the default logger.
    const auto previous = log.setFilter(LoggerLevel::Critical);
    QCOMPARE(log.log()->filter(), LoggerLevel::Critical);
    MessageCapture capture;
    log.warning("filtered out");
    log.critical(QStringLiteral("through the registry"));
    log.setFilter(previous);
    QCOMPARE(capture.messages.size(), 1);
    QVERIFY(capture.messages.first().endsWith(QStringLiteral("<ERROR> through the registry")));
}

void TestLogger::dump()
{
    const QString dir = TestEnvironment::freshDir(QStringLiteral("dump"));
    Logger logger(dir + QStringLiteral("/app.log"), 0, 0, 3, LoggerLevel::Warning);
    const QStringList lines = logger.toString().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 11);
    QVERIFY(lines.at(0).startsWith(QStringLiteral("  _formatter : 0x")));
    QCOMPARE(lines.at(1), QStringLiteral("     _spFile : Opened"));
    QCOMPARE(lines.at(2), QStringLiteral(" _spFileName : %1/app-%d.log").arg(dir));
    QCOMPARE(lines.at(3), QStringLiteral("    _maxSize : 1048576 bytes"));
    QCOMPARE(lines.at(4), QStringLiteral("    _timeout : 3 days"));
    QCOMPARE(lines.at(5), QStringLiteral("       _kept : 5"));
    QCOMPARE(lines.at(6), QStringLiteral("       _last : 0"));
    QCOMPARE(lines.at(7), QStringLiteral("        _tee : True"));
    QCOMPARE(lines.at(8), QStringLiteral("     _filter : 2"));
    logger.close();
    QVERIFY(logger.toString().contains(QStringLiteral("     _spFile : Closed\n")));
}

KOVRIN_TEST_MAIN(TestLogger)
#include "tst_logger.moc"
