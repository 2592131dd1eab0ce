#include "CustomTabBar.h"

#include "RackModel.h"

#include <QEvent>
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

QSize CustomTabBar::tabSizeHint(int index) const
{
    const QString text = tabText(index);
    auto found = _hints.constFind(text);
    if (found == _hints.cend())
        found = _hints.insert(text, QTabBar::tabSizeHint(index));
    return found.value();
}

// Qt's minimum asks tabSizeHint() (the cached one) for the full size.
QSize CustomTabBar::minimumTabSizeHint(int index) const
{
    const QString text = tabText(index);
    auto found = _minimums.constFind(text);
    if (found == _minimums.cend())
        found = _minimums.insert(text, QTabBar::minimumTabSizeHint(index));
    return found.value();
}

void CustomTabBar::tabRemoved(int index)
{
    // The names of a closed vault's racks are not kept.
    if (count() <= RackModel::FirstRackTab)
        forgetSizes();
    QTabBar::tabRemoved(index);
}

void CustomTabBar::changeEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::FontChange:
    case QEvent::StyleChange:
    case QEvent::LanguageChange: forgetSizes(); break;
    default: break;
    }
    QTabBar::changeEvent(event);
}

void CustomTabBar::forgetSizes()
{
    _hints.clear();
    _minimums.clear();
}
