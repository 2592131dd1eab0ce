// Once a vault is closed, none of its texts is left anywhere in the process's
// memory: a vault of canary values is written, opened in the workspace, shown,
// edited, copied from and filtered, then closed, and the process's readable
// memory is searched in UTF-8 and UTF-16. The same search before closing finds
// them, so the search can see what it looks for. Linked with the wiping of freed
// blocks, as the program is.
#include "Base.h"
#include "ClipboardGuard.h"
#include "FreeWiping.h"
#include "MainWindow.h"
#include "MemoryScan.h"
#include "MessageBoxAnswerer.h"
#include "Model.h"
#include "Rack.h"
#include "RackModel.h"
#include "Startup.h"
#include "VaultLock.h"
#include "TestMain.h"
#include "VaultEntry.h"
#include "WipeOnExit.h"
#include "WorkspaceFixture.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>
#include <QTableView>

#include <algorithm>
#include <set>

class TestMemoryScan : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void closedVaultLeavesNoText();
    void lockedVaultLeavesNoText();

private:
    // Writes a vault of canaries (all of them added to scan) in a new folder.
    QString writeCanaryVault(MemoryScan& scan);
    QModelIndex cell(Rack* rack, int entry, int column) const;
};

namespace {
constexpr int Entries = 2; // with canaries in all four fields
constexpr int Fields = 4;
} // namespace

void TestMemoryScan::initTestCase()
{
    if (FreeWiping::mode() == FreeWiping::Mode::Off)
        QSKIP("freed blocks are not wiped in this build (no glibc)");
    Startup::setupLanguage(QStringLiteral("en_US"));
}

// The view's cell of field column of the canary entry number entry ("r<entry>..." roles sort first).
QModelIndex TestMemoryScan::cell(Rack* rack, int entry, int column) const
{
    QAbstractItemModel* shown = rack->tableView()->model();
    for (int row = 0; row < shown->rowCount(); ++row) {
        const QString role = shown->index(row, RackModel::NameColumn).data().toString();
        if (role.startsWith(QStringLiteral("r%1").arg(entry)))
            return shown->index(row, column);
    }
    return {};
}

QString TestMemoryScan::writeCanaryVault(MemoryScan& scan)
{
    using namespace WorkspaceFixture;
    const QString fileName = TestEnvironment::freshDir(QStringLiteral("scan")) + QStringLiteral("/canaries.kovrin");
    // Canary k = entry * Fields + field; the last one is the edited password's new value.
    {
        QTabWidget tabs;
        auto model = std::make_shared<Model>(nullptr, fileName, Model::keyFromPassword(Password), &tabs);
        auto* rack = new RackModel(model, QStringLiteral("Canaries"));
        if (!model->addRackModel(rack))
            return {};
        for (int e = 0; e < Entries; ++e) {
            QString fields[Fields];
            for (int f = 0; f < Fields; ++f) {
                fields[f] = MemoryScan::canary(QStringLiteral("r%1").arg(e).left(f == 0 ? 2 : 0));
                scan.add(fields[f]);
            }
            rack->appendEntry(new VaultEntry(fields[0], fields[1], fields[2], fields[3]));
            for (QString& field : fields)
                WipeOnExit::wipe(field);
        }
        rack->appendEntry(new VaultEntry(QStringLiteral("plain"), QStringLiteral("user"), QStringLiteral("pass"), {}));
        model->saveVault(true);
    }
    return fileName;
}

