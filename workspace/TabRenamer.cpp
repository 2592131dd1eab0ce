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
    const QString oldName = bar->tabText(index);
    auto* editor = new QLineEdit(oldName, bar);
    editor->setObjectName(QStringLiteral("_tabNameEditor"));
    editor->setAccessibleName(oldName);
    editor->setGeometry(bar->tabRect(index));
    editor->selectAll();
    editor->show();
    editor->setFocus(Qt::OtherFocusReason);

    // editingFinished comes on return and again on the focus loss that follows
    // the deletion: the first one alone counts.
    QPointer<QLineEdit> guard(editor);
    connect(editor, &QLineEdit::editingFinished, this, [this, guard, oldName, index] {
        SlotGuard::run(_tabWidget, QStringLiteral("void TabRenamer::onEditingFinished() -> "), nullptr, [&] {
            if (!guard || guard->property("finished").toBool())
                return;
            guard->setProperty("finished", true);
            const QString newName = guard->text();
            guard->deleteLater();
            if (newName != oldName) {
                _tabWidget->setTabText(index, newName);
                emit tabNameChanged(index, oldName, newName);
            }
        });
    });
}
