#include "Settings.h"

#include "Exception.h"
#include "Log.h"
#include "Logger.h"
#include "ModuleTexts.h"
#include "Properties.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <optional>

const QString Settings::ClipboardTimeoutKey = QStringLiteral("clipboard.clear.seconds");
const QString Settings::LockIdleMinutesKey = QStringLiteral("lock.idle.minutes");
const QString Settings::LockOnScreenLockKey = QStringLiteral("lock.on.screen.lock");
const QString Settings::FilterAsYouTypeKey = QStringLiteral("filter.as.you.type");
const QString Settings::HidePasswordsKey = QStringLiteral("table.hide.passwords");

namespace {
// Far above what the keys need: anything longer is not ours.
constexpr qint64 MaxFileSize = 65536;

Settings*& currentSettings()
{
    static Settings* settings = nullptr;
    return settings;
}

QString text(const char* key)
{
    return ModuleTexts::text(QLatin1String(key));
}

QString boolText(bool on)
{
    return on ? QStringLiteral("true") : QStringLiteral("false");
}

// The file's values; a key absent keeps its default, a value not understood
// makes the whole file unusable (key=value in error).
Settings::Values parse(const Properties& properties, QString& error)
{
    Settings::Values values;
    const auto number = [&](const QString& key, int max, int& into) {
        if (!error.isEmpty() || !properties.contains(key))
            return;
        const QString value = properties.value(key);
        if (const std::optional<quint64> parsed = Properties::decimal(value, quint64(max)))
            into = int(*parsed);
        else
            error = key + QLatin1Char('=') + value;
    };
    const auto flag = [&](const QString& key, bool& into) {
        if (!error.isEmpty() || !properties.contains(key))
            return;
        const QString value = properties.value(key);
        if (value == QLatin1String("true") || value == QLatin1String("false"))
            into = value == QLatin1String("true");
        else
            error = key + QLatin1Char('=') + value;
    };
    number(Settings::ClipboardTimeoutKey, Settings::MaxClipboardTimeout, values.clipboardTimeout);
    number(Settings::LockIdleMinutesKey, Settings::MaxLockIdleMinutes, values.lockIdleMinutes);
    flag(Settings::LockOnScreenLockKey, values.lockOnScreenLock);
    flag(Settings::FilterAsYouTypeKey, values.filterAsYouType);
    flag(Settings::HidePasswordsKey, values.hidePasswords);
    return values;
}
} // namespace

Settings::Settings(const QString& fileName, QObject* parent)
    : QObject(parent), _fileName(fileName.isEmpty() ? defaultFileName() : fileName), _previous(currentSettings())
{
    load();
    currentSettings() = this;
}

Settings::~Settings()
{
    if (currentSettings() == this)
        currentSettings() = _previous;
}

Settings* Settings::current()
{
    return currentSettings();
}

QString Settings::defaultFileName()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + QStringLiteral("/kovrin.properties");
}

bool Settings::load()
{
    const QFileInfo info(_fileName);
    if (!info.exists()) {
        setEffective(_stored = Values());
        return true;
    }
    QString error;
    Values read;
    if (!info.isFile() || info.size() > MaxFileSize) {
        error = text("SettingsFileNotUsable");
    } else {
        try {
            read = parse(*Properties::loadProperties(_fileName), error);
        } catch (const Exception& e) {
            error = e.detail();
        }
    }
    if (!error.isEmpty()) {
        if (const auto log = Log::getInstance().log())
            log->warning(text("SettingsFileDamaged").arg(_fileName, error));
        read = Values();
    }
    _stored = read;
    setEffective(read);
    return error.isEmpty();
}

void Settings::save() const
{
    const QString context = QStringLiteral("void Settings::save() const -> ");
    const auto fail = [&](const QString& why) {
        throw Exception(context + text("SettingsNotWritten").arg(_fileName, why));
    };
    const QString folder = QFileInfo(_fileName).absolutePath();
    if (!QFileInfo::exists(folder)) {
        if (!QDir().mkpath(folder))
            fail(folder);
        // The folder is the program's own: nobody else needs to list it.
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    const Properties::Map map{{ClipboardTimeoutKey, QString::number(_stored.clipboardTimeout)},
                              {LockIdleMinutesKey, QString::number(_stored.lockIdleMinutes)},
                              {LockOnScreenLockKey, boolText(_stored.lockOnScreenLock)},
                              {FilterAsYouTypeKey, boolText(_stored.filterAsYouType)},
                              {HidePasswordsKey, boolText(_stored.hidePasswords)}};
    // Written beside the file and renamed over it (a failure leaves the old
    // one), owner-only before the first byte.
    try {
        Properties::saveProperties(_fileName, map, true, QFile::ReadOwner | QFile::WriteOwner);
    } catch (const Exception& e) {
        fail(e.detail());
    }
}

void Settings::setForThisRun(const Values& values)
{
    setEffective(values);
}

void Settings::choose(const Values& values)
{
    Values stored = _stored;
    const auto take = [&](auto Values::*field) {
        if (values.*field != _effective.*field)
            stored.*field = values.*field;
    };
    take(&Values::clipboardTimeout);
    take(&Values::lockIdleMinutes);
    take(&Values::lockOnScreenLock);
    take(&Values::filterAsYouType);
    take(&Values::hidePasswords);
    const Values before = _stored;
    _stored = stored;
    try {
        save();
    } catch (...) {
        _stored = before;
        throw;
    }
    setEffective(values);
}

void Settings::setEffective(const Values& values)
{
    if (values == _effective)
        return;
    _effective = values;
    Q_EMIT changed();
}