void TestMemoryScan::closedVaultLeavesNoText()
{
    using namespace WorkspaceFixture;
    MemoryScan scan;
    const QString fileName = writeCanaryVault(scan);
    QString edited = MemoryScan::canary(QString());
    scan.add(edited);
    const int editedCanary = Entries * Fields;
    const int replacedCanary = 1 * Fields + 2; // entry 1's password, replaced by the edit
    {
        const QList<MemoryScan::Hit> hits = scan.find();
        QVERIFY2(hits.size() == 1 && hits[0].canary == editedCanary, qPrintable(MemoryScan::describe(hits)));
    }

    // As the program runs, without a timeout given: the guard removes our
    // copy from the clipboard when the vault closes.
    ClipboardGuard clipboardGuard(0);
    auto window = showMainWindow();
    Base* base = window->base();
    typeAndLoad(*base, fileName, Password);
    QVERIFY(base->model());
    Rack* rack = base->rackAt(2);
    QVERIFY(rack);
    base->setCurrentIndex(2);
    QTableView* view = rack->tableView();
    QVERIFY(QTest::qWaitForWindowExposed(view));
    // Passwords in clear, as the show/hide item shows them.
    rack->findChild<QAction*>(QStringLiteral("_actShowHide"))->trigger();
    view->viewport()->repaint();

    // Edit entry 1's password.
    const QModelIndex password = cell(rack, 1, RackModel::PasswordColumn);
    QVERIFY(password.isValid());
    view->scrollTo(password);
    view->edit(password);
    auto* editor = view->viewport()->findChild<QLineEdit*>();
    QVERIFY(editor);
    // The editor gets a buffer of its own, so that the test's copy can be wiped.
    editor->setText(QString(edited.constData(), edited.size()));
    WipeOnExit::wipe(edited);
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(base->model()->isModified());
    view->viewport()->repaint();

    // Copy entry 0's password with the context menu's item.
    const QPoint centre = view->visualRect(cell(rack, 0, RackModel::PasswordColumn)).center();
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, centre, view->viewport()->mapToGlobal(centre));
    QApplication::sendEvent(view->viewport(), &menuEvent);
    auto* menu = view->findChild<QMenu*>(QStringLiteral("_mnuContext"));
    QVERIFY(menu && QTest::qWaitForWindowExposed(menu));
    QAction* copy = rack->findChild<QAction*>(QStringLiteral("_actCopy"));
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(copy).center());
    QVERIFY(!QGuiApplication::clipboard()->text().isEmpty());

    // Filter on the roles.
    auto* search = rack->findChild<QLineEdit*>(QStringLiteral("_tbxSearch"));
    QTest::keyClicks(search, QStringLiteral("r"));
    QTest::keyClick(search, Qt::Key_Return);
    view->viewport()->repaint();
    QCoreApplication::processEvents();

    {
        const QList<MemoryScan::Hit> hits = scan.find();
        std::set<int> found;
        for (const MemoryScan::Hit& hit : hits)
            found.insert(hit.canary);
        for (int k = 0; k <= editedCanary; ++k)
            if (k != replacedCanary)
                QVERIFY2(found.count(k), qPrintable(QStringLiteral("canary %1 not found while open").arg(k)));
    }

    {
        MessageBoxAnswerer answerer({QMessageBox::No});
        QVERIFY(base->closeVault());
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    QList<MemoryScan::Hit> hits = scan.find();
    // The copied field left the clipboard with its vault, and the cell Qt's
    // style kept from the last table it laid out went with the racks.
    QVERIFY(QGuiApplication::clipboard()->text().isEmpty());
    QVERIFY2(hits.isEmpty(), qPrintable(MemoryScan::describe(hits)));
}

// Locked with an unsaved change, nothing of the vault is left but its sealed
// text: neither the file's values nor the edited one. Unlocked, the edited
// value is back, so the search sees what it looks for.
void TestMemoryScan::lockedVaultLeavesNoText()
{
    using namespace WorkspaceFixture;
    MemoryScan scan;
    const QString fileName = writeCanaryVault(scan);
    QVERIFY(!fileName.isEmpty());
    QString edited = MemoryScan::canary(QString());
    scan.add(edited);

    ClipboardGuard clipboardGuard(0);
    auto window = showMainWindow();
    Base* base = window->base();
    typeAndLoad(*base, fileName, Password);
    Rack* rack = base->rackAt(2);
    QVERIFY(rack);
    base->setCurrentIndex(2);
    QTableView* view = rack->tableView();
    QVERIFY(QTest::qWaitForWindowExposed(view));
    rack->findChild<QAction*>(QStringLiteral("_actShowHide"))->trigger();
    const QModelIndex password = cell(rack, 1, RackModel::PasswordColumn);
    view->edit(password);
    auto* editor = view->viewport()->findChild<QLineEdit*>();
    QVERIFY(editor);
    editor->setText(QString(edited.constData(), edited.size()));
    WipeOnExit::wipe(edited);
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(base->model()->isModified());
    // A second editor left open, and a search line typed, at the lock.
    view->edit(cell(rack, 0, RackModel::CommentColumn));
    auto* search = rack->findChild<QLineEdit*>(QStringLiteral("_tbxSearch"));
    QTest::keyClicks(search, QStringLiteral("r"));
    QTest::keyClick(search, Qt::Key_Return);
    view->viewport()->repaint();
    QCoreApplication::processEvents();
    QVERIFY(!scan.find().isEmpty());

    window->actLock()->trigger();
    QTRY_VERIFY(base->vaultLock()->isLocked());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    const QList<MemoryScan::Hit> hits = scan.find();
    QVERIFY2(hits.isEmpty(), qPrintable(MemoryScan::describe(hits)));

    QLineEdit* passwordField = lineEdit(*base, "_tbxPassword");
    QTest::keyClicks(passwordField, Password);
    QTest::keyClick(passwordField, Qt::Key_Return);
    QVERIFY(!base->vaultLock()->isLocked());
    QVERIFY(base->model()->isModified());
    base->setCurrentIndex(2);
    base->rackAt(2)->tableView()->viewport()->repaint();
    const int editedCanary = Entries * Fields;
    bool found = false;
    for (const MemoryScan::Hit& hit : scan.find())
        found = found || hit.canary == editedCanary;
    QVERIFY2(found, "the edited value did not come back with the unlock");
    MessageBoxAnswerer discard({QMessageBox::No});
    QVERIFY(base->closeVault());
}

KOVRIN_TEST_MAIN(TestMemoryScan)
#include "tst_memoryscan.moc"
