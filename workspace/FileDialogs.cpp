#include "FileDialogs.h"

#include "LockGate.h"

#include <QFileDialog>

namespace {
FileDialogs::Chooser& chooser()
{
    static FileDialogs::Chooser installed;
    return installed;
}

QString choose(FileDialogs::Mode mode, QWidget* parent, const QString& caption, const QString& dir,
               const QString& filter)
{
    // A dialog closed by a lock, or asked while one waits, chooses nothing.
    if (LockGate::isClosing())
        return QString();
    const int before = LockGate::generation();
    const LockGate::Hold hold;
    QString chosen = chooser() ? chooser()(mode, parent, caption, dir, filter)
                     : mode == FileDialogs::Mode::Open
                         ? QFileDialog::getOpenFileName(parent, caption, dir, filter)
                         : QFileDialog::getSaveFileName(parent, caption, dir, filter, nullptr,
                                                        QFileDialog::DontConfirmOverwrite);
    return LockGate::wasInterrupted(before) ? QString() : chosen;
}
} // namespace

QString FileDialogs::openFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filter)
{
    return choose(Mode::Open, parent, caption, dir, filter);
}

QString FileDialogs::saveFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filter)
{
    return choose(Mode::Save, parent, caption, dir, filter);
}

void FileDialogs::setChooser(Chooser installed)
{
    chooser() = std::move(installed);
}
