#pragma once

#include <QString>

#include <functional>

class QWidget;

// Every "Browse..." button asks for a file name here. Tests install a chooser
// that returns a planned name instead of running Qt's dialog.
class FileDialogs
{
public:
    enum class Mode { Open, Save };
    using Chooser = std::function<QString(Mode mode, QWidget* parent, const QString& caption, const QString& dir,
                                          const QString& filter)>;

    // The chosen file name; empty when the dialog is cancelled.
    static QString openFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filter);
    // Without the dialog's own overwrite question: the callers ask theirs.
    static QString saveFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filter);

    // Replaces Qt's dialogs; an empty chooser puts them back.
    static void setChooser(Chooser chooser);
};
