#pragma once

// The application's light or dark colour scheme. Qt reads and sets it through
// QStyleHints from 6.5 and 6.8; older Qt versions keep the choice here.
class ColorScheme
{
public:
    static bool isDark();
    static void setDark(bool dark);
};
