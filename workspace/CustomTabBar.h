#pragma once

#include <QTabBar>

// The workspace's tab bar: rack tabs can be dragged, the two fixed pages in
// front of them cannot, and no rack tab is dragged over them.
class CustomTabBar : public QTabBar
{
public:
    using QTabBar::QTabBar;

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
};
