#pragma once

#include "Zemb1Export.h"

#include <QList>
#include <QObject>
#include <QString>

class Properties;

// Decides whether a configuration is acceptable and records the reasons why
// it is not.
class ZEMB1_EXPORT IConfigController : public QObject
{
    Q_OBJECT
public:
    explicit IConfigController(QObject* parent = nullptr);
    ~IConfigController() override;

    QList<QString> errors() const { return _errors; }
    void insertError(const QString& error);
    QString errorsToString(const QString& separator) const;

    virtual bool isLegalConfiguration(const Properties* properties) = 0;

protected:
    // Each check starts afresh: errors of an earlier check are no reason now.
    void clearErrors() { _errors.clear(); }

private:
    QList<QString> _errors;
};
