#include "Configuration.h"
#include "DefaulConfigController.h"
#include "Exception.h"
#include "Logger.h"
#include "LoggerConfigController.h"
#include "Properties.h"
#include "PropertiesTestFiles.h"
#include "TestMain.h"

#include <QDir>
#include <QFile>

namespace {

QString buildError(const Map& map)
{
    try {
        auto configuration = Configuration::load(Properties(map), QString());
        Configuration::buildFileSystemLogger(*configuration);
    } catch (const Exception& e) {
        return e.detail();
    }
    return QString();
}

const QString loadContext =
    QStringLiteral("shared_ptr<Configuration> Configuration::load(const QString&, const QString&) -> ");
const QString buildContext = QStringLiteral("shared_ptr<Log> Configuration::buildFileSystemLogger(Configuration&) -> ");

QString invalid(const QString& key, const QString& value)
{
    return QStringLiteral("Invalid parameter \"%1\"=[%2]").arg(key, value);
}

} // namespace

class TestConfiguration : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void lineRules_data();
    void lineRules();
    void version_data();
    void version();
    void loadFailures();
    void controller_data();
    void controller();
    void controllerStartsAfresh();
    void fixedAnswer();
    void buildFileSystemLogger_data();
    void buildFileSystemLogger();
    void buildFileSystemLoggerSizes();
    void buildFileSystemLoggerRefused_data();
    void buildFileSystemLoggerRefused();
    void cachedLogger();
    void banner_data();
    void banner();
    void bannerSettings();
    void homeAndUser();
};

void TestConfiguration::lineRules_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<Map>("expected"); // besides "app.version"

    QTest::newRow("lines not trimmed") << QByteArray("  a = b  \n") << Map{{"  a ", " b  "}};
    QTest::newRow("comment only in first column") << QByteArray("# c=d\n #e=f\n") << Map{{" #e", "f"}};
    QTest::newRow("repeated key keeps first") << QByteArray("k=1\nother=x\nk=2\n") << Map{{"k", "1"}, {"other", "x"}};
    QTest::newRow("empty value and empty key") << QByteArray("x=\n=y\n") << Map{{"x", ""}, {"", "y"}};
    QTest::newRow("split at first =") << QByteArray("a=b=c\n") << Map{{"a", "b=c"}};
    QTest::newRow("no equals skipped") << QByteArray("lonely\n  \n\nk=v") << Map{{"k", "v"}};
    QTest::newRow("CRLF") << QByteArray("k=v\r\n") << Map{{"k", "v"}};
    QTest::newRow("utf-8") << QByteArray("cl\xc3\xa9=\xc3\xa9t\xc3\xa9\n") << Map{{"clé", "été"}};
    const QByteArray longValue(20000, 'v');
    QTest::newRow("long line read whole") << QByteArray("k=" + longValue + "\n")
                                          << Map{{"k", QString::fromLatin1(longValue)}};
}

void TestConfiguration::lineRules()
{
    QFETCH(QByteArray, content);
    QFETCH(Map, expected);
    const QString fileName = TestEnvironment::freshDir(QStringLiteral("lineRules")) + QStringLiteral("/app.conf");
    writeFile(fileName, content);
    const auto configuration = Configuration::load(fileName, QString());
    expected.insert(QStringLiteral("app.version"), QStringLiteral("0.0.0"));
    QCOMPARE(entries(configuration->properties()), entries(Properties(expected)));
    QCOMPARE(configuration->fileName(), fileName);
}

void TestConfiguration::version_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("expected");
    QTest::newRow("file's version kept") << QByteArray("app.version=1.2\n") << "" << "1.2";
    QTest::newRow("no version anywhere") << QByteArray("k=v\n") << "" << "0.0.0";
    QTest::newRow("given version wins") << QByteArray("app.version=1.2\n") << "2.0" << "2.0";
    QTest::newRow("given version added") << QByteArray("k=v\n") << "2.0" << "2.0";
}

void TestConfiguration::version()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, version);
    QFETCH(QString, expected);
    const QString fileName = TestEnvironment::freshDir(QStringLiteral("version")) + QStringLiteral("/app.conf");
    writeFile(fileName, content);
    const auto fromFile = Configuration::load(fileName, version);
    QCOMPARE(fromFile->value(QStringLiteral("app.version")), expected);

    const auto properties = Properties::loadProperties(fileName);
    const auto fromProperties = Configuration::load(*properties, version);
    QCOMPARE(fromProperties->value(QStringLiteral("app.version")), expected);
    // The given properties are copied, not changed.
    QCOMPARE(properties->contains(QStringLiteral("app.version")), content.startsWith("app.version"));

    const Configuration fresh;
    QCOMPARE(fresh.value(QStringLiteral("app.version")), QStringLiteral("0.0.0"));
}

