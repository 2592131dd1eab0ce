#include "Base.h"
#include "Icons.h"
#include "Model.h"
#include "ProcessHardening.h"
#include "SanitizerAllocator.h"
#include "LangBundle.h"
#include "Log.h"
#include "Logger.h"
#include "MainWindow.h"
#include "Startup.h"
#include "TestMain.h"
#include "Translator.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QRegularExpression>

#include <cstring>
#include <utility>

#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

using Options = Startup::Options;

class TestStartup : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void parseOptions_data();
    void parseOptions();
    void chooseLanguage_data();
    void chooseLanguage();
    void bundlesHaveTwins();
    void setupLanguage();
    void fileLogger();
    void fileLoggerRefused();
    void mainWindow();
    void icons();
    void vaultFileArgument_data();
    void vaultFileArgument();
    void clipboardTimeout_data();
    void clipboardTimeout();
    void filterAsYouType_data();
    void filterAsYouType();
    void helpAndVersionTexts();
    void helpAndVersionOfTheProgram_data();
    void helpAndVersionOfTheProgram();
    void vaultFileOnTheVaultPage();
    void hardening();
    void programIsHardened();
    void memoryLockDecision_data();
    void memoryLockDecision();
    void memoryLockWarning_data();
    void memoryLockWarning();
    void memoryLockInEffect_data();
    void memoryLockInEffect();
};

void TestStartup::parseOptions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<Options>("expected");
    QTest::newRow("none") << QStringList{} << Options{};
    QTest::newRow("name=value") << QStringList{"--lang=fr_FR"} << Options{{"--lang", "fr_FR"}};
    QTest::newRow("no value") << QStringList{"--log"} << Options{{"--log", ""}};
    QTest::newRow("empty value") << QStringList{"--log="} << Options{{"--log", ""}};
    QTest::newRow("value with =") << QStringList{"--log=a=b"} << Options{{"--log", "a=b"}};
    QTest::newRow("leading = ignored") << QStringList{"=x", "--lang=en_US"} << Options{{"--lang", "en_US"}};
    QTest::newRow("last wins") << QStringList{"--lang=fr_FR", "--lang=en_US"} << Options{{"--lang", "en_US"}};
    QTest::newRow("unknown kept") << QStringList{"--other=1", "-LANG=x"} << Options{{"--other", "1"}, {"-LANG", "x"}};
    QTest::newRow("case-sensitive") << QStringList{"--LANG=fr_FR"} << Options{{"--LANG", "fr_FR"}};
}

void TestStartup::parseOptions()
{
    QFETCH(QStringList, arguments);
    QFETCH(Options, expected);
    QCOMPARE(Startup::parseOptions(arguments), expected);
}

void TestStartup::chooseLanguage_data()
{
    QTest::addColumn<QString>("requested");
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QString>("system");
    QTest::addColumn<QString>("expected");
    QTest::newRow("nothing asked, French system") << "" << "" << "fr_FR" << "fr_FR";
    QTest::newRow("option beats LANG") << "fr_FR" << "en_US.UTF-8" << "en_US" << "fr_FR";
    QTest::newRow("unavailable option, LANG decides") << "fr" << "fr_FR.UTF-8" << "en_US" << "fr_FR";
    QTest::newRow("nothing available") << "de_DE" << "de_DE.UTF-8" << "de_DE" << "en_US";
    QTest::newRow("LANG=C") << "" << "C" << "fr_FR" << "en_US";
    QTest::newRow("LANG without dot") << "" << "fr_FR" << "en_US" << "fr_FR";
    QTest::newRow("cut at the last dot") << "" << "fr_FR.x.UTF-8" << "en_US" << "en_US";
    QTest::newRow("option is exact") << "FR_fr" << "" << "en_US" << "en_US";
    QTest::newRow("empty LANG, system") << "" << "" << "en_US" << "en_US";
}

void TestStartup::chooseLanguage()
{
    QFETCH(QString, requested);
    QFETCH(QString, lang);
    QFETCH(QString, system);
    QFETCH(QString, expected);
    const QStringList available{QStringLiteral("en_US"), QStringLiteral("fr_FR")};
    QCOMPARE(Startup::chooseLanguage(requested, lang, system, available), expected);
}

