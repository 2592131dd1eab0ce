#include "TabRenamer.h"

#include "RackModel.h"
#include "SlotGuard.h"

#include <QLineEdit>
#include <QPointer>
#include <QTabBar>
#include <QTabWidget>

TabRenamer::TabRenamer(QTabWidget* tabWidget) : QObject(tabWidget), _tabWidget(tabWidget)
{
    connect(_tabWidget->tabBar(), &QTabBar::tabBarDoubleClicked, this, &TabRenamer::onTabBarDoubleClicked);
}

void TabRenamer::onTabBarDoubleClicked(int index)
{
    SlotGuard::run(_tabWidget, QStringLiteral("void TabRenamer::onTabBarDoubleClicked(int) -> "), nullptr,
                   [this, index] { openEditor(index); });
}

void TabRenamer::openEditor(int index)
{
    if (index < RackModel::FirstRackTab)
        return;
    QTabBar* bar = _tabWidget->tabBar();
    // The tab is followed by its page, not by its position: tabs may move or go
    // while the editor is open.
    const QPointer<QWidget> page = _tabWidget->widget(index);
    if (!page)
        return;
    const QString shownName = bar->tabText(index);
    auto* editor = new QLineEdit(shownName, bar);
    editor->setObjectName(QStringLiteral("_tabNameEditor"));
    editor->setAccessibleName(shownName);
    editor->setGeometry(bar->tabRect(index));
    editor->selectAll();
    editor->show();
    editor->setFocus(Qt::OtherFocusReason);

    QPointer<QLineEdit> guard(editor);
    // The editor stays over its tab, and goes without a rename with it.
    connect(bar, &QTabBar::tabMoved, editor, [this, bar, guard, page] {
        if (guard && page)
            guard->setGeometry(bar->tabRect(_tabWidget->indexOf(page)));
    });
    connect(page, &QObject::destroyed, editor, [guard] {
        if (guard && !guard->property("finished").toBool()) {
            guard->setProperty("finished", true);
            guard->deleteLater();
        }
    });
    // editingFinished comes on return and again on the focus loss that follows
    // the deletion: the first one alone counts.
    connect(editor, &QLineEdit::editingFinished, this, [this, guard, page] {
        SlotGuard::run(_tabWidget, QStringLiteral("void TabRenamer::onEditingFinished() -> "), nullptr, [&] {
            if (!guard || guard->property("finished").toBool())
                return;
            guard->setProperty("finished", true);
            const QString newName = guard->text();
            guard->deleteLater();
            const int current = page ? _tabWidget->indexOf(page) : -1;
            if (current < RackModel::FirstRackTab)
                return;
            // What the tab shows now is the name being replaced.
            const QString oldName = _tabWidget->tabText(current);
            if (newName != oldName) {
                _tabWidget->setTabText(current, newName);
                emit tabNameChanged(current, oldName, newName);
            }
        });
    });
}
