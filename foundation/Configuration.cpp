#include "Configuration.h"

#include "Exception.h"
#include "Logger.h"
#include "LoggerConfigController.h"
#include "Translator.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringConverter>
#include <QTextStream>

namespace {

const QString loadContext =
    QStringLiteral("shared_ptr<Configuration> Configuration::load(const QString&, const QString&) -> ");
const QString buildContext = QStringLiteral("shared_ptr<Log> Configuration::buildFileSystemLogger(Configuration&) -> ");
const QString versionKey = QStringLiteral("app.version");
const QString defaultVersion = QStringLiteral("0.0.0");

QString zemb(const char* key)
{
    return Translator::getInstance().string(QLatin1String(key), QStringLiteral("zemb"));
}

} // namespace

Configuration::Configuration(const QString& fileName, QObject* parent) : QObject(parent), _fileName(fileName)
{
    _properties.insert(versionKey, defaultVersion);
}

Configuration::~Configuration() = default;

std::shared_ptr<Configuration> Configuration::load(const QString& fileName, const QString& version)
{
    if (!QFileInfo::exists(fileName))
        throw Exception(loadContext + zemb("FileDoesntExist").arg(fileName));
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw Exception(loadContext + zemb("FileNotReadable").arg(fileName));

    // Unlike a properties file: lines are taken as they are and a repeated key
    // keeps its first value.
    Properties read;
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Utf8);
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype at = line.indexOf(QLatin1Char('='));
        if (at >= 0 && !read.contains(line.left(at)))
            read.insert(line.left(at), line.mid(at + 1));
    }
    file.close();

    auto configuration = std::make_shared<Configuration>(fileName);
    configuration->_properties = read;
    configuration->setVersion(version);
    return configuration;
}

std::shared_ptr<Configuration> Configuration::load(const Properties& properties, const QString& version)
{
    auto configuration = std::make_shared<Configuration>();
    configuration->_properties = properties;
    configuration->setVersion(version);
    return configuration;
}

void Configuration::setVersion(const QString& version)
{
    if (!version.isEmpty())
        _properties.insert(versionKey, version, true);
    else if (!_properties.contains(versionKey))
        _properties.insert(versionKey, defaultVersion);
}

std::shared_ptr<Logger> Configuration::buildFileSystemLogger(Configuration& configuration)
{
    LoggerConfigController controller;
    if (!configuration.isLegalConfiguration(controller))
        throw Exception(buildContext + controller.errorsToString(QStringLiteral("\n")));

    const Properties& properties = configuration._properties;
    const auto number = [&](const QString& key, quint64 fallback, quint64 max) {
        if (!properties.contains(key))
            return fallback;
        const QString value = properties.value(key);
        const auto parsed = Properties::decimal(value, max);
        if (!parsed)
            throw Exception(buildContext + zemb("ConfParamInvalid").arg(key + QLatin1Char('=') + value));
        return *parsed;
    };
    // The logger counts files and days in signed 32-bit indexes.
    constexpr quint64 max32 = 0x7fffffff;
    const quint64 maxSize = number(QStringLiteral("log.maxsize"), 1048576, std::numeric_limits<quint64>::max());
    const quint64 kept = number(QStringLiteral("log.kept"), 10, max32);
    const quint64 timeout = number(QStringLiteral("log.timeout"), 7, max32);
    const QString filterKey = QStringLiteral("log.filter");
    const LoggerLevel::LogLevel filter =
        properties.contains(filterKey) ? Logger::levelFromName(properties.value(filterKey)) : LoggerLevel::Warning;

    auto logger = std::make_shared<Logger>(properties.value(QStringLiteral("log.filename")), maxSize, quint32(kept),
                                           quint32(timeout), filter);
    // The copy to the Qt message log stays on unless "log.tee" asks otherwise;
    // "true" is accepted by the controller, so it means "1".
    const QString teeKey = QStringLiteral("log.tee");
    if (properties.contains(teeKey)) {
        const QString tee = properties.value(teeKey).trimmed().toLower();
        if (tee != QLatin1String("1") && tee != QLatin1String("true"))
            logger->disableTee();
    }
    return logger;
}

std::shared_ptr<Logger> Configuration::getOrbuildFileSystemLogger()
{
    if (!_spLogger)
        _spLogger = buildFileSystemLogger(*this);
    return _spLogger;
}

void Configuration::logBanner()
{
    const auto logger = getOrbuildFileSystemLogger();
    logger->logBanner(logBannerTitle(), _properties.value(versionKey),
                      displayPropertiesWithinBanner() ? &_properties : nullptr);
}

QString Configuration::logBannerTitle() const
{
    const QString key = QStringLiteral("log.banner.title");
    const QString title = _properties.contains(key) ? _properties.value(key).trimmed() : QString();
    return title.isEmpty() ? zemb("DefaultLogTitle") : title;
}

bool Configuration::displayPropertiesWithinBanner() const
{
    const QString key = QStringLiteral("log.banner.properties");
    if (!_properties.contains(key))
        return true;
    // "0" too: the controller accepts it as a boolean.
    const QString value = _properties.value(key).trimmed().toLower();
    return value != QLatin1String("false") && value != QLatin1String("faux") && value != QLatin1String("0");
}

QString Configuration::homePath()
{
    return QDir::homePath();
}

QString Configuration::userAccount()
{
    const QString user = qEnvironmentVariable("USER");
    return user.isEmpty() ? qEnvironmentVariable("USERNAME") : user;
}

bool Configuration::isLegalConfiguration(IConfigController& controller) const
{
    return controller.isLegalConfiguration(&_properties);
}