void TestConfiguration::loadFailures()
{
    const QString dir = TestEnvironment::freshDir(QStringLiteral("loadFailures"));
    const auto loadError = [](const QString& fileName) {
        try {
            Configuration::load(fileName, QString());
        } catch (const Exception& e) {
            return e.detail();
        }
        return QString();
    };
    const QString missing = dir + QStringLiteral("/missing.conf");
    QCOMPARE(loadError(missing), loadContext + QStringLiteral("File [%1] doesn't exist").arg(missing));
    QCOMPARE(loadError(dir), loadContext + QStringLiteral("File [%1] isn't readable").arg(dir));
}

void TestConfiguration::controller_data()
{
    QTest::addColumn<Map>("properties");
    QTest::addColumn<QStringList>("errors"); // empty: legal

    const Map base{{"log.filename", "/tmp/app.log"}};
    const auto with = [&](const Map& more) {
        Map map = base;
        map.insert(more);
        return map;
    };
    QTest::newRow("file name only") << base << QStringList();
    QTest::newRow("everything valid") << with({{"log.maxsize", "007"},
                                               {"log.kept", "3"},
                                               {"log.timeout", "30"},
                                               {"log.tee", "TRUE"},
                                               {"log.banner.properties", " False "},
                                               {"log.banner.title", "Vault %1"},
                                               {"log.filter", "WARNING"},
                                               {"log.other", "not checked"}})
                                      << QStringList();
    QTest::newRow("no file name") << Map{{"log.kept", "3"}} << QStringList{invalid("log.filename", "")};
    QTest::newRow("blank file name") << Map{{"log.filename", "  "}} << QStringList{invalid("log.filename", "  ")};
    QTest::newRow("size zero") << with({{"log.maxsize", "000"}}) << QStringList{invalid("log.maxsize", "000")};
    QTest::newRow("size with unit") << with({{"log.maxsize", "1M"}}) << QStringList{invalid("log.maxsize", "1M")};
    QTest::newRow("negative kept") << with({{"log.kept", "-2"}}) << QStringList{invalid("log.kept", "-2")};
    QTest::newRow("signed timeout") << with({{"log.timeout", "+7"}}) << QStringList{invalid("log.timeout", "+7")};
    QTest::newRow("empty timeout") << with({{"log.timeout", ""}}) << QStringList{invalid("log.timeout", "")};
    QTest::newRow("tee yes") << with({{"log.tee", "yes"}}) << QStringList{invalid("log.tee", "yes")};
    QTest::newRow("banner properties faux") << with({{"log.banner.properties", "faux"}})
                                            << QStringList{invalid("log.banner.properties", "faux")};
    QTest::newRow("title without version")
        << with({{"log.banner.title", "My log"}})
        << QStringList{invalid("log.banner.title", "My log") + QStringLiteral(" -> %1 = version")};
    QTest::newRow("filter warn") << with({{"log.filter", "warn"}}) << QStringList{invalid("log.filter", "warn")};
    QTest::newRow("filter padded") << with({{"log.filter", " info"}}) << QStringList{invalid("log.filter", " info")};
    // Every reason is recorded; a value holding "%1" is shown as it is.
    QTest::newRow("several errors") << Map{{"log.kept", "x%1"}, {"log.filter", "loud"}}
                                    << QStringList{invalid("log.filename", ""), invalid("log.kept", "x%1"),
                                                   invalid("log.filter", "loud")};
}

void TestConfiguration::controller()
{
    QFETCH(Map, properties);
    QFETCH(QStringList, errors);
    LoggerConfigController controller;
    const Properties subject(properties);
    QCOMPARE(controller.isLegalConfiguration(&subject), errors.isEmpty());
    QCOMPARE(controller.errors(), errors);
    QCOMPARE(controller.errorsToString(QStringLiteral(" | ")), errors.join(QStringLiteral(" | ")));

    // The same answer through a configuration.
    const auto configuration = Configuration::load(subject, QStringLiteral("1.0"));
    LoggerConfigController again;
    QCOMPARE(configuration->isLegalConfiguration(again), errors.isEmpty());
}

void TestConfiguration::controllerStartsAfresh()
{
    LoggerConfigController controller;
    QVERIFY(!controller.isLegalConfiguration(nullptr));
    QCOMPARE(controller.errors(),
             QStringList{QStringLiteral("The configuration object is not defined (null pointer)")});
    const Properties good(Map{{"log.filename", "/tmp/app.log"}});
    QVERIFY(controller.isLegalConfiguration(&good));
    QVERIFY(controller.errors().isEmpty());
}

