#include "ColorScheme.h"

#include "ColorSchemeNotifier.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
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

bool& ownPalette()
{
    static bool own = false;
    return own;
}

bool platformDark()
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    return QGuiApplication::styleHints()->colorScheme() == Qt::ColorScheme::Dark;
#else
    return false;
#endif
}

QPalette darkPalette()
{
    QPalette p;
    const QColor window(45, 45, 48);
    const QColor base(30, 30, 30);
    const QColor text(230, 230, 230);
    const QColor disabled(127, 127, 127);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::ToolTipBase, window);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, Qt::red);
    p.setColor(QPalette::Link, QColor(80, 160, 255));
    p.setColor(QPalette::Highlight, QColor(42, 130, 218));
    p.setColor(QPalette::HighlightedText, Qt::black);
    p.setColor(QPalette::PlaceholderText, disabled);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, disabled);
    return p;
}

void applyPalette(bool dark)
{
    auto* application = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!application)
        return;
    QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"));
    if (!fusion)
        return;
    QApplication::setStyle(fusion);
    QApplication::setPalette(dark ? darkPalette() : fusion->standardPalette());
    ownPalette() = true;
}
} // namespace

bool ColorScheme::isDark()
{
    return chosen() < 0 ? platformDark() : chosen() == 1;
}

ColorSchemeNotifier& ColorScheme::notifier()
{
    static ColorSchemeNotifier instance;
    return instance;
}

bool ColorScheme::usesOwnPalette()
{
    return ownPalette();
}

void ColorScheme::setDark(bool dark)
{
    chosen() = dark ? 1 : 0;
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    QGuiApplication::styleHints()->setColorScheme(dark ? Qt::ColorScheme::Dark : Qt::ColorScheme::Light);
    if (platformDark() == dark) {
        // The platform follows: a palette of ours would now hide its colours.
        if (ownPalette()) {
            if (auto* application = qobject_cast<QApplication*>(QCoreApplication::instance()))
                QApplication::setPalette(application->style()->standardPalette());
            ownPalette() = false;
        }
        emit notifier().switched(dark);
        return;
    }
#endif
    applyPalette(dark);
    emit notifier().switched(dark);
}