void TestStartup::bundlesHaveTwins()
{
    // Every bundle compiled into the program and its libraries exists in every
    // language, with the same keys.
    QCOMPARE(Startup::availableLanguages(), (QStringList{QStringLiteral("en_US"), QStringLiteral("fr_FR")}));
    const QStringList names = QDir(QStringLiteral(":resources/lang")).entryList({QStringLiteral("*_en_US.lang")});
    const QSet<QString> expected{"kovrin", "MainWindow", "zemb", "cipher"};
    QSet<QString> modules;
    for (const QString& name : names) {
        const QString module = name.left(name.size() - int(qstrlen("_en_US.lang")));
        modules << module;
        const auto en = LangBundle::load(QStringLiteral(":resources/lang"), module, QStringLiteral("en_US"));
        const auto fr = LangBundle::load(QStringLiteral(":resources/lang"), module, QStringLiteral("fr_FR"));
        const QStringList enKeys(en->keyBegin(), en->keyEnd());
        const QStringList frKeys(fr->keyBegin(), fr->keyEnd());
        QCOMPARE(frKeys, enKeys);
        for (const QString& key : enKeys)
            QVERIFY2(!fr->text(key).isEmpty() || en->text(key).isEmpty(), qPrintable(module + "." + key));
    }
    QVERIFY2(modules.contains(expected), qPrintable(QStringList(modules.cbegin(), modules.cend()).join(',')));
}

void TestStartup::setupLanguage()
{
    Translator& t = Translator::getInstance();
    qputenv("LANG", "en_US.UTF-8");
    QCOMPARE(Startup::setupLanguage(QStringLiteral("fr_FR")), QStringLiteral("fr_FR"));
    QCOMPARE(t.defaultLang(), QStringLiteral("fr_FR"));
    QCOMPARE(QLocale().language(), QLocale::French);
    QCOMPARE(QLocale().territory(), QLocale::France);
    QVERIFY(t.bundle(QStringLiteral("zemb"), QStringLiteral("fr_FR")));
    QVERIFY(!t.bundle(QStringLiteral("zemb"), QStringLiteral("en_US")));
    QCOMPARE(t.string(QStringLiteral("DarkTheme")), QStringLiteral("Thème sombre"));

    qputenv("LANG", "de_DE.UTF-8");
    QCOMPARE(Startup::setupLanguage(QStringLiteral("de_DE")), QStringLiteral("en_US"));
    QCOMPARE(QLocale().language(), QLocale::English);
    QCOMPARE(QLocale().territory(), QLocale::UnitedStates);
    QCOMPARE(t.string(QStringLiteral("DarkTheme")), QStringLiteral("Dark theme"));
    QVERIFY(!t.bundle(QStringLiteral("kovrin"), QStringLiteral("fr_FR")));
    qputenv("LANG", "en_US.UTF-8");
}

