#pragma once

#include <QString>

#include <functional>
#include <memory>

class Logger;
class QWidget;

// Runs the body of a slot so that no exception ever reaches Qt's event loop.
// An Exception gives "Error encountered - " and its detail; anything else gives
// the slot's context text followed by "catch(...)". The message is written as
// critical to the logger (when there is one) and shown in a critical box with
// the given parent; the widget stays usable.
class SlotGuard
{
public:
    // True when the body ran to its end. onError, when set, runs after the
    // message box (for the caller's own reset).
    static bool run(QWidget* parent, const QString& context, const std::shared_ptr<Logger>& log,
                    const std::function<void()>& body, const std::function<void()>& onError = {});

    // The message the current exception gives; call inside a catch block only.
    static QString currentMessage(const QString& context);
};
