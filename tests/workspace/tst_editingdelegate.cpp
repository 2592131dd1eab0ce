#include "EditingDelegate.h"
#include "TestMain.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTableView>

// The delegate on its own, over a plain model: what it reports for each edit
// and how it fills editors.
class TestEditingDelegate : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void reportsEachStep_data();
    void reportsEachStep();
    void otherEditorsAreFilledByQt();

private:
    std::unique_ptr<QStandardItemModel> _model;
    std::unique_ptr<QTableView> _view;
    EditingDelegate* _delegate = nullptr;
};

void TestEditingDelegate::init()
{
    _model = std::make_unique<QStandardItemModel>(2, 2);
    _model->setData(_model->index(0, 0), QStringLiteral("text"));
    _model->setData(_model->index(1, 1), 42);
    _view = std::make_unique<QTableView>();
    _delegate = new EditingDelegate(_view.get());
    _view->setItemDelegate(_delegate);
    _view->setModel(_model.get());
    _view->show();
    QVERIFY(QTest::qWaitForWindowExposed(_view.get()));
}

void TestEditingDelegate::cleanup()
{
    _view.reset();
    _model.reset();
}

void TestEditingDelegate::reportsEachStep_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("stored");
    QTest::newRow("Enter") << int(Qt::Key_Return) << QStringList{"started", "committed", "closed"} << "text!";
    QTest::newRow("Escape") << int(Qt::Key_Escape) << QStringList{"started", "closed"} << "text";
}

void TestEditingDelegate::reportsEachStep()
{
    QFETCH(int, key);
    QFETCH(QStringList, steps);
    QFETCH(QString, stored);

    QStringList seen;
    QWidget* started = nullptr;
    const QModelIndex cell = _model->index(0, 0);
    connect(_delegate, &EditingDelegate::editingStarted, this, [&](const QModelIndex& index, QWidget* editor) {
        QCOMPARE(index, cell);
        started = editor;
        seen.append(QStringLiteral("started"));
    });
    connect(_delegate, &EditingDelegate::editingCommitted, this, [&](const QModelIndex& index) {
        QCOMPARE(index, cell);
        // Sent before the model is written.
        QCOMPARE(_model->data(cell).toString(), QStringLiteral("text"));
        seen.append(QStringLiteral("committed"));
    });
    connect(_delegate, &EditingDelegate::editingClosed, this, [&](const QModelIndex& index) {
        QCOMPARE(index, cell);
        seen.append(QStringLiteral("closed"));
    });

    _view->edit(cell);
    auto* editor = qobject_cast<QLineEdit*>(started);
    QVERIFY(editor);
    QCOMPARE(editor->text(), QStringLiteral("text"));
    editor->end(false);
    QTest::keyClicks(editor, QStringLiteral("!"));
    QTest::keyClick(editor, Qt::Key(key));
    QTRY_COMPARE(seen, steps);
    QCOMPARE(_model->data(cell).toString(), stored);
}

void TestEditingDelegate::otherEditorsAreFilledByQt()
{
    QWidget* started = nullptr;
    connect(_delegate, &EditingDelegate::editingStarted, this,
            [&](const QModelIndex&, QWidget* editor) { started = editor; });
    _view->edit(_model->index(1, 1));
    auto* spin = qobject_cast<QSpinBox*>(started);
    QVERIFY(spin);
    QCOMPARE(spin->value(), 42);
}

KOVRIN_TEST_MAIN(TestEditingDelegate)
#include "tst_editingdelegate.moc"
