#pragma once

class ColorSchemeNotifier;

// The application's light or dark colour scheme, the one place that answers
// "dark?" and switches. From Qt 6.8 the request goes to QStyleHints; where Qt
// cannot set a scheme (before 6.8) or the platform ignores the request, a dark
// or light Fusion palette is applied instead, so that a switch always shows.
class ColorScheme
{
public:
    static bool isDark();
    static void setDark(bool dark);
    // True while the scheme is shown by a palette of our own.
    static bool usesOwnPalette();

    // Tells every switch made by setDark.
    static ColorSchemeNotifier& notifier();
};
