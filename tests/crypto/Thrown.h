#pragma once

#include "Exception.h"

#include <QString>

#include <functional>

// The detail of the Exception that call throws, or "<no exception>".
inline QString thrownDetail(const std::function<void()>& call)
{
    try {
        call();
    } catch (const Exception& e) {
        return e.detail();
    }
    return QStringLiteral("<no exception>");
}
