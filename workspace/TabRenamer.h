#pragma once

#include <QObject>
#include <QString>

class QTabWidget;

// Renames a rack tab in place: a double click on a rack tab opens a line edit
// over it; when editing ends with another text, the tab takes it and
// tabNameChanged tells the workspace, which may put the old name back.
class TabRenamer : public QObject
{
    Q_OBJECT
public:
    explicit TabRenamer(QTabWidget* tabWidget);

Q_SIGNALS:
    void tabNameChanged(int index, const QString& oldTabName, const QString& newTabName);

private Q_SLOTS:
    void onTabBarDoubleClicked(int index);

private:
    void openEditor(int index);

    QTabWidget* _tabWidget;
};