void TestStartup::fileLogger()
{
    const QString dir = TestEnvironment::freshDir(QStringLiteral("log"));
    const auto logger = Startup::chooseLogger(Options{{"--log", dir + QStringLiteral("/app.log")}});
    QVERIFY(QFile::exists(dir + QStringLiteral("/app-0.log")));
    // Components log through the registry's default logger: it must be this one.
    QCOMPARE(Log::getInstance().log(), logger);
    QCOMPARE(logger->filter(), LoggerLevel::Warning);
    Log::getInstance().log()->warning(QStringLiteral("reaches the file"));
    Log::getInstance().log()->info(QStringLiteral("below the filter"));
    QFile file(dir + QStringLiteral("/app-0.log"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString content = QString::fromUtf8(file.readAll());
    QVERIFY2(content.contains(QStringLiteral("<WARNG> reaches the file")), qPrintable(content));
    QVERIFY(!content.contains(QStringLiteral("below the filter")));

    // Absent or empty: the registry's default logger.
    QCOMPARE(Startup::chooseLogger(Options{}), Log::getInstance().log());
    QCOMPARE(Startup::chooseLogger(Options{{"--log", ""}}), Log::getInstance().log());
}

void TestStartup::fileLoggerRefused()
{
    const auto before = Log::getInstance().log();
    const QString fileName = TestEnvironment::root() + QStringLiteral("/no/such/dir/x.log");
    QString error;
    const auto logger = Startup::chooseLogger(Options{{"--log", fileName}}, &error);
    QCOMPARE(logger, before);
    QVERIFY2(error.contains(fileName), qPrintable(error));
    QVERIFY2(error.contains(QStringLiteral("Access to directory")), qPrintable(error));
}

void TestStartup::mainWindow()
{
    Startup::setupLanguage(QStringLiteral("fr_FR"));
    {
        MainWindow window;
        Startup::prepareMainWindow(window);
        QCOMPARE(window.windowTitle(), QStringLiteral("Kovrin v4.0.1 (202605131553)"));
        QCOMPARE(window.size(), QSize(800, 500));
        QCOMPARE(window.windowFlags(),
                 Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                     | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
        QVERIFY(!window.windowIcon().isNull());
        QCOMPARE(window.lang(), QStringLiteral("fr_FR"));
        auto* file = window.findChild<QMenu*>(QStringLiteral("_mnuFile"));
        QVERIFY(file);
        QCOMPARE(file->title(), QStringLiteral("Fichier"));
        QStringList order;
        for (QAction* action : file->actions())
            order << (action->isSeparator() ? QStringLiteral("|") : action->objectName());
        QCOMPARE(order, (QStringList{"_actNewVault", "|", "_actFullImport", "_actNewRack", "_actDelRack", "_actTheme",
                                     "_actSettings", "_actPasswordReport", "_actSave", "_actLock", "_actQuit"}));
        QVERIFY(!window.actSave()->isEnabled());
        QVERIFY(!window.actLock()->isEnabled()); // no vault to lock
        QCOMPARE(window.actLock()->text(), QStringLiteral("Verrouiller"));
        QVERIFY(!window.actPasswordReport()->isEnabled()); // no vault to check
        QCOMPARE(window.actPasswordReport()->text(), QStringLiteral("Rapport des mots de passe..."));
        QVERIFY(!window.actDelRack()->isEnabled());
        QVERIFY(!window.actNewRack()->isVisible());
        QCOMPARE(window.actSave()->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
        QCOMPARE(window.statusLed()->size(), QSize(16, 16));
        QVERIFY(!window.statusLed()->pixmap().isNull());
    }
    Startup::setupLanguage(QStringLiteral("en_US"));
    MainWindow english;
    QCOMPARE(english.findChild<QMenu*>(QStringLiteral("_mnuFile"))->title(), QStringLiteral("File"));
    QCOMPARE(english.actSave()->text(), QStringLiteral("Save"));
}

void TestStartup::icons()
{
    Icons& icons = Icons::getInstance();
    for (int id = Icons::Copy; id <= Icons::Diskette; ++id)
        QVERIFY2(!icons.icon(id).isNull(), qPrintable(Icons::name(id)));
    QCOMPARE(Icons::name(Icons::Padlock), QStringLiteral("padlock"));
    QCOMPARE(Icons::resource(QStringLiteral("padlock")), QStringLiteral(":images/connection.png"));
    QCOMPARE(Icons::name(19), QStringLiteral("help"));
    QCOMPARE(Icons::name(-1), QStringLiteral("help"));
    QVERIFY(icons.icon(QStringLiteral("unknown")).isNull());
    for (const char* led : {":/images/greenLed.png", ":/images/redLed.png"})
        QVERIFY(!QPixmap(QLatin1String(led)).isNull());
}

void TestStartup::vaultFileArgument_data()
{
    // Files made in the test's folder: "a.kovrin", "b.cph", "x=y.kovrin", "-dash.kovrin", folder "dir".
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("expected");
    QTest::newRow("none") << QStringList{} << "";
    QTest::newRow("one file") << QStringList{"--lang=fr_FR", "a.kovrin"} << "a.kovrin";
    QTest::newRow("the last file wins") << QStringList{"a.kovrin", "--log=x", "b.cph"} << "b.cph";
    QTest::newRow("missing file skipped") << QStringList{"a.kovrin", "nothing.kovrin"} << "a.kovrin";
    QTest::newRow("folder is no file") << QStringList{"dir"} << "";
    QTest::newRow("name with =") << QStringList{"x=y.kovrin"} << "x=y.kovrin";
    QTest::newRow("dash is an option") << QStringList{"-dash.kovrin"} << "";
    QTest::newRow("option value is no file") << QStringList{"--log=a.kovrin"} << "";
}

void TestStartup::vaultFileArgument()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, expected);
    const QString dir = TestEnvironment::freshDir(QStringLiteral("args"));
    for (const char* name : {"a.kovrin", "b.cph", "x=y.kovrin", "-dash.kovrin"}) {
        QFile file(dir + QLatin1Char('/') + QLatin1String(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QVERIFY(QDir(dir).mkdir(QStringLiteral("dir")));
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir));
    const QString found = Startup::vaultFileArgument(arguments);
    QDir::setCurrent(previous);
    QCOMPARE(found, expected.isEmpty() ? QString() : dir + QLatin1Char('/') + expected);
    // The defined options are read as before: a file argument is one more unknown name.
    if (!expected.isEmpty())
        QVERIFY(Startup::parseOptions(arguments).contains(expected.section(QLatin1Char('='), 0, 0)));
}

void TestStartup::clipboardTimeout_data()
{
    QTest::addColumn<Options>("options");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<bool>("refused");
    QTest::newRow("absent") << Options{} << 0 << false;
    QTest::newRow("thirty") << Options{{"--clipboard-timeout", "30"}} << 30 << false;
    QTest::newRow("a day") << Options{{"--clipboard-timeout", "86400"}} << 86400 << false;
    QTest::newRow("over a day") << Options{{"--clipboard-timeout", "86401"}} << 0 << true;
    QTest::newRow("zero") << Options{{"--clipboard-timeout", "0"}} << 0 << true;
    QTest::newRow("negative") << Options{{"--clipboard-timeout", "-5"}} << 0 << true;
    QTest::newRow("no number") << Options{{"--clipboard-timeout", "soon"}} << 0 << true;
    QTest::newRow("empty") << Options{{"--clipboard-timeout", ""}} << 0 << true;
    QTest::newRow("overflow") << Options{{"--clipboard-timeout", "99999999999"}} << 0 << true;
}

void TestStartup::clipboardTimeout()
{
    QFETCH(Options, options);
    QFETCH(int, seconds);
    QFETCH(bool, refused);
    Startup::setupLanguage(QStringLiteral("en_US"));
    QString error;
    QCOMPARE(Startup::clipboardTimeout(options, &error), seconds);
    QCOMPARE(!error.isEmpty(), refused);
    if (refused)
        QCOMPARE(error, QStringLiteral("--clipboard-timeout=%1 is ignored: give a whole number of seconds from 1 to 86400.")
                            .arg(options.value(QStringLiteral("--clipboard-timeout"))));
}

void TestStartup::filterAsYouType_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("on");
    QTest::newRow("absent") << QStringList{"--lang=fr_FR"} << false;
    QTest::newRow("given") << QStringList{"--filter-as-you-type", "vault.kovrin"} << true;
    QTest::newRow("another option alike") << QStringList{"--filter-as-you"} << false;
}

void TestStartup::filterAsYouType()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, on);
    QCOMPARE(Startup::filterAsYouType(Startup::parseOptions(arguments)), on);
}

