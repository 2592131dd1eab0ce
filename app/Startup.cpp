#include "Startup.h"

#include "ModuleTexts.h"

#include "Exception.h"
#include "Icons.h"
#include "LangBundle.h"
#include "Log.h"
#include "Logger.h"
#include "MainWindow.h"
#include "StartupLanguage.h"
#include "Translator.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QWidget>
#include <QtDebug>

#include <cstdio>

static void initKovrinResources()
{
    Q_INIT_RESOURCE(kovrin_vault_lang);
    Q_INIT_RESOURCE(kovrin_images);
}

namespace {
constexpr int versionMajor = 4;
constexpr int versionMinor = 0;
constexpr int versionPatch = 1;
constexpr qint64 versionBuild = 202605131553;

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
    return QStringLiteral("%1.%2.%3 (%4)").arg(versionMajor).arg(versionMinor).arg(versionPatch).arg(versionBuild);
}

QString Startup::windowTitle()
{
    return QStringLiteral("Kovrin v%1").arg(versionString());
}

void Startup::prepareMainWindow(QWidget& window)
{
    window.setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                          | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    window.setWindowTitle(windowTitle());
    window.setWindowIcon(Icons::getInstance().icon(QStringLiteral("key")));
    window.setGeometry(QRect(window.pos(), QSize(windowWidth, windowHeight)));
}

int Startup::run(int argc, char* argv[])
{
    QApplication application(argc, argv);
    const Options options = parseOptions(QCoreApplication::arguments().mid(1));
    std::shared_ptr<Logger> logger = chooseLogger(options);
    setupLanguage(options.value(QStringLiteral("--lang")));

    int code = 0;
    {
        MainWindow window;
        prepareMainWindow(window);
        window.show();
        window.raise();
        window.activateWindow();
        code = QApplication::exec();
    }
    logger.reset();
    return code;
}
