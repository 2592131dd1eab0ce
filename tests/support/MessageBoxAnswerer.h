#pragma once

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QTimer>

// Answers the modal message boxes a test provokes: every 10 ms it looks for the
// active modal widget, records what a message box shows and presses the next
// planned button (the last one planned is reused).
class MessageBoxAnswerer : public QObject
{
    Q_OBJECT
public:
    struct Seen {
        QMessageBox::Icon icon;
        QString text;
        QString informativeText;
        QString detailedText;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton defaultButton;
        QMessageBox::StandardButton pressed;
    };

    explicit MessageBoxAnswerer(QList<QMessageBox::StandardButton> answers = {QMessageBox::Ok},
                                QObject* parent = nullptr);

    const QList<Seen>& seen() const { return _seen; }
    int count() const { return int(_seen.size()); }
    const Seen& last() const { return _seen.constLast(); }

private:
    void poll();

    QList<QMessageBox::StandardButton> _answers;
    QList<Seen> _seen;
    QTimer _timer;
};
