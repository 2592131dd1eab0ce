#pragma once

#include <QHash>
#include <QSize>
#include <QString>
#include <QTabBar>

// The workspace's tab bar: rack tabs can be dragged, the two fixed pages in
// front of them cannot, and no rack tab is dragged over them.
class CustomTabBar : public QTabBar
{
public:
    using QTabBar::QTabBar;

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    // Qt measures every tab again whenever one is added or removed, which made
    // each new rack of a large vault cost more than the one before. The tabs
    // have text only (no icon, no button), so a tab's size follows from its
    // text, the font and the style: measured once per text, until the font or
    // the style changes.
    QSize tabSizeHint(int index) const override;
    QSize minimumTabSizeHint(int index) const override;
    void tabRemoved(int index) override;
    void changeEvent(QEvent* event) override;

private:
    void forgetSizes();

    mutable QHash<QString, QSize> _hints;
    mutable QHash<QString, QSize> _minimums;
};
