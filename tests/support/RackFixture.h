#pragma once

#include "GeneratorSettings.h"
#include "LogCapture.h"
#include "Rack.h"

#include <QAbstractItemModelTester>
#include <QStringList>
#include <QTabWidget>
#include <QWidget>

#include <memory>

class Model;
class QAction;
class QLineEdit;
class QMenu;
class QTableView;

// A workspace stand-in with the password page's settings; a reader can be
// made to fail as a broken workspace would.
class FakeWorkspace : public QWidget, public GeneratorSettings
{
public:
    int chars = 16;
    int count = 20;
    bool lower = true;
    bool upper = true;
    bool number = true;
    bool symbol = true;
    bool failing = false;

    int charsCount() const override;
    int passwordsCount() const override { return count; }
    bool isLowerCaseChecked() const override { return lower; }
    bool isUpperCaseChecked() const override { return upper; }
    bool isNumberChecked() const override { return number; }
    bool isSymbolChecked() const override { return symbol; }
};

// One vault with one rack "Rack" of the given entries (name, user, password,
// comment), its view in a shown workspace, and the item-model tester over the
// rack model and the view's proxy for the whole test.
class RackFixture
{
public:
    using Row = QStringList;
    explicit RackFixture(const QList<Row>& rows, QWidget* workspace = nullptr);
    // The view of rack rackName of a vault model the test made.
    RackFixture(std::shared_ptr<Model> model, const QString& rackName, QWidget* workspace = nullptr);
    ~RackFixture();

    std::shared_ptr<Model> model() const { return _model; }
    Rack* rack() const { return _rack; }
    RackModel* rackModel() const;
    QTableView* table() const;
    QWidget* workspace() const { return _workspace.get(); }
    LogCapture& log() { return _log; }

    template <typename T>
    T* child(const char* name) const
    {
        return _rack->findChild<T*>(QLatin1String(name));
    }

    // Makes the workspace the active window again (a closed box leaves none
    // active on the offscreen platform); true when it is.
    bool activate() const;
    // The widget that has the focus in the workspace window.
    QWidget* focused() const { return _workspace->focusWidget(); }
    // The cell editor open in the table, if any.
    QLineEdit* editor() const;

    // Role names in the table's order, and in the rack model's.
    QStringList shownNames() const;
    QStringList storedNames() const;
    QString counter() const;

    // Proxy row of the entry named role; -1 when hidden.
    int viewRow(const QString& role) const;
    // Opens the context menu as a right click at pos (viewport coordinates).
    QMenu* openMenu(const QPoint& pos) const;
    // Clicks the action of that object name in the open menu.
    void clickMenu(QMenu* menu, const char* action) const;
    QAction* menuAction(const char* action) const;

private:
    void showRack(const QString& rackName);

    LogCapture _log;
    std::unique_ptr<QWidget> _workspace;
    std::unique_ptr<QTabWidget> _tabs;
    std::shared_ptr<Model> _model;
    Rack* _rack = nullptr;
    std::unique_ptr<QAbstractItemModelTester> _rackTester;
    std::unique_ptr<QAbstractItemModelTester> _proxyTester;
};
