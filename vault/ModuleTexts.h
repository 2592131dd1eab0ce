#pragma once

#include <QString>

// Loads a window's own language module in the translator's default language,
// as every window and dialog does before setting its texts.
class ModuleTexts
{
public:
    // Inserts the bundle of module for the current default language (once per
    // process) and returns that language. Failures are reported on the Qt
    // message log; the texts then show as "[key]".
    static QString load(const QString& module);

    // Makes lang the translator's default language and loads the program's
    // message bundle ("kovrin") for it.
    static void setLanguage(const QString& lang);

    // The text of key, looked up by key alone in the default language.
    static QString text(const QString& key);
    // The text of key in module's bundle: widget keys ("_lblPassword.text")
    // repeat from one window to the next.
    static QString text(const QString& key, const QString& module);
};