void TestConfiguration::fixedAnswer()
{
    const auto configuration = Configuration::load(Properties(), QString());
    DefaulConfigController yes(true);
    DefaulConfigController no(false);
    QVERIFY(configuration->isLegalConfiguration(yes));
    QVERIFY(!configuration->isLegalConfiguration(no));
    QVERIFY(yes.isLegalConfiguration(nullptr));
    no.insertError(QStringLiteral("first"));
    no.insertError(QStringLiteral("second"));
    QCOMPARE(no.errorsToString(QStringLiteral("\n")), QStringLiteral("first\nsecond"));
}

void TestConfiguration::buildFileSystemLogger_data()
{
    QTest::addColumn<Map>("settings");
    QTest::addColumn<int>("filter");
    QTest::addColumn<bool>("tee");

    QTest::newRow("defaults") << Map{} << 2 << true;
    QTest::newRow("filter WARNING") << Map{{"log.filter", "WARNING"}} << 2 << true;
    QTest::newRow("filter Error") << Map{{"log.filter", "Error"}} << 3 << true;
    QTest::newRow("filter FATAL") << Map{{"log.filter", "FATAL"}} << 4 << true;
    QTest::newRow("filter Info") << Map{{"log.filter", "Info"}} << 1 << true;
    QTest::newRow("filter DEBUG") << Map{{"log.filter", "DEBUG"}} << 0 << true;
    QTest::newRow("tee 1") << Map{{"log.tee", "1"}} << 2 << true;
    QTest::newRow("tee True") << Map{{"log.tee", "True"}} << 2 << true;
    QTest::newRow("tee 0") << Map{{"log.tee", "0"}} << 2 << false;
    QTest::newRow("tee FALSE") << Map{{"log.tee", "FALSE"}} << 2 << false;
}

void TestConfiguration::buildFileSystemLogger()
{
    QFETCH(Map, settings);
    QFETCH(int, filter);
    QFETCH(bool, tee);
    const QString dir = TestEnvironment::freshDir(QStringLiteral("buildFileSystemLogger"));
    settings.insert(QStringLiteral("log.filename"), dir + QStringLiteral("/app.log"));
    auto configuration = Configuration::load(Properties(settings), QString());
    const auto logger = Configuration::buildFileSystemLogger(*configuration);
    QCOMPARE(int(logger->filter()), filter);
    QCOMPARE(logger->isTeeEnabled(), tee);
    QVERIFY(QFile::exists(dir + QStringLiteral("/app-0.log")));
    // The static builder does not fill the configuration's cache.
    QVERIFY(!configuration->logger());
}

void TestConfiguration::buildFileSystemLoggerSizes()
{
    const QString dir = TestEnvironment::freshDir(QStringLiteral("buildSizes"));
    const auto dumpOf = [&](const Map& settings) {
        Map map = settings;
        map.insert(QStringLiteral("log.filename"), dir + QStringLiteral("/app.log"));
        auto configuration = Configuration::load(Properties(map), QString());
        return Configuration::buildFileSystemLogger(*configuration)->toString();
    };
    const QString defaults = dumpOf({});
    QVERIFY2(defaults.contains(QLatin1String("    _maxSize : 1048576 bytes\n")), qPrintable(defaults));
    QVERIFY2(defaults.contains(QLatin1String("       _kept : 10\n")), qPrintable(defaults));
    QVERIFY2(defaults.contains(QLatin1String("    _timeout : 7 days\n")), qPrintable(defaults));
    const QString set = dumpOf({{"log.maxsize", "2048"}, {"log.kept", "3"}, {"log.timeout", "2"}});
    QVERIFY2(set.contains(QLatin1String("    _maxSize : 2048 bytes\n")), qPrintable(set));
    QVERIFY2(set.contains(QLatin1String("       _kept : 3\n")), qPrintable(set));
    QVERIFY2(set.contains(QLatin1String("    _timeout : 2 days\n")), qPrintable(set));
}

void TestConfiguration::buildFileSystemLoggerRefused_data()
{
    QTest::addColumn<Map>("settings");
    QTest::addColumn<QString>("detail");

    const QString file = QStringLiteral("/tmp/never-created.log");
    const auto conf = [](const QString& parameter) {
        return buildContext + QStringLiteral("Configuration parameter [%1] is invalid").arg(parameter);
    };
    QTest::newRow("size not a number") << Map{{"log.filename", file}, {"log.maxsize", "abc"}}
                                       << buildContext + invalid("log.maxsize", "abc");
    QTest::newRow("kept not a number") << Map{{"log.filename", file}, {"log.kept", "3 files"}}
                                       << buildContext + invalid("log.kept", "3 files");
    QTest::newRow("kept beyond 32 bits") << Map{{"log.filename", file}, {"log.kept", "4294967296"}}
                                         << conf("log.kept=4294967296");
    QTest::newRow("timeout beyond range") << Map{{"log.filename", file}, {"log.timeout", "2147483648"}}
                                          << conf("log.timeout=2147483648");
    QTest::newRow("errors joined") << Map{{"log.maxsize", "0"}, {"log.filter", "loud"}}
                                   << buildContext + invalid("log.filename", "") + "\n" + invalid("log.maxsize", "0")
                                          + "\n" + invalid("log.filter", "loud");
}

