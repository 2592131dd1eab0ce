// The vault passwords typed into the workspace and the new vault dialog stay
// nowhere once used: every road (done, refused, failed, cancelled) leaves the
// field empty and its edit history without the typed characters, which a plain
// clear() of a line edit keeps.
#include "Base.h"
#include "FixtureFiles.h"
#include "MainWindow.h"
#include "MessageBoxAnswerer.h"
#include "Model.h"
#include "ModuleTexts.h"
#include "PasswordField.h"
#include "RackModel.h"
#include "TestEnvironment.h"
#include "TestMain.h"
#include "VaultImport.h"
#include "WipeOnExit.h"
#include "WorkspaceFixture.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace WorkspaceFixture;

namespace {
const QString NewPassword = QStringLiteral("aaaaB1#");

QLineEdit* lineEditOf(QWidget* parent, const char* name)
{
    auto* field = parent->findChild<QLineEdit*>(QLatin1String(name));
    if (!field)
        qFatal("no field %s", name);
    return field;
}

// Typed key by key, so that the field records its edit history as a person's typing does.
void type(QLineEdit* field, const QString& text)
{
    field->setText(QString());
    QTest::keyClicks(field, text);
}

// Empty, and no undo step that could bring the text back (undo shows only
// outside password echo, but the history is kept in every mode).
bool keepsNothing(QLineEdit* field)
{
    const QLineEdit::EchoMode mode = field->echoMode();
    field->setEchoMode(QLineEdit::Normal);
    const bool nothing = field->text().isEmpty() && !field->isUndoAvailable();
    field->setEchoMode(mode);
    return nothing;
}
} // namespace

class TestPasswordFields : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void takeHandsOutTheFieldsOwnText();
    void vaultPage_data();
    void vaultPage();
    void exportPassword_data();
    void exportPassword();
    void dialog_data();
    void dialog();

private:
    std::unique_ptr<MainWindow> _window;
    Base* _base = nullptr;
    QString _folder;
    QString _vaultFile;
};

void TestPasswordFields::initTestCase()
{
    ModuleTexts::setLanguage(QStringLiteral("en_US"));
}

void TestPasswordFields::init()
{
    _folder = TestEnvironment::freshDir(QStringLiteral("fields"));
    _vaultFile = _folder + QStringLiteral("/vault.kovrin");
    QVERIFY(writeVault(_vaultFile, {{QStringLiteral("A"), 2}}));
    _window = showMainWindow();
    _base = _window->base();
}

void TestPasswordFields::cleanup()
{
    if (_base && _base->model())
        _base->model()->resetModified(); // no saving question when the window goes
    _window.reset();
    _base = nullptr;
}

// The holder of the taken text owns the very buffer the field held, so its
// wipe overwrites the typed characters themselves, not a copy of them.
void TestPasswordFields::takeHandsOutTheFieldsOwnText()
{
    QLineEdit field;
    field.setEchoMode(QLineEdit::Password);
    type(&field, QStringLiteral("Typed-Secret-1"));
    const QChar* buffer = field.text().constData();

    QString taken = PasswordField::take(field);
    QCOMPARE(taken, QStringLiteral("Typed-Secret-1"));
    QVERIFY(keepsNothing(&field));
    QVERIFY(taken.isDetached());
    QCOMPARE(taken.constData(), buffer);

    WipeOnExit::wipe(taken);
    QCOMPARE(taken, QString(14, QChar(0)));

    // A text still shared with its reader is left to that reader.
    type(&field, QStringLiteral("Typed-Secret-2"));
    const QString reader = field.text();
    PasswordField::wipe(field);
    QVERIFY(keepsNothing(&field));
    QCOMPARE(reader, QStringLiteral("Typed-Secret-2"));
}

void TestPasswordFields::vaultPage_data()
{
    QTest::addColumn<QString>("file"); // "vault", "missing"
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("opens");
    QTest::addColumn<int>("boxes");
    QTest::newRow("loaded") << "vault" << Password << true << 0;
    QTest::newRow("wrong password") << "vault" << "Wrong-Pass-1" << false << 1;
    QTest::newRow("file check failed") << "missing" << Password << false << 1;
}

void TestPasswordFields::vaultPage()
{
    QFETCH(QString, file);
    QFETCH(QString, password);
    QFETCH(bool, opens);
    QFETCH(int, boxes);
    const QString fileName = file == QLatin1String("vault") ? _vaultFile : _folder + QStringLiteral("/none.kovrin");

    MessageBoxAnswerer answerer;
    typeAndLoad(*_base, fileName, password);
    QCOMPARE(answerer.count(), boxes);
    QCOMPARE(bool(_base->model()), opens);
    QVERIFY(keepsNothing(lineEdit(*_base, "_tbxPassword")));
}

