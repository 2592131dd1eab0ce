#pragma once

#include "ProcessHardening.h"
#include "Settings.h"

#include <QMap>
#include <QString>
#include <QStringList>

#include <memory>

class ClipboardGuard;
class IdleWatcher;
class LockListener;
class Logger;
class MainWindow;
class ScreenLockWatcher;
class QWidget;

// The program's start-up steps, between the application object and the event loop.
class Startup
{
public:
    using Options = QMap<QString, QString>;

    // name=value arguments after the program name; later names replace earlier ones.
    static Options parseOptions(const QStringList& arguments);

    // The file logger asked for by "--log", installed as the registry's default
    // logger, or the registry's default logger. A file logger that cannot be
    // created is reported on standard error (errorOutput) and replaced by the default.
    static std::shared_ptr<Logger> chooseLogger(const Options& options, QString* error = nullptr);

    // Language codes for which the resources hold a ".lang" file.
    static QStringList availableLanguages();

    // The requested language when available, else the environment's choice.
    static QString chooseLanguage(const QString& requested, const QString& langValue,
                                  const QString& systemLocaleName, const QStringList& available);

    // Sets the Qt locale, the Qt base translation, the translator's default
    // language and the program bundle; returns the language in effect.
    static QString setupLanguage(const QString& requested);

    static QString versionString();
    static QString windowTitle();

    // The vault file named on the command line: the last argument that does not
    // begin with "-" and names an existing file; empty when there is none.
    static QString vaultFileArgument(const QStringList& arguments);
    // Shows that vault file, if any, on the workspace's Vault page, ready for the password.
    static void offerVaultFile(MainWindow& window, const QStringList& arguments);

    // Seconds of "--clipboard-timeout": 0 when absent (copied fields stay); an
    // invalid value gives 0 and a message for the user in error.
    static int clipboardTimeout(const Options& options, QString* error = nullptr);

    // "--filter-as-you-type" (no value): the racks filter as the search line is
    // typed in; without it only Enter and the button filter.
    static bool filterAsYouType(const Options& options);

    // The warning line for the log when the memory was not locked against
    // swap (limit: the locked-memory limit in bytes); empty when it was, or
    // when this build never locks.
    static QString memoryLockWarning(ProcessHardening::MemoryLock outcome, quint64 limit);
    // The command line over the settings file, for this run: a valid
    // "--clipboard-timeout" and "--filter-as-you-type" replace the file's
    // values; an invalid timeout leaves the file's value, with the message
    // in error.
    static void applyOptions(Settings& settings, const Options& options, QString* error = nullptr);

    // The guard takes the settings' clipboard timeout now and whenever it changes.
    static void followSettings(ClipboardGuard& clipboard, const Settings& settings);

    // The lock's triggers besides its action ask the window to lock: the
    // screen lock and the idle time follow the settings, now and whenever
    // they change; the "--lock" listener, when there is one, always asks.
    static void connectLockTriggers(MainWindow& window, const Settings& settings, ScreenLockWatcher& screen,
                                    IdleWatcher& idle, LockListener* listener);

    // What "--help" and "--version" print, in the interface language.
    static QString helpText();
    static QString versionText();

    // Flags, title, icon and geometry of the main window.
    static void prepareMainWindow(QWidget& window);

    // The whole start-up: returns the event loop's exit code.
    static int run(int argc, char* argv[]);

    // The longest clipboard timeout: a day.
    static constexpr int maxClipboardTimeout = Settings::MaxClipboardTimeout;

    static constexpr int windowWidth = 800;
    static constexpr int windowHeight = 500;
};