void TestStartup::helpAndVersionTexts()
{
    QCOMPARE(Startup::versionText(), QStringLiteral("kovrin 4.0.1 (202605131553)\n"));
    const QStringList options{"--lang=CODE", "--log=FILE", "--clipboard-timeout=SECONDS", "--filter-as-you-type",
                              "--help", "--version"};
    for (const auto& [lang, usage] : {std::pair{"en_US", "Usage: kovrin [OPTION...] [VAULT]"},
                                      std::pair{"fr_FR", "Utilisation : kovrin [OPTION...] [COFFRE]"}}) {
        Startup::setupLanguage(QLatin1String(lang));
        const QStringList lines = Startup::helpText().split(QLatin1Char('\n'));
        QCOMPARE(lines.first(), QLatin1String(usage));
        for (const QString& option : options) {
            // One line per option, with its description in the same language, no missing key.
            const QStringList matching = lines.filter(QRegularExpression(QStringLiteral("^  %1 +\\S").arg(
                QRegularExpression::escape(option))));
            QCOMPARE(matching.size(), 1);
            QVERIFY2(!matching.first().contains(QLatin1Char('[')), qPrintable(matching.first()));
        }
        QVERIFY(lines.filter(QStringLiteral("en_US, fr_FR")).size() == 1);
    }
    Startup::setupLanguage(QStringLiteral("en_US"));
}

