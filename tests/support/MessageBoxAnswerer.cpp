#include "MessageBoxAnswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>

MessageBoxAnswerer::MessageBoxAnswerer(QList<QMessageBox::StandardButton> answers, QObject* parent)
    : QObject(parent), _answers(std::move(answers))
{
    _timer.setInterval(10);
    connect(&_timer, &QTimer::timeout, this, &MessageBoxAnswerer::poll);
    _timer.start();
}

void MessageBoxAnswerer::poll()
{
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible())
        return;
    QMessageBox::StandardButton answer =
        _answers.isEmpty() ? QMessageBox::NoButton : (_answers.size() > 1 ? _answers.takeFirst() : _answers.first());
    QAbstractButton* button = answer != QMessageBox::NoButton ? box->button(answer) : nullptr;
    if (!button)
        button = box->escapeButton() ? box->escapeButton() : box->defaultButton();
    Seen seen{box->icon(), box->text(), box->informativeText(), box->detailedText(), box->standardButtons(),
              box->defaultButton() ? box->standardButton(box->defaultButton()) : QMessageBox::NoButton,
              button ? box->standardButton(button) : QMessageBox::NoButton};
    _seen.append(seen);
    if (button)
        button->click();
    else
        box->reject();
}
