#include "Startup.h"

#include "ModuleTexts.h"

#include "Base.h"
#include "ClipboardGuard.h"
#include "Exception.h"
#include "Icons.h"
#include "KovrinVersion.h"
#include "LangBundle.h"
#include "IdleWatcher.h"
#include "LockListener.h"
#include "Log.h"
#include "Logger.h"
#include "MainWindow.h"
#include "ScreenLockWatcher.h"
#include "ProcessHardening.h"
#include "Settings.h"
#include "StartupLanguage.h"
#include "Translator.h"

#include <QApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QWidget>
#include <QtDebug>

#include <chrono>
#include <cstdio>

static void initKovrinResources()
{
    Q_INIT_RESOURCE(kovrin_vault_lang);
    Q_INIT_RESOURCE(kovrin_images);
}

namespace {
constexpr quint64 logMaxSize = 1048576;
constexpr quint32 logKept = 5;
constexpr quint32 logTimeoutDays = 7;
} // namespace

Startup::Options Startup::parseOptions(const QStringList& arguments)
{
    Options options;
    for (const QString& argument : arguments) {
        const qsizetype at = argument.indexOf(QLatin1Char('='));
        if (at == 0)
            continue;
        if (at < 0)
            options.insert(argument, QString());
        else
            options.insert(argument.left(at), argument.mid(at + 1));
    }
    return options;
}

std::shared_ptr<Logger> Startup::chooseLogger(const Options& options, QString* error)
{
    const QString fileName = options.value(QStringLiteral("--log"));
    if (fileName.isEmpty())
        return Log::getInstance().log();
    try {
        Logger fileLogger(fileName, logMaxSize, logKept, logTimeoutDays, LoggerLevel::Warning);
        // Every component logs through the registry's default logger: the file the
        // user asked for becomes that logger. The instance lives until process exit.
        static std::unique_ptr<Log> fileLog;
        fileLog = std::make_unique<Log>(fileLogger);
        return Log::getInstance().log();
    } catch (const Exception& e) {
        const QString message =
            QStringLiteral("kovrin: cannot use the log file %1 (%2); logging to the console instead.")
                .arg(fileName, e.detail());
        if (error)
            *error = message;
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
        return Log::getInstance().log();
    }
}

QStringList Startup::availableLanguages()
{
    initKovrinResources();
    return Log::languages();
}

QString Startup::chooseLanguage(const QString& requested, const QString& langValue, const QString& systemLocaleName,
                                const QStringList& available)
{
    if (available.contains(requested))
        return requested;
    return StartupLanguage::choose(langValue, systemLocaleName, available);
}

