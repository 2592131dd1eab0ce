#pragma once

#include "Properties.h"
#include "Zemb1Export.h"

#include <QObject>
#include <QString>

#include <memory>

class IConfigController;
class Logger;

// A key=value configuration file, with the program version under
// "app.version", from which a file logger is built (the "log." keys).
class ZEMB1_EXPORT Configuration : public QObject
{
    Q_OBJECT
public:
    explicit Configuration(const QString& fileName = QString(), QObject* parent = nullptr);
    ~Configuration() override;

    // An empty version keeps the file's "app.version" (or "0.0.0"); any other
    // replaces it.
    static std::shared_ptr<Configuration> load(const QString& fileName, const QString& version);
    static std::shared_ptr<Configuration> load(const Properties& properties, const QString& version);

    QString fileName() const { return _fileName; }
    const Properties& properties() const { return _properties; }
    bool existsKey(const QString& key) const { return _properties.contains(key); }
    QString value(const QString& key) const { return _properties.value(key); }

    static std::shared_ptr<Logger> buildFileSystemLogger(Configuration& configuration);
    // Built on the first call, the same logger afterwards.
    std::shared_ptr<Logger> getOrbuildFileSystemLogger();
    std::shared_ptr<Logger> logger() const { return _spLogger; }
    void forgetLogger() { _spLogger.reset(); }

    void logBanner();
    QString logBannerTitle() const;
    bool displayPropertiesWithinBanner() const;

    static QString homePath();
    static QString userAccount();

    virtual bool isLegalConfiguration(IConfigController& controller) const;

private:
    void setVersion(const QString& version);

    QString _fileName;
    Properties _properties;
    std::shared_ptr<Logger> _spLogger;
};
