#include "ColorScheme.h"

#include <QGuiApplication>
#include <QStyleHints>
#include <QtGlobal>

namespace {
// The last choice made here. Platforms that cannot switch schemes (and Qt before
// 6.8, which cannot set one) still report what the user chose.
int& chosen()
{
    static int choice = -1; // -1: nothing chosen yet
    return choice;
}

bool platformDark()
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    return QGuiApplication::styleHints()->colorScheme() == Qt::ColorScheme::Dark;
#else
    return false;
#endif
}
} // namespace

bool ColorScheme::isDark()
{
    return chosen() < 0 ? platformDark() : chosen() == 1;
}

void ColorScheme::setDark(bool dark)
{
    chosen() = dark ? 1 : 0;
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    QGuiApplication::styleHints()->setColorScheme(dark ? Qt::ColorScheme::Dark : Qt::ColorScheme::Light);
#endif
}
