#include "LockGate.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QWidget>

namespace {
int holdCount = 0;
int requests = 0;
std::function<void()> pendingLock;

// Every dialog and popup on screen goes as if the user had cancelled it.
void closeWindows()
{
    while (QWidget* popup = QApplication::activePopupWidget()) {
        if (!popup->close())
            break;
    }
    QList<QPointer<QDialog>> dialogs;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible())
            dialogs.append(dialog);
    for (const QPointer<QDialog>& dialog : dialogs)
        if (dialog)
            dialog->reject();
}
} // namespace

LockGate::Hold::Hold()
{
    ++holdCount;
}

LockGate::Hold::~Hold()
{
    if (--holdCount == 0 && pendingLock)
        runWhenFree();
}

void LockGate::request(std::function<void()> lock)
{
    if (!lock)
        return;
    ++requests;
    pendingLock = std::move(lock);
    if (holdCount > 0)
        closeWindows();
    runWhenFree();
}

bool LockGate::isClosing()
{
    return bool(pendingLock);
}

int LockGate::holds()
{
    return holdCount;
}

int LockGate::generation()
{
    return requests;
}

bool LockGate::wasInterrupted(int generationBefore)
{
    return requests != generationBefore;
}

int LockGate::exec(QDialog& dialog)
{
    if (isClosing())
        return QDialog::Rejected;
    const int before = generation();
    const Hold hold;
    const int result = dialog.exec();
    return wasInterrupted(before) ? int(QDialog::Rejected) : result;
}

void LockGate::runWhenFree()
{
    QCoreApplication* application = QCoreApplication::instance();
    if (!application)
        return;
    QMetaObject::invokeMethod(
        application,
        [] {
            if (holdCount > 0 || !pendingLock)
                return; // the last Hold to go asks again
            const std::function<void()> lock = std::move(pendingLock);
            pendingLock = nullptr;
            lock();
        },
        Qt::QueuedConnection);
}
