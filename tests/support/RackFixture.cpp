#include "RackFixture.h"

#include "Exception.h"
#include "Model.h"
#include "Rack.h"
#include "RackModel.h"
#include "VaultEntry.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTableView>
#include <QTest>
#include <QVBoxLayout>

int FakeWorkspace::charsCount() const
{
    if (failing)
        throw Exception(QStringLiteral("int FakeWorkspace::charsCount() -> settings unavailable"));
    return chars;
}

RackFixture::RackFixture(const QList<Row>& rows, QWidget* workspace)
    : _workspace(workspace ? workspace : new FakeWorkspace), _tabs(std::make_unique<QTabWidget>())
{
    _model = std::make_shared<Model>(_log.logger(), QStringLiteral("unused.kovrin"),
                                     Model::keyFromPassword(QStringLiteral("pw")), _tabs.get());
    auto* rackModel = new RackModel(_model, QStringLiteral("Rack"));
    _model->addRackModel(rackModel);
    for (const Row& row : rows)
        rackModel->appendEntry(new VaultEntry(row.value(0), row.value(1), row.value(2), row.value(3)));
    showRack(QStringLiteral("Rack"));
}

RackFixture::RackFixture(std::shared_ptr<Model> model, const QString& rackName, QWidget* workspace)
    : _workspace(workspace ? workspace : new FakeWorkspace), _model(std::move(model))
{
    showRack(rackName);
}

void RackFixture::showRack(const QString& rackName)
{
    RackModel* rackModel = _model->rackModel(rackName);
    _rack = new Rack(_model, rackName, _workspace.get());
    _rack->connectToSignals();
    auto* layout = new QVBoxLayout(_workspace.get());
    layout->addWidget(_rack);
    _workspace->resize(900, 700);
    _workspace->show();
    activate();
    _rackTester = std::make_unique<QAbstractItemModelTester>(
        rackModel, QAbstractItemModelTester::FailureReportingMode::QtTest);
    _proxyTester = std::make_unique<QAbstractItemModelTester>(
        _rack->tableView()->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
}

RackFixture::~RackFixture()
{
    _proxyTester.reset();
    _rackTester.reset();
    delete _rack;
}

bool RackFixture::activate() const
{
    _workspace->activateWindow();
    return QTest::qWaitForWindowActive(_workspace.get());
}

QLineEdit* RackFixture::editor() const
{
    return table()->viewport()->findChild<QLineEdit*>(QString(), Qt::FindDirectChildrenOnly);
}

RackModel* RackFixture::rackModel() const
{
    return _rack->rackModel();
}

QTableView* RackFixture::table() const
{
    return _rack->tableView();
}

QStringList RackFixture::shownNames() const
{
    QStringList names;
    const QAbstractItemModel* model = table()->model();
    for (int row = 0; row < model->rowCount(); ++row)
        names.append(model->index(row, 0).data().toString());
    return names;
}

QStringList RackFixture::storedNames() const
{
    QStringList names;
    for (const VaultEntry* entry : rackModel()->entries())
        names.append(entry->name());
    return names;
}

QString RackFixture::counter() const
{
    return child<QLabel>("_lblEntries")->text();
}

int RackFixture::viewRow(const QString& role) const
{
    return int(shownNames().indexOf(role));
}

QMenu* RackFixture::openMenu(const QPoint& pos) const
{
    QWidget* viewport = table()->viewport();
    QContextMenuEvent event(QContextMenuEvent::Mouse, pos, viewport->mapToGlobal(pos));
    QApplication::sendEvent(viewport, &event);
    auto* menu = table()->findChild<QMenu*>(QStringLiteral("_mnuContext"));
    if (menu)
        (void)QTest::qWaitForWindowExposed(menu);
    return menu;
}

QAction* RackFixture::menuAction(const char* action) const
{
    return _rack->findChild<QAction*>(QLatin1String(action));
}

void RackFixture::clickMenu(QMenu* menu, const char* action) const
{
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(menuAction(action)).center());
}