QString Startup::setupLanguage(const QString& requested)
{
    const QString lang = chooseLanguage(requested, qEnvironmentVariable("LANG"), QLocale::system().name(),
                                        availableLanguages());

    QLocale::setDefault(lang.startsWith(QLatin1String("fr")) ? QLocale(QLocale::French, QLocale::France)
                                                              : QLocale(QLocale::English, QLocale::UnitedStates));

    static QTranslator qtBase; // one for the whole process
    const QString translations = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (qtBase.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"), translations))
        QCoreApplication::installTranslator(&qtBase);
    else
        qWarning().noquote() << QStringLiteral("Echec de mise en place de la traduction de l'infrastructure Qt pour %1")
                                    .arg(lang);
    qDebug().noquote() << QStringLiteral("Langue de l'infrastructure Qt : %1 (%2)").arg(qtBase.language(), translations);

    ModuleTexts::setLanguage(lang);
    return lang;
}

QString Startup::versionString()
{
    return QStringLiteral("%1.%2.%3 (%4)")
        .arg(KovrinVersion::major)
        .arg(KovrinVersion::minor)
        .arg(KovrinVersion::patch)
        .arg(KovrinVersion::buildStamp);
}

QString Startup::windowTitle()
{
    return QStringLiteral("Kovrin v%1").arg(versionString());
}

QString Startup::vaultFileArgument(const QStringList& arguments)
{
    for (auto it = arguments.crbegin(); it != arguments.crend(); ++it) {
        if (!it->isEmpty() && !it->startsWith(QLatin1Char('-')) && QFileInfo(*it).isFile())
            return QFileInfo(*it).absoluteFilePath();
    }
    return {};
}

void Startup::offerVaultFile(MainWindow& window, const QStringList& arguments)
{
    const QString file = vaultFileArgument(arguments);
    if (!file.isEmpty() && window.base())
        window.base()->offerVaultFile(file);
}

int Startup::clipboardTimeout(const Options& options, QString* error)
{
    const auto option = options.constFind(QStringLiteral("--clipboard-timeout"));
    if (option == options.cend())
        return 0;
    bool ok = false;
    const int seconds = option->toInt(&ok);
    if (ok && seconds >= 1 && seconds <= maxClipboardTimeout)
        return seconds;
    if (error)
        *error = ModuleTexts::text(QStringLiteral("ClipboardTimeoutIgnored")).arg(*option).arg(maxClipboardTimeout);
    return 0;
}

bool Startup::filterAsYouType(const Options& options)
{
    return options.contains(QStringLiteral("--filter-as-you-type"));
}

void Startup::applyOptions(Settings& settings, const Options& options, QString* error)
{
    Settings::Values values = settings.values();
    if (options.contains(QStringLiteral("--clipboard-timeout"))) {
        QString refused;
        const int seconds = clipboardTimeout(options, &refused);
        if (refused.isEmpty())
            values.clipboardTimeout = seconds;
        else if (error)
            *error = refused;
    }
    if (filterAsYouType(options))
        values.filterAsYouType = true;
    settings.setForThisRun(values);
}

void Startup::followSettings(ClipboardGuard& clipboard, const Settings& settings)
{
    clipboard.setTimeout(settings.clipboardTimeout());
    QObject::connect(&settings, &Settings::changed, &clipboard,
                     [&clipboard, &settings] { clipboard.setTimeout(settings.clipboardTimeout()); });
}

void Startup::connectLockTriggers(MainWindow& window, const Settings& settings, ScreenLockWatcher& screen,
                                  IdleWatcher& idle, LockListener* listener)
{
    const auto follow = [&settings, &screen, &idle] {
        screen.setEnabled(settings.lockOnScreenLock());
        idle.setTimeout(std::chrono::minutes(settings.lockIdleMinutes()));
    };
    follow();
    QObject::connect(&settings, &Settings::changed, &idle, follow);
    const auto lock = [&window] { window.onLocking(); };
    QObject::connect(&screen, &ScreenLockWatcher::lockRequested, &window, lock);
    QObject::connect(&idle, &IdleWatcher::lockRequested, &window, lock);
    if (listener)
        QObject::connect(listener, &LockListener::lockRequested, &window, lock);
}

QString Startup::helpText()
{
    const auto text = [](const char* key) { return ModuleTexts::text(QLatin1String(key)); };
    const QList<QPair<QString, QString>> options{
        {QStringLiteral("--lang=CODE"), text("HelpLang").arg(availableLanguages().join(QStringLiteral(", ")))},
        {QStringLiteral("--log=FILE"), text("HelpLog")},
        {QStringLiteral("--clipboard-timeout=SECONDS"), text("HelpClipboardTimeout")},
        {QStringLiteral("--filter-as-you-type"), text("HelpFilterAsYouType")},
        {QStringLiteral("--lock"), text("HelpLock")},
        {QStringLiteral("--help"), text("HelpHelp")},
        {QStringLiteral("--version"), text("HelpVersion")},
    };
    QString help = text("HelpUsage").arg(QStringLiteral("kovrin")) + QLatin1Char('\n') + text("HelpSummary")
                   + QStringLiteral("\n\n");
    for (const auto& [name, description] : options)
        help += QStringLiteral("  %1 %2\n").arg(name, -28).arg(description);
    return help;
}

QString Startup::versionText()
{
    return QStringLiteral("kovrin %1\n").arg(versionString());
}

void Startup::prepareMainWindow(QWidget& window)
{
    window.setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                          | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    window.setWindowTitle(windowTitle());
    window.setWindowIcon(Icons::getInstance().icon(QStringLiteral("key")));
    window.setGeometry(QRect(window.pos(), QSize(windowWidth, windowHeight)));
}

QString Startup::memoryLockWarning(ProcessHardening::MemoryLock outcome, quint64 limit)
{
    using Lock = ProcessHardening::MemoryLock;
    if (outcome != Lock::LimitTooLow && outcome != Lock::Failed)
        return QString();
    const QString shown = limit == ProcessHardening::Unlimited ? QStringLiteral("-") : QString::number(limit / 1024);
    return QStringLiteral("int Startup::run(int, char*[]) -> ")
           + ModuleTexts::text(QStringLiteral("MemoryNotLocked")).arg(shown);
}

namespace {
// "--help" and "--version" answer on standard output without a display.
int printAndQuit(int argc, char* argv[], const Startup::Options& options)
{
    QCoreApplication application(argc, argv);
    Startup::setupLanguage(options.value(QStringLiteral("--lang")));
    const QString text =
        options.contains(QStringLiteral("--help")) ? Startup::helpText() : Startup::versionText();
    std::fputs(text.toLocal8Bit().constData(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

// "--lock" asks every running program of the user to lock and ends: silent
// and 0 when all answered or none runs, 1 when one did not answer.
int lockAndQuit(int argc, char* argv[], const Startup::Options& options)
{
    QCoreApplication application(argc, argv);
    int unanswered = 0;
    LockListener::lockAll(LockListener::answerTimeoutMs, LockListener::folder(), &unanswered);
    if (unanswered == 0)
        return 0;
    Startup::setupLanguage(options.value(QStringLiteral("--lang")));
    const QString message = ModuleTexts::text(QStringLiteral("LockNotAnswered")).arg(unanswered);
    std::fprintf(stderr, "kovrin: %s\n", message.toLocal8Bit().constData());
    return 1;
}
} // namespace

int Startup::run(int argc, char* argv[])
{
    // Before anything reads a secret.
    ProcessHardening::apply();

    QStringList rawArguments;
    for (int i = 1; i < argc; ++i)
        rawArguments << QString::fromLocal8Bit(argv[i]);
    const Options rawOptions = parseOptions(rawArguments);
    if (rawOptions.contains(QStringLiteral("--help")) || rawOptions.contains(QStringLiteral("--version")))
        return printAndQuit(argc, argv, rawOptions);
    if (rawOptions.contains(QStringLiteral("--lock")))
        return lockAndQuit(argc, argv, rawOptions);

    QApplication application(argc, argv);
    // Lets Wayland compositors match the window with its desktop entry.
    QGuiApplication::setDesktopFileName(QLatin1String(KovrinVersion::appId));
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    const Options options = parseOptions(arguments);
    std::shared_ptr<Logger> logger = chooseLogger(options);
    setupLanguage(options.value(QStringLiteral("--lang")));
    const QString lockWarning =
        memoryLockWarning(ProcessHardening::memoryLock(), ProcessHardening::memoryLockLimit());
    if (!lockWarning.isEmpty())
        Log::getInstance().log()->warning(lockWarning);

    // The user's file, then the command line over it for this run.
    Settings settings;
    QString timeoutError;
    applyOptions(settings, options, &timeoutError);
    if (!timeoutError.isEmpty()) {
        std::fprintf(stderr, "kovrin: %s\n", timeoutError.toLocal8Bit().constData());
        Log::getInstance().log()->warning(timeoutError);
    }

    ClipboardGuard clipboard(settings.clipboardTimeout());
    followSettings(clipboard, settings);

    int code = 0;
    {
        MainWindow window;
        prepareMainWindow(window);
        offerVaultFile(window, arguments);
        ScreenLockWatcher screen;
        IdleWatcher idle;
        const std::unique_ptr<LockListener> listener = LockListener::forThisProgram();
        connectLockTriggers(window, settings, screen, idle, listener.get());
        window.show();
        window.raise();
        window.activateWindow();
        code = QApplication::exec();
    }
    logger.reset();
    return code;
}
