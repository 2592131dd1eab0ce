#include "CustomTabBar.h"

#include "RackModel.h"

#include <QMouseEvent>

void CustomTabBar::mouseMoveEvent(QMouseEvent* event)
{
    const int under = tabAt(event->position().toPoint());
    if (under >= 0 && under < RackModel::FirstRackTab) {
        event->ignore();
        return;
    }
    QTabBar::mouseMoveEvent(event);
}
