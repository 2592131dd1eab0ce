#include "MessageBoxes.h"

#include "Icons.h"
#include "LockGate.h"

namespace {
QString iconName(QMessageBox::Icon icon)
{
    switch (icon) {
    case QMessageBox::Information: return QStringLiteral("info");
    case QMessageBox::Warning: return QStringLiteral("warning");
    case QMessageBox::Critical: return QStringLiteral("error");
    default: return QStringLiteral("help");
    }
}

QMessageBox::StandardButton run(QMessageBox& box, QMessageBox::Icon icon, const QString& text,
                                const QString& informativeText, const QString& detailedText)
{
    box.setIcon(icon);
    box.setWindowIcon(Icons::getInstance().icon(iconName(icon)));
    box.setText(text);
    if (!informativeText.isEmpty())
        box.setInformativeText(informativeText);
    if (!detailedText.isEmpty())
        box.setDetailedText(detailedText);
    box.setWindowModality(box.parentWidget() ? Qt::WindowModal : Qt::ApplicationModal);
    // A box closed by a lock, or asked while one waits (the gate does not
    // open it), answers nothing.
    const int before = LockGate::generation();
    (void)LockGate::exec(box);
    if (LockGate::wasInterrupted(before))
        return QMessageBox::NoButton;
    QAbstractButton* clicked = box.clickedButton();
    return clicked ? box.standardButton(clicked) : QMessageBox::NoButton;
}
} // namespace

void MessageBoxes::show(QMessageBox::Icon icon, QWidget* parent, const QString& text, const QString& detailedText)
{
    QMessageBox box(parent);
    box.setStandardButtons(QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    run(box, icon, text, QString(), detailedText);
}

QMessageBox::StandardButton MessageBoxes::ask(QWidget* parent, const QString& text, const QString& informativeText,
                                              QMessageBox::StandardButtons buttons,
                                              QMessageBox::StandardButton defaultButton, const QString& detailedText)
{
    QMessageBox box(parent);
    box.setStandardButtons(buttons);
    box.setDefaultButton(defaultButton);
    return run(box, QMessageBox::Question, text, informativeText, detailedText);
}