void TestStartup::helpAndVersionOfTheProgram_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QString>("firstLine");
    QTest::newRow("version") << QStringList{"--version"} << "en_US.UTF-8" << "kovrin 4.0.1 (202605131553)";
    QTest::newRow("help") << QStringList{"--help"} << "en_US.UTF-8" << "Usage: kovrin [OPTION...] [VAULT]";
    QTest::newRow("help, LANG French") << QStringList{"--help"} << "fr_FR.UTF-8"
                                       << "Utilisation : kovrin [OPTION...] [COFFRE]";
    QTest::newRow("help, --lang French") << QStringList{"--lang=fr_FR", "--help"} << "en_US.UTF-8"
                                         << "Utilisation : kovrin [OPTION...] [COFFRE]";
    QTest::newRow("help wins over a file") << QStringList{"x.kovrin", "--help=1"} << "en_US.UTF-8"
                                           << "Usage: kovrin [OPTION...] [VAULT]";
}

void TestStartup::helpAndVersionOfTheProgram()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, lang);
    QFETCH(QString, firstLine);
    // No display at all: both answer without creating a window.
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LANG"), lang);
    environment.remove(QStringLiteral("LC_ALL"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(KOVRIN_PROGRAM), arguments);
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    const QString out = QString::fromLocal8Bit(program.readAllStandardOutput());
    QCOMPARE(out.section(QLatin1Char('\n'), 0, 0), firstLine);
}

void TestStartup::vaultFileOnTheVaultPage()
{
    // "kovrin FILE" as the file manager starts it: one password away from the open vault.
    const QString dir = TestEnvironment::freshDir(QStringLiteral("offer"));
    const QString vault = dir + QStringLiteral("/demo.kovrin");
    QVERIFY(QFile::copy(QStringLiteral(KOVRIN_SOURCE_DIR "/examples/demo.kovrin"), vault));
    QVERIFY(QFile::setPermissions(vault, QFile::ReadOwner | QFile::WriteOwner));
    Startup::setupLanguage(QStringLiteral("en_US"));

    MainWindow window;
    Startup::prepareMainWindow(window);
    Base* base = window.base();
    QVERIFY(base);
    base->setCurrentIndex(1);
    Startup::offerVaultFile(window, {QStringLiteral("--lang=en_US"), vault});
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QCOMPARE(base->currentIndex(), 0);
    auto* file = window.findChild<QLineEdit*>(QStringLiteral("_tbxVaultFile"));
    auto* password = window.findChild<QLineEdit*>(QStringLiteral("_tbxPassword"));
    QVERIFY(file && password);
    QCOMPARE(file->text(), vault);
    QTRY_COMPARE(QApplication::focusWidget(), password);

    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Kovrin-Demo-1"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY(base->model());
    QVERIFY(base->count() > 2);
    QVERIFY(password->text().isEmpty());

    // Nothing that names a file: the Vault page stays as it was.
    MainWindow plain;
    Startup::offerVaultFile(plain, {QStringLiteral("--log="), dir + QStringLiteral("/missing.kovrin"), dir});
    QVERIFY(plain.findChild<QLineEdit*>(QStringLiteral("_tbxVaultFile"))->text().isEmpty());
}

