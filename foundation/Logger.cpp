#include "Logger.h"

#include "Exception.h"
#include "Log.h"
#include "Properties.h"
#include "Translator.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QtDebug>

#include <algorithm>
#include <mutex>

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

const QString constructorContext =
    QStringLiteral("Logger::Logger(const QString&, quint64, quint32, quint32, LogLevel, LogFormatter) -> ");
const QString writeContext = QStringLiteral("void Logger::writeTrace(LogLevel, const QString&) -> ");
const QString buildContext = QStringLiteral("static shared_ptr<Logger> Logger::buildLog(QJsonObject&) -> ");

constexpr quint64 defaultMaxSize = 1048576;
constexpr quint32 defaultKept = 5;
constexpr int lockTimeoutMs = 300;

QString zemb(const char* key)
{
    return Translator::getInstance().string(QLatin1String(key), QStringLiteral("zemb"));
}

// Log lines may name racks and roles: the files are the owner's alone, and a
// link planted under a log file's name (in a shared folder, say) is never
// followed, so the logger cannot be made to write into another file.
// An existing file that others could read is tightened to owner-only.
bool openPrivate(QFile& file, bool create)
{
#if defined(Q_OS_UNIX)
    const QByteArray path = QFile::encodeName(file.fileName());
    const int flags = O_RDWR | O_CLOEXEC | O_NOFOLLOW | (create ? O_CREAT | O_EXCL : O_APPEND);
    int fd;
    do {
        fd = ::open(path.constData(), flags, S_IRUSR | S_IWUSR);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)
        || ((st.st_mode & (S_IRWXG | S_IRWXO)) != 0 && ::fchmod(fd, S_IRUSR | S_IWUSR) != 0)) {
        ::close(fd);
        return false;
    }
    if (!file.open(fd, QIODevice::ReadWrite | QIODevice::Append | QIODevice::Text, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
#else
    const QIODevice::OpenMode mode =
        QIODevice::ReadWrite | QIODevice::Text | (create ? QIODevice::NewOnly : QIODevice::Append);
    return file.open(mode, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
#endif
}

QString levelTag(LoggerLevel::LogLevel level)
{
    switch (level) {
    case LoggerLevel::Info: return QStringLiteral("INFOR");
    case LoggerLevel::Warning: return QStringLiteral("WARNG");
    case LoggerLevel::Critical: return QStringLiteral("ERROR");
    case LoggerLevel::Fatal: return QStringLiteral("FATAL");
    default: return QStringLiteral("DEBUG");
    }
}

// Creation time of a log file; file systems that do not record it fall back to
// the last status change.
QDateTime creationTime(const QString& fileName)
{
    const QFileInfo info(fileName);
    const QDateTime birth = info.birthTime();
    return birth.isValid() ? birth : info.metadataChangeTime();
}

LoggerLevel::LogLevel filterFromName(const QString& name)
{
    const QString n = name.toLower();
    if (n == QLatin1String("inf") || n == QLatin1String("info") || n == QLatin1String("information"))
        return LoggerLevel::Info;
    if (n == QLatin1String("err") || n == QLatin1String("error"))
        return LoggerLevel::Critical;
    if (n == QLatin1String("ftl") || n == QLatin1String("fatal"))
        return LoggerLevel::Fatal;
    if (n == QLatin1String("dbg") || n == QLatin1String("debug") || n == QLatin1String("all"))
        return LoggerLevel::Debug;
    return LoggerLevel::Warning;
}

// The builders' common ending: a logger that cannot be constructed leaves the
// registry's default logger in use, with the reason written to it.
template <typename Build>
std::shared_ptr<Logger> orDefaultLogger(const QString& context, Build build)
{
    try {
        return build();
    } catch (const Exception& e) {
        qCritical().noquote() << e.detail();
        auto fallback = Log::getInstance().log();
        fallback->critical(e.detail());
        return fallback;
    } catch (...) {
        auto fallback = Log::getInstance().log();
        fallback->critical(context + QStringLiteral("catch(...) ?"));
        return fallback;
    }
}

} // namespace

Logger::Logger() : _spMutex(std::make_shared<QMutex>())
{
}

Logger::Logger(const QString& fileName, quint64 maxSize, quint32 kept, quint32 timeout, LoggerLevel::LogLevel filter,
               LogFormatter formatter)
    : _formatter(formatter ? formatter : &Logger::formatter)
    , _maxSize(maxSize ? maxSize : defaultMaxSize)
    , _timeout(timeout)
    , _kept(kept ? kept : defaultKept)
    , _tee(true)
    , _filter(filter)
{
    const QChar separator = QDir::separator();
    const qsizetype at = fileName.lastIndexOf(separator);
    QString directory = at >= 0 ? fileName.left(at) : QDir::homePath();
    if (at == 0)
        directory = separator;
    QString name = at >= 0 ? fileName.mid(at + 1) : fileName;

    const QFileInfo dirInfo(directory);
    if (!dirInfo.exists() || !dirInfo.isDir() || !dirInfo.isReadable() || !dirInfo.isWritable())
        throw Exception(constructorContext + zemb("DirAccessFailure").arg(directory));

    if (name.endsWith(QLatin1String(".log")))
        name.chop(4);
    const QString dirPrefix = directory.endsWith(separator) ? directory : directory + separator;
    _spFileName = std::make_shared<QString>(dirPrefix + name + QStringLiteral("-%d.log"));

    _last = lookForLastFile();
    if (_last < 0)
        throw Exception(constructorContext + zemb("FileCreatingFailure").arg(this->fileName(0)));
    const QString current = this->fileName(_last);
    if (QFileInfo::exists(current)) {
        _spFile = std::make_shared<QFile>(current);
        if (!openPrivate(*_spFile, false)) {
            _spFile.reset();
            throw Exception(constructorContext + zemb("FileAppendFailure").arg(current));
        }
        if (needsRotate())
            _last = rotation(_last);
    } else if (!createFile(_last)) {
        throw Exception(constructorContext + zemb("FileCreatingFailure").arg(current));
    }
    _spMutex = std::make_shared<QMutex>();
}

Logger::~Logger() = default;

QString Logger::fileName(qint32 index) const
{
    if (!_spFileName)
        return QString();
    QString name = *_spFileName;
    return name.replace(QLatin1String("%d"), QString::number(index));
}

bool Logger::createFile(qint32 index)
{
    _spFile = std::make_shared<QFile>(fileName(index));
    if (!openPrivate(*_spFile, true)) {
        _spFile.reset();
        return false;
    }
    return true;
}

qint32 Logger::lookForLastFile()
{
    for (qint32 i = qint32(_kept) - 1; i >= 0; --i) {
        if (QFileInfo::exists(fileName(i))) {
            if (quint64(QFileInfo(fileName(i)).size()) >= _maxSize)
                return rotation(i);
            return i;
        }
    }
    return 0;
}

qint32 Logger::rotation(qint32 index)
{
    if (!_spFileName)
        return -5;
    if (_spFile) {
        _spFile->close();
        _spFile.reset();
    }
    const qint32 lastIndex = qint32(_kept) - 1;
    // A negative index is an earlier rotation failure: retry with a full shift.
    if (index >= 0 && index < lastIndex)
        return createFile(index + 1) ? index + 1 : -1;

    if (QFile::exists(fileName(0)) && !QFile::remove(fileName(0)))
        return -2;
    for (qint32 j = 1; j <= lastIndex; ++j) {
        // A gap in the series (a file removed by hand) is skipped, not an error.
        if (QFile::exists(fileName(j)) && !QFile::rename(fileName(j), fileName(j - 1)))
            return -3;
    }
    return createFile(lastIndex) ? lastIndex : -4;
}

bool Logger::needsRotate() const
{
    if (!_spFileName || !_spFile)
        return false;
    if (QDateTime::currentDateTime() >= creationTime(fileName(_last)).addDays(_timeout))
        return true;
    return quint64(_spFile->size()) >= _maxSize;
}

bool Logger::needsRotate(const QString& line) const
{
    if (needsRotate())
        return true;
    if (!_spFileName || !_spFile)
        return false;
    return quint64(_spFile->size()) + quint64(line.toUtf8().size()) >= _maxSize;
}

void Logger::close()
{
    if (_spFile && _spFile->isOpen())
        _spFile->close();
}

LoggerLevel::LogLevel Logger::setFilter(LoggerLevel::LogLevel filter)
{
    const auto previous = _filter;
    _filter = filter;
    return previous;
}

LogFormatter Logger::setFormatter(LogFormatter formatter)
{
    const auto previous = _formatter;
    _formatter = formatter ? formatter : &Logger::formatter;
    return previous;
}

void Logger::formatter(LoggerLevel::LogLevel level, const QString& message, QString& output)
{
    output = QStringLiteral("%1 <%2> %3")
                 .arg(QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss,zzz")),
                      levelTag(level), message);
}

void Logger::debug(const QString& message) { writeTrace(LoggerLevel::Debug, message); }
void Logger::info(const QString& message) { writeTrace(LoggerLevel::Info, message); }
void Logger::warning(const QString& message) { writeTrace(LoggerLevel::Warning, message); }
void Logger::critical(const QString& message) { writeTrace(LoggerLevel::Critical, message); }
void Logger::fatal(const QString& message) { writeTrace(LoggerLevel::Fatal, message); }

void Logger::writeConsole(LoggerLevel::LogLevel level, const QString& text) const
{
    switch (level) {
    case LoggerLevel::Info: qInfo().noquote() << text; break;
    case LoggerLevel::Warning: qWarning().noquote() << text; break;
    // Qt's fatal channel aborts the process: a fatal log line must not crash
    // the program, so it is copied to the critical channel.
    case LoggerLevel::Critical:
    case LoggerLevel::Fatal: qCritical().noquote() << text; break;
    default: qDebug().noquote() << text; break;
    }
}

void Logger::writeTrace(LoggerLevel::LogLevel level, const QString& message)
{
    if (level < _filter)
        return;
    if (!_spMutex->tryLock(lockTimeoutMs)) {
        QString line;
        _formatter(level, message, line);
        qDebug().noquote() << QStringLiteral("Logger::writeTrace DEADLOCK >> stdout - ") + line;
        return;
    }
    std::unique_lock<QMutex> lock(*_spMutex, std::adopt_lock);

    QString line;
    _formatter(level, message, line);
    if (!_spFileName) {
        writeConsole(level, line);
        return;
    }
    try {
        if (_tee) {
            line += QStringLiteral(" [Tee]");
            writeConsole(level, line);
        }
        QByteArray bytes = line.toUtf8();
        bytes.append('\n');
        // Without a file, an earlier rotation failed: try again.
        if (!_spFile || needsRotate(QString::fromUtf8(bytes)))
            _last = rotation(_last);
        if (_spFile && _spFile->write(bytes) == bytes.size() && _spFile->flush())
            return;
        writeConsole(level, line + QLatin1Char(' ') + zemb("LogRotationFailure"));
    } catch (const Exception&) {
        lock.unlock();
        if (!_tee)
            writeConsole(level, line + QStringLiteral(" [>>]"));
        throw;
    } catch (...) {
        lock.unlock();
        if (!_tee)
            writeConsole(level, line + QStringLiteral(" [>>]"));
        throw Exception(writeContext + QStringLiteral("catch(...) ?"));
    }
}

QString Logger::bannerNotice()
{
    return QStringLiteral("Lines below are written by this process; times are local.");
}

void Logger::writeBanner(const QString& title, const QString& version, const QStringList& extraLines)
{
    const QString text = title.contains(QLatin1String("%1")) ? QString(title).arg(version)
                                                                : title + QStringLiteral(" v") + version;
    const QString border = QLatin1Char('+') + QString(text.size() + 2, QLatin1Char('-')) + QLatin1Char('+');
    const auto previous = setFilter(LoggerLevel::Info);
    info(border);
    info(QStringLiteral("| ") + text + QStringLiteral(" |"));
    info(border);
    info(bannerNotice());
    for (const QString& extra : extraLines)
        info(extra);
    setFilter(previous);
}

void Logger::logBanner(const QString& title, const QString& version, const QJsonDocument* configuration)
{
    QStringList extra;
    if (configuration) {
        extra << zemb("InitialJsonStream");
        extra << QString::fromUtf8(configuration->toJson(QJsonDocument::Indented)).trimmed();
    }
    writeBanner(title, version, extra);
}

void Logger::logBanner(const QString& title, const QString& version, const QMap<QString, QString>* configuration)
{
    QStringList extra;
    if (configuration)
        for (auto it = configuration->cbegin(); it != configuration->cend(); ++it)
            extra << it.key() + QStringLiteral(" = ") + it.value();
    writeBanner(title, version, extra);
}

std::shared_ptr<Logger> Logger::buildLog(const QJsonObject& config)
{
    const QJsonValue log = config.value(QStringLiteral("log"));
    if (!log.isArray())
        return Log::getInstance().log();

    QString fileName;
    qint64 maxSize = 1048576;
    qint64 timeout = 7;
    qint64 kept = 10;
    LoggerLevel::LogLevel filter = LoggerLevel::Warning;
    bool tee = false;
    for (const QJsonValue& item : log.toArray()) {
        const QJsonObject o = item.toObject();
        if (o.contains(QStringLiteral("fileName")))
            fileName = o.value(QStringLiteral("fileName")).toString();
        if (o.contains(QStringLiteral("maxSize")))
            maxSize = o.value(QStringLiteral("maxSize")).toInteger(maxSize);
        if (o.contains(QStringLiteral("timeout")))
            timeout = o.value(QStringLiteral("timeout")).toInteger(timeout);
        if (o.contains(QStringLiteral("kept")))
            kept = o.value(QStringLiteral("kept")).toInteger(kept);
        if (o.contains(QStringLiteral("filter")))
            filter = filterFromName(o.value(QStringLiteral("filter")).toString());
        if (o.contains(QStringLiteral("tee")))
            tee = o.value(QStringLiteral("tee")).toBool(tee);
    }
    QString title = zemb("LogBannerTitle");
    bool properties = false;
    for (const QJsonValue& item : config.value(QStringLiteral("banner")).toArray()) {
        const QJsonObject o = item.toObject();
        if (o.contains(QStringLiteral("title")))
            title = o.value(QStringLiteral("title")).toString();
        if (o.contains(QStringLiteral("properties")))
            properties = o.value(QStringLiteral("properties")).toBool();
    }
    // Without a file name there is nothing to open: keep the default logger.
    if (fileName.isEmpty())
        return Log::getInstance().log();

    const auto clamp32 = [](qint64 v) { return quint32(std::clamp<qint64>(v, 0, 0x7fffffff)); };
    return orDefaultLogger(buildContext, [&] {
        auto logger = std::make_shared<Logger>(fileName, quint64(qMax<qint64>(0, maxSize)), clamp32(kept),
                                               clamp32(timeout), filter);
        if (tee)
            logger->enableTee();
        else
            logger->disableTee();
        logger->_bannerTitle = title;
        logger->_recordConfigurationData = properties;
        return logger;
    });
}

QString Logger::toString() const
{
    const auto pointer = [](const void* p) { return QStringLiteral("0x%1").arg(quintptr(p), 0, 16); };
    QString out;
    out += QStringLiteral("  _formatter : ") + pointer(reinterpret_cast<const void*>(_formatter)) + QLatin1Char('\n');
    out += QStringLiteral("     _spFile : ")
           + (_spFile && _spFile->isOpen() ? zemb("Opened") : zemb("Closed")) + QLatin1Char('\n');
    out += QStringLiteral(" _spFileName : ") + (_spFileName ? *_spFileName : QString()) + QLatin1Char('\n');
    out += QStringLiteral("    _maxSize : ") + QString::number(_maxSize) + QLatin1Char(' ') + zemb("Bytes")
           + QLatin1Char('\n');
    out += QStringLiteral("    _timeout : ") + QString::number(_timeout) + QLatin1Char(' ') + zemb("Days")
           + QLatin1Char('\n');
    out += QStringLiteral("       _kept : ") + QString::number(_kept) + QLatin1Char('\n');
    out += QStringLiteral("       _last : ") + QString::number(_last) + QLatin1Char('\n');
    out += QStringLiteral("        _tee : ") + (_tee ? zemb("True") : zemb("False")) + QLatin1Char('\n');
    out += QStringLiteral("     _filter : ") + QString::number(int(_filter)) + QLatin1Char('\n');
    out += QStringLiteral("    _spMutex : ") + pointer(_spMutex.get()) + QLatin1Char('\n');
    out += QStringLiteral("_bannerTitle : ") + _bannerTitle + QLatin1Char('\n');
    return out;
}

// ---------------------------------------------------------------------------
// Configuration-file forms (Properties)
// ---------------------------------------------------------------------------

namespace {

const QString propertiesBuildContext =
    QStringLiteral("shared_ptr<Logger> Logger::buildLog(const QMap<QString,QString>&) -> ");

} // namespace

LoggerLevel::LogLevel Logger::levelFromName(const QString& name)
{
    // The JSON builder's names, except that a name it does not know means
    // everything (debug) rather than warning.
    const QString n = name.toLower();
    if (n == QLatin1String("warn") || n == QLatin1String("wrn") || n == QLatin1String("warning"))
        return LoggerLevel::Warning;
    const LoggerLevel::LogLevel level = filterFromName(n);
    return level == LoggerLevel::Warning ? LoggerLevel::Debug : level;
}

void Logger::logBanner(const QString& title, const QString& version, const Properties* configuration)
{
    QStringList extra;
    if (configuration && !configuration->empty()) {
        qsizetype width = 0;
        for (auto key = configuration->keyBegin(); key != configuration->keyEnd(); ++key)
            width = qMax(width, key->size());
        for (auto it = configuration->begin(); it != configuration->end(); ++it)
            extra << it.key().leftJustified(width) + QStringLiteral(" = ") + it.value();
    }
    writeBanner(title, version, extra);
}

std::shared_ptr<Logger> Logger::buildLog(const Properties& properties)
{
    const auto text = [&](const char* key, const QString& fallback) {
        const QString k = QLatin1String(key);
        return properties.contains(k) ? properties.value(k) : fallback;
    };
    const QString fileName = text("log.filename", QString());
    // Without a file name there is nothing to open: keep the default logger.
    if (fileName.isEmpty())
        return Log::getInstance().log();

    const auto number = [&](const char* key, quint64 fallback, quint64 max) {
        const QString value = text(key, QString::number(fallback));
        const auto parsed = Properties::decimal(value, max);
        if (!parsed)
            throw Exception(propertiesBuildContext
                            + zemb("InvalidParameter").arg(QLatin1String(key), value));
        return *parsed;
    };
    // One megabyte like every other builder: a one-byte limit would rotate
    // the files at every line.
    const quint64 maxSize = number("log.maxsize", defaultMaxSize, std::numeric_limits<quint64>::max());
    const quint32 kept = quint32(number("log.kept", 10, 0x7fffffff));
    const quint32 timeout = quint32(number("log.timeout", 7, 0x7fffffff));
    const LoggerLevel::LogLevel filter = levelFromName(text("log.filter", QStringLiteral("warn")));
    const QString tee = text("log.tee", QStringLiteral("0")).trimmed().toLower();

    return orDefaultLogger(propertiesBuildContext, [&] {
        auto logger = std::make_shared<Logger>(fileName, maxSize, kept, timeout, filter);
        // "false" as well as "0": both are the controller's boolean forms.
        if (tee == QLatin1String("0") || tee == QLatin1String("false"))
            logger->disableTee();
        else
            logger->enableTee();
        logger->_bannerTitle = text("banner.title", zemb("DefaultLogBanner"));
        if (properties.contains(QStringLiteral("banner.properties"))) {
            const QString record = properties.value(QStringLiteral("banner.properties")).trimmed().toLower();
            logger->_recordConfigurationData = record == QLatin1String("1") || record == QLatin1String("true");
        }
        return logger;
    });
}
