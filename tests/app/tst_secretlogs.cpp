// No password and no entry text of a vault reaches the log, whatever the level
// and the road: the program's file logger is opened as "--log" opens it,
// lowered to debug and copied to the Qt message log, which goes on to the
// process's real standard error (fd 2, redirected to a file for the test). Each
// road that logs or shows a box runs with canary values (imports, export,
// edits, filters, errors) and none of them may appear in the log files, the Qt
// message log, standard error or, where they are entry text, the boxes shown.
// The only entry text allowed is a role where the message is about that role
// (a duplicate) and a rack name the file really gave.
#include "Base.h"
#include "FilePermissions.h"
#include "FixtureFiles.h"
#include "Log.h"
#include "Logger.h"
#include "MainWindow.h"
#include "MessageBoxAnswerer.h"
#include "Model.h"
#include "ModuleTexts.h"
#include "Rack.h"
#include "RackModel.h"
#include "Startup.h"
#include "TestMain.h"
#include "VaultEntry.h"
#include "VaultImport.h"
#include "WorkspaceFixture.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTableView>

#include <fcntl.h>
#include <unistd.h>

using namespace WorkspaceFixture;
using FixtureFiles::writeFile;

namespace {
QStringList s_messages; // the Qt message log
QtMessageHandler s_qtHandler = nullptr; // Qt's own handler, which writes standard error

void keepMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    s_messages << message;
    if (s_qtHandler)
        s_qtHandler(type, context, message);
}

QString text(const char* key)
{
    return ModuleTexts::text(QLatin1String(key));
}

// Entry lines holding canaries: role, account, password and comment of line i
// are "<prefix>-Role-i", "<prefix>-Acct-i"...
QByteArray canaryLine(const QString& prefix, int i)
{
    return QStringLiteral("%1-Role-%2\t%1-Acct-%2\t%1-Pass-%2\t%1-Note-%2\n").arg(prefix).arg(i).toUtf8();
}

const QString VaultPassword = QStringLiteral("Canary-Vault-Pw");
} // namespace

class TestSecretLogs : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void noSecretInTheLog();
    void rackImport_data();
    void rackImport();
    void fullImport_data();
    void fullImport();
    void exportVault_data();
    void exportVault();
    void editing_data();
    void editing();
    void filtering_data();
    void filtering();
    void openingErrors_data();
    void openingErrors();

private:
    // Types value into the cell of entry role of the shown rack and commits it.
    void editCell(Rack* rack, const QString& role, int column, const QString& value);
    // A vault of one rack "Mail" with canary entries "Vault-*-0" and "Vault-*-1", opened.
    void openCanaryVault();
    // None of secrets is in the log files, the Qt message log or standard error;
    // none of boxSecrets in the boxes seen. expected (when given) was logged by
    // this test function, on the Qt message log and on standard error.
    void checkNoLeak(const QStringList& secrets, const QString& expected, const QList<MessageBoxAnswerer::Seen>& boxes,
                     const QStringList& boxSecrets);
    QString loggedFiles() const;
    QString standardError() const;

    QString _dir;
    QString _vaultFile;
    std::shared_ptr<Logger> _logger;
    QtMessageHandler _testHandler = nullptr;
    int _savedStderr = -1;
    // Where this test function's lines begin: a role logged by one (a
    // duplicate's) is no leak, and is a canary of another.
    qsizetype _logAtStart = 0;
    qsizetype _messagesAtStart = 0;
    qsizetype _stderrAtStart = 0;
    std::unique_ptr<MainWindow> _window;
    Base* _base = nullptr;
};