void TestStartup::hardening()
{
    // In a child, so that this test process stays as it was.
    const pid_t child = fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        const bool before = ProcessHardening::dumpable();
        const bool applied = ProcessHardening::apply();
        _exit(before && applied && ProcessHardening::coreDumpsDisabled() && !ProcessHardening::dumpable() ? 0 : 1);
    }
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
}

void TestStartup::programIsHardened()
{
    // The real program, running offscreen, inherits a core limit other than zero
    // from this process and must bring it down to zero itself.
    rlimit limit{};
    QCOMPARE(getrlimit(RLIMIT_CORE, &limit), 0);
    if (limit.rlim_max == 0)
        QSKIP("this process may not dump core at all: nothing to tell the program's limit from");
    limit.rlim_cur = limit.rlim_max;
    QCOMPARE(setrlimit(RLIMIT_CORE, &limit), 0);

    QProcess program;
    program.start(QStringLiteral(KOVRIN_PROGRAM), {QStringLiteral("--lang=en_US")});
    QVERIFY(program.waitForStarted(30000));
    const QString limits = QStringLiteral("/proc/%1/limits").arg(program.processId());
    QString coreLine;
    const auto hardened = [&] {
        QFile file(limits);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        const QStringList lines = QString::fromLatin1(file.readAll()).split(QLatin1Char('\n'));
        coreLine = lines.filter(QStringLiteral("Max core file size")).value(0).simplified();
        return coreLine == QStringLiteral("Max core file size 0 0 bytes");
    };
    QTRY_VERIFY_WITH_TIMEOUT(hardened(), 10000);
    QCOMPARE(program.state(), QProcess::Running);
    program.kill();
    program.waitForFinished(10000);
}

using MemoryLock = ProcessHardening::MemoryLock;
Q_DECLARE_METATYPE(ProcessHardening::MemoryLock)

namespace {
constexpr quint64 MiB = quint64(1) << 20;
}

void TestStartup::memoryLockDecision_data()
{
    QTest::addColumn<quint64>("limit");
    QTest::addColumn<bool>("capability");
    QTest::addColumn<bool>("lock");
    QTest::newRow("usual default, 8 MiB") << 8 * MiB << false << false;
    QTest::newRow("nothing may be locked") << quint64(0) << false << false;
    QTest::newRow("just under 1 GiB") << 1024 * MiB - 1 << false << false;
    QTest::newRow("1 GiB") << 1024 * MiB << false << true;
    QTest::newRow("64 GiB") << 65536 * MiB << false << true;
    QTest::newRow("unlimited") << ProcessHardening::Unlimited << false << true;
    QTest::newRow("8 MiB with CAP_IPC_LOCK") << 8 * MiB << true << true;
}

void TestStartup::memoryLockDecision()
{
    QFETCH(quint64, limit);
    QFETCH(bool, capability);
    QFETCH(bool, lock);
    QCOMPARE(ProcessHardening::mayLockMemory(limit, capability), lock);
}

void TestStartup::memoryLockWarning_data()
{
    QTest::addColumn<MemoryLock>("outcome");
    QTest::addColumn<QString>("expected");
    const QString warning = QStringLiteral(
        "int Startup::run(int, char*[]) -> The memory of the program is not locked (locked-memory limit: 8192 KiB, "
        "at least 1 GiB needed): the open vault may be written to the swap space.");
    QTest::newRow("locked: nothing to say") << MemoryLock::Locked << QString();
    QTest::newRow("limit too low") << MemoryLock::LimitTooLow << warning;
    QTest::newRow("refused by the system") << MemoryLock::Failed << warning;
    QTest::newRow("never locked in this build") << MemoryLock::Unavailable << QString();
}

void TestStartup::memoryLockWarning()
{
    QFETCH(MemoryLock, outcome);
    QFETCH(QString, expected);
    Startup::setupLanguage(QStringLiteral("en_US"));
    QCOMPARE(Startup::memoryLockWarning(outcome, 8 * MiB), expected);
}

