#include "IConfigController.h"

IConfigController::IConfigController(QObject* parent) : QObject(parent)
{
}

IConfigController::~IConfigController() = default;

void IConfigController::insertError(const QString& error)
{
    _errors << error;
}

QString IConfigController::errorsToString(const QString& separator) const
{
    return _errors.join(separator);
}
