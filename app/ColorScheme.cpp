#include "ColorScheme.h"

#include <QGuiApplication>
#include <QStyleHints>
#include <QtGlobal>

#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
namespace {
// Without setColorScheme the choice can only be remembered; it starts from
// what the platform reports where Qt can tell (6.5 and later).
bool& fallbackDark()
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    static bool dark = QGuiApplication::styleHints()->colorScheme() == Qt::ColorScheme::Dark;
#else
    static bool dark = false;
#endif
    return dark;
}
} // namespace
#endif

bool ColorScheme::isDark()
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    return QGuiApplication::styleHints()->colorScheme() == Qt::ColorScheme::Dark;
#else
    return fallbackDark();
#endif
}

void ColorScheme::setDark(bool dark)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    QGuiApplication::styleHints()->setColorScheme(dark ? Qt::ColorScheme::Dark : Qt::ColorScheme::Light);
#else
    fallbackDark() = dark;
#endif
}
