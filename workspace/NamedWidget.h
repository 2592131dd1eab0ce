#pragma once

#include <QLatin1String>

// The forms' one way to make a child widget: made on its parent and given its
// object name, which the bundle keys and the tests go by.
namespace NamedWidget {

template <typename W, typename P>
W* make(P* parent, const char* name)
{
    auto* widget = new W(parent);
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace NamedWidget
