#include "BenchPaint.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QWidget>

namespace {
// Counts the paints of a widget.
class PaintSpy : public QObject
{
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
    int paints = 0;
};
} // namespace

void BenchPaint::waitForPaint(QWidget* widget)
{
    PaintSpy spy;
    widget->installEventFilter(&spy);
    while (spy.paints == 0)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    widget->removeEventFilter(&spy);
}