namespace {
// Takes CAP_IPC_LOCK out of the effective set, so that the limit binds.
bool dropIpcLock()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
    if (syscall(SYS_capget, &header, data) != 0)
        return false;
    data[CAP_TO_INDEX(CAP_IPC_LOCK)].effective &= ~CAP_TO_MASK(CAP_IPC_LOCK);
    return syscall(SYS_capset, &header, data) == 0;
}

bool holdsIpcLock()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
    return syscall(SYS_capget, &header, data) == 0
           && (data[CAP_TO_INDEX(CAP_IPC_LOCK)].effective & CAP_TO_MASK(CAP_IPC_LOCK)) != 0;
}

// What the child found, as its exit code.
enum ChildResult { Good = 0, NotSetUp = 77, WrongOutcome = 1, LockedAnyway = 2, NothingLocked = 3, FutureNotLocked = 4,
                   LimitNotRaised = 5 };
} // namespace

void TestStartup::memoryLockInEffect_data()
{
    QTest::addColumn<bool>("keepCapability");
    QTest::addColumn<quint64>("soft");
    QTest::addColumn<quint64>("hard");
    QTest::addColumn<MemoryLock>("expected");
    QTest::newRow("limit too low: not locked") << false << 8 * MiB << 8 * MiB << MemoryLock::LimitTooLow;
    QTest::newRow("soft limit raised to the hard one, still too low")
        << false << 4 * MiB << 8 * MiB << MemoryLock::LimitTooLow;
    QTest::newRow("soft limit raised to an unlimited hard one")
        << false << 8 * MiB << ProcessHardening::Unlimited << MemoryLock::Locked;
    QTest::newRow("CAP_IPC_LOCK, whatever the limit") << true << 8 * MiB << 8 * MiB << MemoryLock::Locked;
}

// In a child, so that this test process stays as it was: the outcome, VmLck,
// and that memory mapped after apply() is locked too.
void TestStartup::memoryLockInEffect()
{
    QFETCH(bool, keepCapability);
    QFETCH(quint64, soft);
    QFETCH(quint64, hard);
    QFETCH(MemoryLock, expected);
#if defined(KOVRIN_SANITIZER_ALLOCATOR)
    QSKIP("sanitizer builds never lock their memory");
#endif
    if (keepCapability && !holdsIpcLock())
        QSKIP("this process does not hold CAP_IPC_LOCK");
    const pid_t child = fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        const rlimit limit{hard == ProcessHardening::Unlimited ? RLIM_INFINITY : rlim_t(hard),
                           hard == ProcessHardening::Unlimited ? RLIM_INFINITY : rlim_t(hard)};
        if (setrlimit(RLIMIT_MEMLOCK, &limit) != 0)
            _exit(NotSetUp);
        const rlimit lowered{rlim_t(soft), limit.rlim_max};
        if (setrlimit(RLIMIT_MEMLOCK, &lowered) != 0 || (!keepCapability && !dropIpcLock()))
            _exit(NotSetUp);
        ProcessHardening::apply();
        if (ProcessHardening::memoryLock() != expected)
            _exit(WrongOutcome);
        if (ProcessHardening::memoryLockLimit() != hard)
            _exit(LimitNotRaised);
        const qint64 before = ProcessHardening::lockedBytes();
        if (expected != MemoryLock::Locked)
            _exit(before == 0 ? Good : LockedAnyway);
        if (before <= 0)
            _exit(NothingLocked);
        // Mapped after the lock, touched: locked as it comes in.
        constexpr size_t Size = 64 * MiB;
        void* block = mmap(nullptr, Size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (block == MAP_FAILED)
            _exit(FutureNotLocked);
        std::memset(block, 1, Size);
        _exit(ProcessHardening::lockedBytes() >= before + qint64(Size) ? Good : FutureNotLocked);
    }
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    if (WEXITSTATUS(status) == NotSetUp)
        QSKIP("this process may not set these limits or drop the capability");
    QCOMPARE(WEXITSTATUS(status), int(Good));
}

KOVRIN_TEST_MAIN(TestStartup)
#include "tst_startup.moc"