void TestConfiguration::buildFileSystemLoggerRefused()
{
    QFETCH(Map, settings);
    QFETCH(QString, detail);
    QCOMPARE(buildError(settings), detail);
    QVERIFY(!QFile::exists(QStringLiteral("/tmp/never-created-0.log")));
}

void TestConfiguration::cachedLogger()
{
    const QString dir = TestEnvironment::freshDir(QStringLiteral("cachedLogger"));
    auto configuration = Configuration::load(Properties(Map{{"log.filename", dir + "/app.log"}}), QString());
    QVERIFY(!configuration->logger());
    const auto first = configuration->getOrbuildFileSystemLogger();
    QVERIFY(first);
    QCOMPARE(configuration->getOrbuildFileSystemLogger(), first);
    QCOMPARE(configuration->logger(), first);
    configuration->forgetLogger();
    QVERIFY(!configuration->logger());
    const auto second = configuration->getOrbuildFileSystemLogger();
    QVERIFY(second && second != first);

    // A refused configuration caches nothing.
    auto refused = Configuration::load(Properties(Map{{"log.kept", "0"}}), QString());
    QVERIFY_THROWS_EXCEPTION(Exception, refused->getOrbuildFileSystemLogger());
    QVERIFY(!refused->logger());
}

void TestConfiguration::banner_data()
{
    QTest::addColumn<Map>("settings");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("listed");

    QTest::newRow("title and properties") << Map{{"log.banner.title", "  Vault %1  "}} << "Vault 3.1" << true;
    QTest::newRow("default title") << Map{} << "Configured log, version 3.1" << true;
    QTest::newRow("properties false") << Map{{"log.banner.properties", " FALSE"}} << "Configured log, version 3.1"
                                      << false;
    QTest::newRow("properties 0") << Map{{"log.banner.properties", "0"}} << "Configured log, version 3.1" << false;
    QTest::newRow("properties true") << Map{{"log.banner.properties", "true"}} << "Configured log, version 3.1"
                                     << true;
}

void TestConfiguration::banner()
{
    QFETCH(Map, settings);
    QFETCH(QString, title);
    QFETCH(bool, listed);
    const QString dir = TestEnvironment::freshDir(QStringLiteral("banner"));
    settings.insert(QStringLiteral("log.filename"), dir + QStringLiteral("/app.log"));
    settings.insert(QStringLiteral("log.tee"), QStringLiteral("0"));
    // An error filter: the banner is written anyway.
    settings.insert(QStringLiteral("log.filter"), QStringLiteral("error"));
    auto configuration = Configuration::load(Properties(settings), QStringLiteral("3.1"));
    QCOMPARE(configuration->displayPropertiesWithinBanner(), listed);
    configuration->logBanner();

    const QString border = QLatin1Char('+') + QString(title.size() + 2, QLatin1Char('-')) + QLatin1Char('+');
    QStringList expected{border, QStringLiteral("| %1 |").arg(title), border, Logger::bannerNotice()};
    if (listed) {
        settings.insert(QStringLiteral("app.version"), QStringLiteral("3.1"));
        qsizetype width = 0;
        for (auto it = settings.cbegin(); it != settings.cend(); ++it)
            width = qMax(width, it.key().size());
        for (auto it = settings.cbegin(); it != settings.cend(); ++it)
            expected << it.key().leftJustified(width) + QStringLiteral(" = ") + it.value();
    }
    QCOMPARE(logMessages(dir + QStringLiteral("/app-0.log")), expected);
}

// Values the controller refuses still have a meaning for the banner.
void TestConfiguration::bannerSettings()
{
    const auto configuration =
        Configuration::load(Properties(Map{{"log.banner.title", "   "}, {"log.banner.properties", " Faux "}}), QString());
    QCOMPARE(configuration->logBannerTitle(), QStringLiteral("Configured log, version %1"));
    QVERIFY(!configuration->displayPropertiesWithinBanner());
}

void TestConfiguration::homeAndUser()
{
    QCOMPARE(Configuration::homePath(), TestEnvironment::home());

    const QByteArray user = qgetenv("USER");
    const QByteArray userName = qgetenv("USERNAME");
    qputenv("USER", "alice");
    qputenv("USERNAME", "bob");
    const QString both = Configuration::userAccount();
    qputenv("USER", "");
    const QString fallback = Configuration::userAccount();
    qputenv("USER", user);
    qputenv("USERNAME", userName);
    QCOMPARE(both, QStringLiteral("alice"));
    QCOMPARE(fallback, QStringLiteral("bob"));
}

KOVRIN_TEST_MAIN(TestConfiguration)
#include "tst_configuration.moc"
