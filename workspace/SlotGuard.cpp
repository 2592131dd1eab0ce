#include "SlotGuard.h"

#include "Exception.h"
#include "Logger.h"
#include "MessageBoxes.h"
#include "ModuleTexts.h"

#include <QtDebug>

QString SlotGuard::currentMessage(const QString& context)
{
    try {
        throw;
    } catch (const Exception& e) {
        return ModuleTexts::text(QStringLiteral("ErrorEncounteredCaption")) + QStringLiteral(" - ") + e.detail();
    } catch (...) {
        return context + QStringLiteral("catch(...)");
    }
}

bool SlotGuard::run(QWidget* parent, const QString& context, const std::shared_ptr<Logger>& log,
                    const std::function<void()>& body, const std::function<void()>& onError)
{
    QString message;
    try {
        body();
        return true;
    } catch (...) {
        message = currentMessage(context);
    }
    // Reporting must not throw either: a failing logger or box is itself caught.
    try {
        if (log)
            log->critical(message);
        MessageBoxes::critical(parent, message);
        if (onError)
            onError();
    } catch (...) {
        qCritical().noquote() << message;
    }
    return false;
}