void TestPasswordFields::exportPassword_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("target"); // "new", "vault"
    QTest::addColumn<QMessageBox::Icon>("icon");
    QTest::addColumn<bool>("written");
    QTest::newRow("exported") << Password << "new" << QMessageBox::Information << true;
    QTest::newRow("wrong password") << "Wrong-Pass-1" << "new" << QMessageBox::Warning << false;
    QTest::newRow("target refused after the check") << Password << "vault" << QMessageBox::Warning << false;
}

void TestPasswordFields::exportPassword()
{
    QFETCH(QString, password);
    QFETCH(QString, target);
    QFETCH(QMessageBox::Icon, icon);
    QFETCH(bool, written);
    typeAndLoad(*_base, _vaultFile, Password);
    QVERIFY(_base->model());
    _base->selectTab(0);
    const QString csv = target == QLatin1String("vault") ? _vaultFile : _folder + QStringLiteral("/out.csv");
    QLineEdit* field = lineEdit(*_base, "_tbxPassword");
    type(field, password);
    lineEdit(*_base, "_tbxImportFile")->setText(csv);

    MessageBoxAnswerer answerer;
    QTest::mouseClick(_base->findChild<QPushButton*>(QStringLiteral("_btnExport")), Qt::LeftButton);
    QCOMPARE(answerer.count(), 1);
    QCOMPARE(answerer.last().icon, icon);
    QCOMPARE(QFile::exists(_folder + QStringLiteral("/out.csv")), written);
    QVERIFY(keepsNothing(field));
}

void TestPasswordFields::dialog_data()
{
    QTest::addColumn<bool>("create");
    QTest::addColumn<QString>("confirmation");
    QTest::addColumn<QString>("csv"); // the CSV file's content; empty: no CSV file named
    QTest::addColumn<QString>("action"); // "run", "cancel", "escape", "close"
    QTest::addColumn<bool>("stays");
    QTest::addColumn<bool>("kept"); // both fields keep their text for a correction

    QTest::newRow("created") << true << NewPassword << "" << "run" << false << false;
    QTest::newRow("imported") << false << NewPassword << "\n\nrack:R\n\nr\tu\tp\tc\n" << "run" << false << false;
    // The key pair was made before the bad line stopped the import.
    QTest::newRow("import stopped by a bad line") << false << NewPassword << "\n\nrack:R\n\nno tab\n" << "run"
                                                  << true << false;
    QTest::newRow("passwords differ") << false << "aaaaB1$" << "\n\nrack:R\n\n" << "run" << true << true;
    QTest::newRow("cancel button") << false << NewPassword << "" << "cancel" << false << false;
    QTest::newRow("escape") << false << NewPassword << "" << "escape" << false << false;
    QTest::newRow("close box") << true << NewPassword << "" << "close" << false << false;
}

void TestPasswordFields::dialog()
{
    QFETCH(bool, create);
    QFETCH(QString, confirmation);
    QFETCH(QString, csv);
    QFETCH(QString, action);
    QFETCH(bool, stays);
    QFETCH(bool, kept);
    const QString csvFile = _folder + QStringLiteral("/in.csv");
    if (!csv.isEmpty())
        FixtureFiles::writeFile(csvFile, csv.toUtf8());

    VaultImport dialog(create, _base);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QLineEdit* first = lineEditOf(&dialog, "_pPwdInput");
    QLineEdit* second = lineEditOf(&dialog, "_pPwd2Input");
    type(first, NewPassword);
    type(second, confirmation);
    lineEditOf(&dialog, "_pVaultFileInput")->setText(_folder + QStringLiteral("/new.kovrin"));
    if (!create)
        lineEditOf(&dialog, "_pCsvFileInput")->setText(csv.isEmpty() ? QString() : csvFile);

    MessageBoxAnswerer answerer;
    if (action == QLatin1String("run"))
        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("_pImportButton")), Qt::LeftButton);
    else if (action == QLatin1String("cancel"))
        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("_pCancelButton")), Qt::LeftButton);
    else if (action == QLatin1String("escape"))
        QTest::keyClick(&dialog, Qt::Key_Escape);
    else
        dialog.close();

    QCOMPARE(dialog.isVisible(), stays);
    if (kept) {
        QCOMPARE(first->text(), NewPassword);
        QCOMPARE(second->text(), confirmation);
    } else {
        QVERIFY(keepsNothing(first));
        QVERIFY(keepsNothing(second));
    }
}

KOVRIN_TEST_MAIN(TestPasswordFields)
#include "tst_passwordfields.moc"