void TestSecretLogs::initTestCase()
{
    _dir = TestEnvironment::freshDir(QStringLiteral("logs"));
    QVERIFY(dropPermissionOverride());
    QString error;
    _logger = Startup::chooseLogger(Startup::Options{{"--log", _dir + QStringLiteral("/kovrin.log")}}, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(Log::getInstance().log(), _logger);
    _logger->setFilter(LoggerLevel::Debug);
    _logger->enableTee();
    Startup::setupLanguage(QStringLiteral("en_US"));

    // Qt's own handler writes standard error (forced there even when it is no
    // terminal, where it would go to the journal): as the program runs without
    // the test's handler.
    qputenv("QT_FORCE_STDERR_LOGGING", "1");
    _testHandler = qInstallMessageHandler(nullptr);
    s_qtHandler = qInstallMessageHandler(keepMessage);
    QVERIFY(s_qtHandler);
    _savedStderr = dup(STDERR_FILENO);
    QVERIFY(_savedStderr >= 0);
    const int file = ::open(QFile::encodeName(_dir + QStringLiteral("/stderr.txt")).constData(),
                            O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    QVERIFY(file >= 0);
    QVERIFY(dup2(file, STDERR_FILENO) == STDERR_FILENO);
    ::close(file);
}

void TestSecretLogs::cleanupTestCase()
{
    if (_savedStderr >= 0) {
        dup2(_savedStderr, STDERR_FILENO);
        ::close(_savedStderr);
    }
    qInstallMessageHandler(_testHandler);
}

void TestSecretLogs::init()
{
    _logAtStart = loggedFiles().size();
    _messagesAtStart = s_messages.size();
    _stderrAtStart = standardError().size();
    _window = showMainWindow();
    _base = _window->base();
    QVERIFY(_base);
}

void TestSecretLogs::cleanup()
{
    MessageBoxAnswerer discard({QMessageBox::No});
    _window.reset();
    _base = nullptr;
}

QString TestSecretLogs::loggedFiles() const
{
    QString logged;
    const QStringList files = QDir(_dir).entryList({QStringLiteral("kovrin-*.log")}, QDir::Files);
    for (const QString& name : files)
        logged += QString::fromUtf8(FixtureFiles::readAll(_dir + QLatin1Char('/') + name));
    return logged;
}

QString TestSecretLogs::standardError() const
{
    return QString::fromUtf8(FixtureFiles::readAll(_dir + QStringLiteral("/stderr.txt")));
}

void TestSecretLogs::checkNoLeak(const QStringList& secrets, const QString& expected,
                                 const QList<MessageBoxAnswerer::Seen>& boxes, const QStringList& boxSecrets)
{
    const QString logged = loggedFiles().mid(_logAtStart);
    const QString messages = s_messages.mid(_messagesAtStart).join(QLatin1Char('\n'));
    const QString errors = standardError().mid(_stderrAtStart);
    if (!expected.isEmpty()) {
        // The road did log, and the copies reached the Qt message log and standard error.
        QVERIFY2(logged.contains(expected), qPrintable(expected));
        QVERIFY2(messages.contains(expected), qPrintable(expected));
        QVERIFY2(errors.contains(expected), qPrintable(expected));
    }
    for (const QString& secret : secrets) {
        QVERIFY2(!logged.contains(secret), qPrintable(QStringLiteral("[%1] in the log file:\n%2").arg(secret, logged)));
        QVERIFY2(!messages.contains(secret), qPrintable(QStringLiteral("[%1] in the Qt message log").arg(secret)));
        QVERIFY2(!errors.contains(secret), qPrintable(QStringLiteral("[%1] on standard error").arg(secret)));
    }
    for (const MessageBoxAnswerer::Seen& box : boxes)
        for (const QString& secret : boxSecrets)
            for (const QString& shown : {box.text, box.informativeText, box.detailedText})
                QVERIFY2(!shown.contains(secret), qPrintable(QStringLiteral("[%1] in a box: %2").arg(secret, shown)));
}

void TestSecretLogs::openCanaryVault()
{
    _vaultFile = TestEnvironment::freshDir(QStringLiteral("vault")) + QStringLiteral("/canary.kovrin");
    QTabWidget tabs;
    auto model = std::make_shared<Model>(nullptr, _vaultFile, Model::keyFromPassword(VaultPassword), &tabs);
    auto* rack = new RackModel(model, QStringLiteral("Mail"));
    QVERIFY(model->addRackModel(rack));
    for (int i = 0; i < 2; ++i)
        rack->appendEntry(VaultEntry::fromBytes(canaryLine(QStringLiteral("Vault"), i).chopped(1)).release());
    model->saveVault(true);
    model.reset();
    typeAndLoad(*_base, _vaultFile, VaultPassword);
    QVERIFY(_base->model());
}

void TestSecretLogs::editCell(Rack* rack, const QString& role, int column, const QString& value)
{
    QTableView* view = rack->tableView();
    QAbstractItemModel* shown = view->model();
    const QModelIndexList found =
        shown->match(shown->index(0, RackModel::NameColumn), Qt::DisplayRole, role, 1, Qt::MatchExactly);
    QCOMPARE(found.size(), 1);
    const QModelIndex cell = shown->index(found.first().row(), column);
    view->scrollTo(cell);
    view->edit(cell);
    QPointer<QLineEdit> editor = view->viewport()->findChild<QLineEdit*>();
    QVERIFY(editor);
    editor->setText(value);
    QTest::keyClick(editor, Qt::Key_Return);
    // The view commits, closes the editor and deletes it on its next turns.
    QTRY_VERIFY(editor.isNull());
}

// A whole session on the sample vault: a wrong password, edits, a refused
// edit, password generation, insertion, declined and done saving.
void TestSecretLogs::noSecretInTheLog()
{
    const QString vault = copyDemoVault(_dir);
    QVERIFY(!vault.isEmpty());
    const QString demoPassword = QStringLiteral("Kovrin-Demo-1");
    QStringList secrets{demoPassword, QStringLiteral("Wr0ng-Guess-42"), QStringLiteral("Edited-S3cret-Value"),
                        QStringLiteral("Refused-S3cret"), QStringLiteral("Inserted-S3cret-Pass"),
                        QStringLiteral("inserted.account@example"), QStringLiteral("inserted secret comment")};

    MainWindow* window = _window.get();
    Base* base = _base;
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
    editCell(rack, role, RackModel::PasswordColumn, secrets[2]);
    QTRY_VERIFY(base->model()->isModified());
    {
        // A tab is refused: the error road, with the value in hand.
        MessageBoxAnswerer answerer;
        editCell(rack, role, RackModel::PasswordColumn, secrets[3] + QLatin1Char('\t') + secrets[3]);
        QCOMPARE(answerer.count(), 1);
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

    _window.reset();

    // The log did record the session, at the levels in play.
    const QString logged = loggedFiles();
    QVERIFY2(logged.contains(QStringLiteral("<DEBUG>")), qPrintable(logged));
    QVERIFY2(logged.contains(QStringLiteral("<WARNG>")), qPrintable(logged));
    checkNoLeak(secrets, text("SavingCanceled"), {}, {});
}

void TestSecretLogs::rackImport_data()
{
    QTest::addColumn<QByteArray>("lines");
    QTest::addColumn<QString>("expected");
    QTest::newRow("lines that are no entries")
        << QByteArray("Bad-Role-1\tBad-Acct-1\n" // too few fields
                      "Bad-Role-2\tBad-Acct-2\tBad-Pass-2\tBad-Note-2\textra\n" // too many
                      "\tBad-Acct-3\tBad-Pass-3\tBad-Note-3\n" // no role
                      "Bad-Pass-4 a password alone on its line\n")
               + canaryLine(QStringLiteral("Good"), 0)
        << text("IllegalEntryBuffer");
    QTest::newRow("duplicate roles, in the file and with the rack")
        << QByteArray("twice\tDup-Acct-1\tDup-Pass-1\tDup-Note-1\n"
                      "twice\tDup-Acct-2\tDup-Pass-2\tDup-Note-2\n"
                      "Vault-Role-0\tDup-Acct-3\tDup-Pass-3\tDup-Note-3\n")
        << text("RoleAlreadyExists").arg(QStringLiteral("twice"));
}

// The rack import from the Vault page: bad lines and refused roles are logged.
void TestSecretLogs::rackImport()
{
    QFETCH(QByteArray, lines);
    QFETCH(QString, expected);
    openCanaryVault();
    const QString csv = _dir + QStringLiteral("/rack.csv");
    writeFile(csv, lines);
    clickRadio(child<QRadioButton>(_base, "_rbnImport"));
    child<QComboBox>(_base, "_cbxTabName")->setCurrentText(QStringLiteral("Mail"));
    child<QLineEdit>(_base, "_tbxImportFile")->setText(csv);
    MessageBoxAnswerer answerer;
    QTest::mouseClick(child<QPushButton>(_base, "_btnExport"), Qt::LeftButton);
    QCOMPARE(answerer.count(), 1);
    QVERIFY2(answerer.last().text.startsWith(text("ImportResult").section(QLatin1Char('%'), 0, 0)),
             qPrintable(answerer.last().text));

    QStringList secrets;
    const QStringList fields{QStringLiteral("Acct"), QStringLiteral("Pass"), QStringLiteral("Note")};
    for (const QString& prefix : {QStringLiteral("Bad"), QStringLiteral("Dup"), QStringLiteral("Good"),
                                  QStringLiteral("Vault")})
        for (const QString& field : fields)
            secrets << prefix + QLatin1Char('-') + field;
    secrets << QStringLiteral("Bad-Role") << QStringLiteral("Good-Role") << QStringLiteral("Vault-Role-1")
            << VaultPassword;
    checkNoLeak(secrets, expected, answerer.seen(), secrets);
}

void TestSecretLogs::fullImport_data()
{
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QStringList>("roleSecrets");
    QTest::newRow("renamed and merged racks, duplicate role")
        << QByteArray("\n\nrack:\n\n") + canaryLine(QStringLiteral("Renamed"), 0)
               + "\n\nrack:Mail\n\n" + canaryLine(QStringLiteral("Merged"), 0)
               + "twice\tDup-Acct-1\tDup-Pass-1\tDup-Note-1\n"
               + "\n\nrack:Mail\n\n" + canaryLine(QStringLiteral("Merged"), 1)
               + "twice\tDup-Acct-2\tDup-Pass-2\tDup-Note-2\n"
        << text("ImportedRackMerged").arg(QStringLiteral("Mail"))
        << QStringList{QStringLiteral("Renamed-Role"), QStringLiteral("Merged-Role")};
    QTest::newRow("empty rack name")
        << QByteArray("\n\nrack:\n\n") + canaryLine(QStringLiteral("Renamed"), 1)
        << text("ImportedRackRenamed").arg(QString(), QStringLiteral("Rack 1"))
        << QStringList{QStringLiteral("Renamed-Role")};
    QTest::newRow("text outside the blocks")
        << QByteArray("Outside-Pass-1 a password before any rack\n\n\nrack:Mail\n\n")
               + canaryLine(QStringLiteral("Merged"), 2) + "\nOutside-Pass-2\tOutside-Acct-2\n"
        << text("ExchangeTextSkipped") << QStringList{QStringLiteral("Merged-Role")};
    QTest::newRow("a line that is no entry")
        << QByteArray("\n\nrack:Mail\n\n") + canaryLine(QStringLiteral("Merged"), 3)
               + "Bad-Role-1\tBad-Acct-1\tBad-Pass-1\tBad-Note-1\tBad-Extra-1\n" + canaryLine(QStringLiteral("After"), 0)
        << text("ImportStoppedEarly").arg(1)
        << QStringList{QStringLiteral("Merged-Role"), QStringLiteral("Bad-Role"), QStringLiteral("After-Role")};
    QTest::newRow("a vault too big to save")
        << QByteArray("\n\nrack:Big\n\n") + canaryLine(QStringLiteral("Merged"), 4)
               + FixtureFiles::longEntryLines(Model::MaxCipheredSize)
        << QString() << QStringList{QStringLiteral("Merged-Role")};
}

// The full import dialog: every warning it logs and its error box.
void TestSecretLogs::fullImport()
{
    QFETCH(QByteArray, csv);
    QFETCH(QString, expected);
    QFETCH(QStringList, roleSecrets);
    const QString folder = TestEnvironment::freshDir(QStringLiteral("full"));
    const QString csvFile = folder + QStringLiteral("/in.csv");
    writeFile(csvFile, csv);
    const QString newPassword = QStringLiteral("Canary-New-Pw1!");
    VaultImport dialog(_base);
    dialog.show();
    child<QLineEdit>(&dialog, "_pPwdInput")->setText(newPassword);
    child<QLineEdit>(&dialog, "_pPwd2Input")->setText(newPassword);
    child<QLineEdit>(&dialog, "_pVaultFileInput")->setText(folder + QStringLiteral("/new.kovrin"));
    child<QLineEdit>(&dialog, "_pCsvFileInput")->setText(csvFile);
    MessageBoxAnswerer answerer;
    QTest::mouseClick(child<QPushButton>(&dialog, "_pImportButton"), Qt::LeftButton);
    QVERIFY(answerer.count() >= 1);
    QVERIFY(_base->model());
    QVERIFY(_base->model()->rackCount() >= 1);

    QStringList secrets = roleSecrets;
    for (const QString& prefix : {QStringLiteral("Renamed"), QStringLiteral("Merged"), QStringLiteral("Dup"),
                                  QStringLiteral("Outside"), QStringLiteral("Bad"), QStringLiteral("After")})
        for (const QString& field : {QStringLiteral("Acct"), QStringLiteral("Pass"), QStringLiteral("Note")})
            secrets << prefix + QLatin1Char('-') + field;
    secrets << QStringLiteral("Bad-Extra") << newPassword;
    checkNoLeak(secrets, expected, answerer.seen(), secrets);
}

void TestSecretLogs::exportVault_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("box");
    QTest::newRow("exported") << VaultPassword << "out.csv" << text("VaultExported");
    QTest::newRow("wrong password") << QStringLiteral("Canary-Wrong-Pw") << "out.csv" << text("WrongPassword");
    QTest::newRow("target not creatable") << VaultPassword << "missing/out.csv" << text("FileNotOpened");
    QTest::newRow("target is the vault") << VaultPassword << "" << text("ExportOverVault");
}

// The export and its refusals show boxes and log nothing of the vault.
void TestSecretLogs::exportVault()
{
    QFETCH(QString, typed);
    QFETCH(QString, target);
    QFETCH(QString, box);
    openCanaryVault();
    const QString file = target.isEmpty() ? _vaultFile : _dir + QLatin1Char('/') + target;
    if (!target.isEmpty())
        QFile::remove(file);
    clickRadio(child<QRadioButton>(_base, "_rbnExport"));
    child<QLineEdit>(_base, "_tbxPassword")->setText(typed);
    child<QLineEdit>(_base, "_tbxImportFile")->setText(file);
    MessageBoxAnswerer answerer({QMessageBox::Ok});
    QTest::mouseClick(child<QPushButton>(_base, "_btnExport"), Qt::LeftButton);
    QCOMPARE(answerer.count(), 1);
    QVERIFY2(answerer.last().text.startsWith(box.section(QLatin1Char('%'), 0, 0)), qPrintable(answerer.last().text));
    const QStringList secrets{typed,
                              QStringLiteral("Vault-Acct"),
                              QStringLiteral("Vault-Pass"),
                              QStringLiteral("Vault-Note"),
                              QStringLiteral("Vault-Role")};
    checkNoLeak(secrets, QString(), answerer.seen(), secrets);
}

void TestSecretLogs::editing_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("refused");
    QTest::newRow("password") << int(RackModel::PasswordColumn) << "Edit-Pass-1" << false;
    QTest::newRow("account") << int(RackModel::UserColumn) << "Edit-Acct-1" << false;
    QTest::newRow("comment") << int(RackModel::CommentColumn) << "Edit-Note-1" << false;
    QTest::newRow("role") << int(RackModel::NameColumn) << "Edit-Role-1" << false;
    QTest::newRow("password with a tab: refused") << int(RackModel::PasswordColumn) << "Edit-Pass-2\tEdit-Pass-3" << true;
    QTest::newRow("comment with a line feed: refused")
        << int(RackModel::CommentColumn) << "Edit-Note-2\nEdit-Note-3" << true;
    QTest::newRow("role of another entry: refused") << int(RackModel::NameColumn) << "" << true;
    QTest::newRow("role emptied: refused") << int(RackModel::NameColumn) << "-" << true;
}

// Edits in the table, done and refused: the editing steps are logged (debug),
// the refusals shown, and neither holds the old or the new value.
void TestSecretLogs::editing()
{
    QFETCH(int, column);
    QFETCH(QString, value);
    QFETCH(bool, refused);
    openCanaryVault();
    Rack* rack = _base->rackAt(RackModel::FirstRackTab);
    QVERIFY(rack);
    // "" stands for the other entry's role, "-" for an empty role.
    const QString typed = value.isEmpty() ? QStringLiteral("Vault-Role-1") : value == QLatin1String("-") ? QString() : value;
    MessageBoxAnswerer answerer;
    editCell(rack, QStringLiteral("Vault-Role-0"), column, typed);
    QCOMPARE(answerer.count(), refused ? 1 : 0);
    QCOMPARE(_base->model()->isModified(), !refused);

    QStringList secrets{QStringLiteral("Vault-Acct"), QStringLiteral("Vault-Pass"), QStringLiteral("Vault-Note"),
                        QStringLiteral("Edit-")};
    // The role of another entry is shown in its refusal ("already exists").
    if (!value.isEmpty())
        secrets << QStringLiteral("Vault-Role");
    checkNoLeak(secrets, QStringLiteral("Validation de la modification"), answerer.seen(), secrets);
}

void TestSecretLogs::filtering_data()
{
    QTest::addColumn<QString>("search");
    QTest::addColumn<bool>("valid");
    QTest::newRow("password rule") << "password:Vault-Pass-1" << true;
    QTest::newRow("two rules") << "Vault-Role-0, comment:Filter-Canary-1" << true;
    QTest::newRow("excluding rule") << "-:Filter-Canary-2" << true;
    QTest::newRow("invalid expression") << "password:Filter-Canary-3(" << false;
    QTest::newRow("invalid after a valid one") << "Vault-Role-1, user:Filter-Canary-4[" << false;
}

// Filtering runs the expressions off the GUI thread; an invalid one is shown
// to the user. Neither the expressions nor the entries reach the log.
void TestSecretLogs::filtering()
{
    QFETCH(QString, search);
    QFETCH(bool, valid);
    openCanaryVault();
    Rack* rack = _base->rackAt(RackModel::FirstRackTab);
    QVERIFY(rack);
    auto* field = child<QLineEdit>(rack, "_tbxSearch");
    field->setText(search);
    MessageBoxAnswerer answerer;
    QTest::keyClick(field, Qt::Key_Return);
    QCOMPARE(answerer.count(), valid ? 0 : 1);
    // The run ends: the counter no longer says that it filters.
    auto* counter = child<QLabel>(rack, "_lblEntries");
    QTRY_VERIFY(QRegularExpression(QStringLiteral("^\\d+/2$")).match(counter->text()).hasMatch());

    const QStringList secrets{QStringLiteral("Vault-Acct"), QStringLiteral("Vault-Pass"), QStringLiteral("Vault-Note"),
                              QStringLiteral("Vault-Role"), QStringLiteral("Filter-Canary")};
    // The box names the expression the user typed; never an entry's text.
    checkNoLeak(secrets, QString(), answerer.seen(),
                {QStringLiteral("Vault-Acct"), QStringLiteral("Vault-Note"), QStringLiteral("Vault-Role-0")});
}

enum class VaultFile { WrongPassword, Unreadable, Missing, NotAVault };
Q_DECLARE_METATYPE(VaultFile)

void TestSecretLogs::openingErrors_data()
{
    QTest::addColumn<VaultFile>("file");
    QTest::newRow("wrong password") << VaultFile::WrongPassword;
    QTest::newRow("unreadable file") << VaultFile::Unreadable;
    QTest::newRow("missing file") << VaultFile::Missing;
    QTest::newRow("not a vault") << VaultFile::NotAVault;
}

// Opening refused: the password typed is in no log line and no box.
void TestSecretLogs::openingErrors()
{
    QFETCH(VaultFile, file);
    const QString folder = TestEnvironment::freshDir(QStringLiteral("open"));
    QString name = folder + QStringLiteral("/vault.kovrin");
    QVERIFY(writeVault(name, {{QStringLiteral("A"), 2}}));
    switch (file) {
    case VaultFile::WrongPassword: break;
    case VaultFile::Unreadable: QVERIFY(QFile::setPermissions(name, QFile::WriteOwner)); break;
    case VaultFile::Missing: name += QStringLiteral(".gone"); break;
    case VaultFile::NotAVault: writeFile(name, QByteArray(4096, 'x') + "Canary-Plain-Text"); break;
    }
    const QString typed = QStringLiteral("Canary-Typed-Pw");
    MessageBoxAnswerer answerer;
    typeAndLoad(*_base, name, typed);
    QCOMPARE(answerer.count(), 1);
    QVERIFY(!_base->model());
    const QStringList secrets{typed, QStringLiteral("Canary-Plain-Text")};
    checkNoLeak(secrets, QString(), answerer.seen(), secrets);
}

KOVRIN_TEST_MAIN(TestSecretLogs)
#include "tst_secretlogs.moc"
