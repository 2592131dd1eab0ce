#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

// Every message box of the interface is built here, so that icon, window icon,
// parent, buttons and default button are the same everywhere. Each box is modal
// and runs its own event loop; a null parent gives an application-modal box.
class MessageBoxes
{
public:
    // A notice with the OK button only: Information for results, Warning for
    // refused input, Critical for errors. detailedText, when not empty, goes
    // behind the box's details button.
    static void show(QMessageBox::Icon icon, QWidget* parent, const QString& text,
                     const QString& detailedText = QString());

    static void information(QWidget* parent, const QString& text, const QString& detailedText = QString())
    {
        show(QMessageBox::Information, parent, text, detailedText);
    }
    static void warning(QWidget* parent, const QString& text, const QString& detailedText = QString())
    {
        show(QMessageBox::Warning, parent, text, detailedText);
    }
    static void critical(QWidget* parent, const QString& text, const QString& detailedText = QString())
    {
        show(QMessageBox::Critical, parent, text, detailedText);
    }

    // A question; returns the button pressed (the escape button when the box
    // is closed otherwise), NoButton when a lock closed it or kept it from
    // opening: the caller must then leave everything as it was.
    static QMessageBox::StandardButton ask(QWidget* parent, const QString& text, const QString& informativeText,
                                           QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No,
                                           QMessageBox::StandardButton defaultButton = QMessageBox::Yes,
                                           const QString& detailedText = QString());
};
