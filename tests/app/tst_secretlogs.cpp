// No password and no plaintext of a vault reaches the log file, whatever the
// level: the program's file logger is opened as "--log" opens it, lowered to
// debug, and a session goes through the roads that log (wrong password, edits,
// a refused edit, password generation, insertion, declined and done saving).
#include "Base.h"
#include "Log.h"
#include "Logger.h"
#include "MainWindow.h"
#include "MessageBoxAnswerer.h"
#include "Model.h"
#include "Rack.h"
#include "RackModel.h"
#include "Startup.h"
#include "TestMain.h"
#include "VaultEntry.h"
#include "WorkspaceFixture.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

namespace {
QStringList s_messages; // the Qt message log, where "tee" would send the lines

void keepMessage(QtMsgType, const QMessageLogContext&, const QString& message)
{
    s_messages << message;
}
} // namespace

class TestSecretLogs : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void noSecretInTheLog();
    void cleanupTestCase();

private:
    // Types value into the password cell of entry role of the shown rack and commits it.
    void editPassword(Rack* rack, const QString& role, const QString& value);

    QString _dir;
    std::shared_ptr<Logger> _logger;
    QtMessageHandler _previousHandler = nullptr;
};

void TestSecretLogs::initTestCase()
{
    _dir = TestEnvironment::freshDir(QStringLiteral("logs"));
    QString error;
    _logger = Startup::chooseLogger(Startup::Options{{"--log", _dir + QStringLiteral("/kovrin.log")}}, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(Log::getInstance().log(), _logger);
    _logger->setFilter(LoggerLevel::Debug);
    _logger->enableTee();
    Startup::setupLanguage(QStringLiteral("en_US"));
    _previousHandler = qInstallMessageHandler(keepMessage);
}

void TestSecretLogs::cleanupTestCase()
{
    qInstallMessageHandler(_previousHandler);
}

void TestSecretLogs::editPassword(Rack* rack, const QString& role, const QString& value)
{
    QTableView* view = rack->tableView();
    QAbstractItemModel* shown = view->model();
    const QModelIndexList found =
        shown->match(shown->index(0, RackModel::NameColumn), Qt::DisplayRole, role, 1, Qt::MatchExactly);
    QCOMPARE(found.size(), 1);
    const QModelIndex cell = shown->index(found.first().row(), RackModel::PasswordColumn);
    view->scrollTo(cell);
    view->edit(cell);
    auto* editor = view->viewport()->findChild<QLineEdit*>();
    QVERIFY(editor);
    editor->setText(value);
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::qWait(50); // the view commits on its next turn
}

void TestSecretLogs::noSecretInTheLog()
{
    using namespace WorkspaceFixture;
    const QString vault = copyDemoVault(_dir);
    QVERIFY(!vault.isEmpty());
    const QString demoPassword = QStringLiteral("Kovrin-Demo-1");
    QStringList secrets{demoPassword, QStringLiteral("Wr0ng-Guess-42"), QStringLiteral("Edited-S3cret-Value"),
                        QStringLiteral("Refused-S3cret"), QStringLiteral("Inserted-S3cret-Pass"),
                        QStringLiteral("inserted.account@example"), QStringLiteral("inserted secret comment")};

    auto window = showMainWindow();
    Base* base = window->base();
    {
        MessageBoxAnswerer answerer;
        typeAndLoad(*base, vault, secrets[1]);
        QCOMPARE(answerer.count(), 1);
    }
    typeAndLoad(*base, vault, demoPassword);
    QVERIFY(base->model());
    // Every field of every entry is plaintext of the vault.
    for (const auto& rackModel : *base->model()->racks()) {
        for (const VaultEntry* entry : rackModel->entries())
            for (const QString& field : {entry->name(), entry->user(), entry->password(), entry->comment()})
                if (field.size() >= 3)
                    secrets << field;
    }
    QVERIFY(secrets.size() > 10);

    Rack* rack = base->rackAt(2);
    QVERIFY(rack);
    const QString role = rack->tableView()->model()->index(0, RackModel::NameColumn).data().toString();
    editPassword(rack, role, secrets[2]);
    QTRY_VERIFY(base->model()->isModified());
    {
        // A tab is refused: the error road, with the value in hand.
        MessageBoxAnswerer answerer;
        editPassword(rack, role, secrets[3] + QLatin1Char('\t') + secrets[3]);
    }

    rack->onCollapseNewEntry();
    // Generated passwords are offered in the password field's list.
    auto* choices = rack->findChild<QComboBox*>(QStringLiteral("_cbxPassword"));
    QTest::mouseClick(rack->findChild<QPushButton*>(QStringLiteral("_btnGenerator")), Qt::LeftButton);
    QVERIFY(choices->count() > 0);
    for (int i = 0; i < choices->count(); ++i)
        secrets << choices->itemText(i);
    rack->findChild<QLineEdit*>(QStringLiteral("_tbxName"))->setText(QStringLiteral("Inserted role"));
    rack->findChild<QLineEdit*>(QStringLiteral("_tbxUse"))->setText(secrets[5]);
    choices->setEditText(secrets[4]);
    rack->findChild<QLineEdit*>(QStringLiteral("_tbxComment"))->setText(secrets[6]);
    QTest::mouseClick(rack->findChild<QPushButton*>(QStringLiteral("_btnInsert")), Qt::LeftButton);
    QVERIFY(rack->tableView()->model()->match(rack->tableView()->model()->index(0, RackModel::NameColumn),
                                              Qt::DisplayRole, QStringLiteral("Inserted role"))
                .size()
            == 1);
    {
        // Declined first (a warning line), then saved.
        MessageBoxAnswerer answerer({QMessageBox::Discard});
        window->actSave()->trigger();
        QCOMPARE(answerer.count(), 1);
    }
    {
        MessageBoxAnswerer answerer({QMessageBox::Save});
        QVERIFY(window->actSave()->isEnabled());
        window->actSave()->trigger();
        QCOMPARE(answerer.count(), 1);
    }
    QVERIFY(!base->model()->isModified());

    window.reset();

    QString logged;
    const QStringList files = QDir(_dir).entryList({QStringLiteral("kovrin-*.log")}, QDir::Files);
    QVERIFY(!files.isEmpty());
    for (const QString& name : files) {
        QFile file(_dir + QLatin1Char('/') + name);
        QVERIFY(file.open(QIODevice::ReadOnly));
        logged += QString::fromUtf8(file.readAll());
    }
    // The log did record the session, at the levels in play.
    QVERIFY2(logged.contains(QStringLiteral("<DEBUG>")), qPrintable(logged));
    QVERIFY2(logged.contains(QStringLiteral("<WARNG>")), qPrintable(logged));
    const QString messages = s_messages.join(QLatin1Char('\n'));
    for (const QString& secret : std::as_const(secrets)) {
        QVERIFY2(!logged.contains(secret), qPrintable(QStringLiteral("[%1] in the log file:\n%2").arg(secret, logged)));
        QVERIFY2(!messages.contains(secret), qPrintable(QStringLiteral("[%1] in the Qt message log").arg(secret)));
    }
}

KOVRIN_TEST_MAIN(TestSecretLogs)
#include "tst_secretlogs.moc"
