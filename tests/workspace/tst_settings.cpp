#include "ClipboardGuard.h"
#include "Exception.h"
#include "LoggerLevel.h"
#include "MainWindow.h"
#include "MessageBoxAnswerer.h"
#include "ModuleTexts.h"
#include "ProxyModel.h"
#include "RackFixture.h"
#include "RackModel.h"
#include "Settings.h"
#include "SettingsDialog.h"
#include "Startup.h"
#include "TestMain.h"
#include "VaultEntry.h"
#include "WorkspaceFixture.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableView>
#include <QScopeGuard>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

using Values = Settings::Values;
Q_DECLARE_METATYPE(Settings::Values)

namespace QTest {
template <>
char* toString(const Settings::Values& v)
{
    return qstrdup(QStringLiteral("{clipboard %1 s, idle %2 min, screen %3, filter %4, hide %5}")
                       .arg(v.clipboardTimeout)
                       .arg(v.lockIdleMinutes)
                       .arg(v.lockOnScreenLock)
                       .arg(v.filterAsYouType)
                       .arg(v.hidePasswords)
                       .toUtf8()
                       .constData());
}
} // namespace QTest

namespace {
Values values(int clipboard, int idle, bool screen, bool filter, bool hide)
{
    Values v;
    v.clipboardTimeout = clipboard;
    v.lockIdleMinutes = idle;
    v.lockOnScreenLock = screen;
    v.filterAsYouType = filter;
    v.hidePasswords = hide;
    return v;
}

const Values Defaults = values(0, 0, true, false, false);

// A settings file in a folder that does not exist yet.
QString freshFile(const char* test)
{
    return TestEnvironment::freshDir(QString::fromLatin1(test)) + QStringLiteral("/config/kovrin/kovrin.properties");
}

bool writeFile(const QString& fileName, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(fileName).absolutePath());
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

QByteArray readFile(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

// The file as the program writes it, keys in order.
QByteArray fileText(const Values& v)
{
    const auto flag = [](bool on) { return on ? "true" : "false"; };
    return QStringLiteral("clipboard.clear.seconds=%1\nfilter.as.you.type=%2\nlock.idle.minutes=%3\n"
                          "lock.on.screen.lock=%4\ntable.hide.passwords=%5\n")
        .arg(v.clipboardTimeout)
        .arg(QLatin1String(flag(v.filterAsYouType)))
        .arg(v.lockIdleMinutes)
        .arg(QLatin1String(flag(v.lockOnScreenLock)))
        .arg(QLatin1String(flag(v.hidePasswords)))
        .toUtf8();
}

void typeNumber(QSpinBox* box, int value)
{
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, QString::number(value));
}

void setChecked(QCheckBox* box, bool on)
{
    if (box->isChecked() != on)
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, box->height() / 2));
}
} // namespace

class TestSettings : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void defaults();
    void writtenAndReadBack_data();
    void writtenAndReadBack();
    void unwritableKeepsEverything();
    void otherLinesIgnored();
    void damaged_data();
    void damaged();
    void commandLineOverFile_data();
    void commandLineOverFile();
    void dialogTexts_data();
    void dialogTexts();
    void dialog_data();
    void dialog();
    void dialogFromFileMenu();
    void hiddenPasswords_data();
    void hiddenPasswords();
    void openViewsFollow();
};

void TestSettings::initTestCase()
{
    ModuleTexts::setLanguage(QStringLiteral("en_US"));
    WorkspaceFixture::captureDefaultLog();
}

void TestSettings::defaults()
{
    QVERIFY(Settings::defaultFileName().startsWith(qEnvironmentVariable("XDG_CONFIG_HOME") + QLatin1Char('/')));
    QVERIFY(Settings::defaultFileName().endsWith(QStringLiteral("/kovrin.properties")));

    const QString file = freshFile("defaults");
    WorkspaceFixture::takeLogLines();
    Settings settings(file);
    QCOMPARE(settings.values(), Defaults);
    QCOMPARE(settings.fileValues(), Defaults);
    QCOMPARE(Settings::current(), &settings);
    // Reading writes nothing and a missing file is no fault.
    QVERIFY(!QFile::exists(file));
    QVERIFY(settings.load());
    QCOMPARE(WorkspaceFixture::takeLogLines(), QStringList());
}

void TestSettings::writtenAndReadBack_data()
{
    QTest::addColumn<Values>("chosen");
    QTest::addColumn<int>("mask");
    QTest::addColumn<bool>("replacing");
    QTest::newRow("defaults, umask 022") << Defaults << 022 << false;
    QTest::newRow("every value changed, umask 000") << values(86400, 1440, false, true, true) << 0 << false;
    QTest::newRow("some changed, over a 0644 file") << values(30, 5, true, false, true) << 022 << true;
    QTest::newRow("over a 0644 file, umask 000") << values(1, 1, false, false, false) << 0 << true;
}

void TestSettings::writtenAndReadBack()
{
    QFETCH(Values, chosen);
    QFETCH(int, mask);
    QFETCH(bool, replacing);
    const QString file = freshFile("written");
    if (replacing) {
        QVERIFY(writeFile(file, fileText(values(7, 7, true, true, true))));
        QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup
                                                | QFile::ReadOther));
    }
    Settings settings(file);
    const Values before = settings.values();
    QSignalSpy changed(&settings, &Settings::changed);

    const mode_t old = ::umask(mode_t(mask));
    try {
        settings.choose(chosen);
    } catch (const Exception& e) {
        ::umask(old);
        QFAIL(qPrintable(e.detail()));
    }
    ::umask(old);

    QCOMPARE(changed.size(), before == chosen ? 0 : 1);
    QCOMPARE(settings.values(), chosen);
    QCOMPARE(readFile(file), fileText(chosen));
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther
                                      | QFile::WriteOther | QFile::ExeOther;
    const QFile::Permissions mode = QFile::permissions(file);
    QCOMPARE(mode & others, QFile::Permissions());
    QVERIFY(mode.testFlag(QFile::ReadOwner) && mode.testFlag(QFile::WriteOwner));
    QCOMPARE(QDir(QFileInfo(file).absolutePath()).entryList(QDir::Files | QDir::Hidden), QStringList{"kovrin.properties"});

    Settings again(file);
    QCOMPARE(again.values(), chosen);
}

void TestSettings::unwritableKeepsEverything()
{
    // A file where the folder should be.
    const QString root = TestEnvironment::freshDir(QStringLiteral("unwritable"));
    QVERIFY(writeFile(root + QStringLiteral("/config"), "not a folder"));
    Settings settings(root + QStringLiteral("/config/kovrin.properties"));
    QSignalSpy changed(&settings, &Settings::changed);
    QVERIFY_THROWS_EXCEPTION(Exception, settings.choose(values(30, 0, true, false, false)));
    QCOMPARE(changed.size(), 0);
    QCOMPARE(settings.values(), Defaults);
    QCOMPARE(settings.fileValues(), Defaults);
}

void TestSettings::otherLinesIgnored()
{
    const QString file = freshFile("other");
    QVERIFY(writeFile(file, "# written by hand\n\n  lock.idle.minutes=7  \nsome.later.key=1\nno equals sign\n"
                            "table.hide.passwords=true\n"));
    WorkspaceFixture::takeLogLines();
    Settings settings(file);
    QCOMPARE(settings.values(), values(0, 7, true, false, true));
    QCOMPARE(WorkspaceFixture::takeLogLines(), QStringList());
}

void TestSettings::damaged_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("kind");
    // Each file also has a good line: nothing of a damaged file is taken.
    const QByteArray good = "filter.as.you.type=true\n";
    QTest::newRow("key given twice") << good + "lock.idle.minutes=5\nlock.idle.minutes=6\n" << "file";
    QTest::newRow("not a number") << good + "clipboard.clear.seconds=soon\n" << "file";
    QTest::newRow("negative") << good + "clipboard.clear.seconds=-5\n" << "file";
    QTest::newRow("more than a day") << good + "clipboard.clear.seconds=86401\n" << "file";
    QTest::newRow("idle more than a day") << good + "lock.idle.minutes=1441\n" << "file";
    QTest::newRow("not a boolean") << good + "table.hide.passwords=yes\n" << "file";
    QTest::newRow("far too long") << good + QByteArray(70000, 'x') << "file";
    QTest::newRow("unreadable") << good << "unreadable";
    QTest::newRow("a folder") << QByteArray() << "folder";
}

void TestSettings::damaged()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, kind);
    const QString file = freshFile("damaged");
    if (kind == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(file));
    } else {
        QVERIFY(writeFile(file, content));
        if (kind == QLatin1String("unreadable")) {
            if (::geteuid() == 0)
                QSKIP("root reads every file");
            QVERIFY(QFile::setPermissions(file, QFile::WriteOwner));
        }
    }
    WorkspaceFixture::takeLogLines();
    Settings settings(file);
    QCOMPARE(settings.values(), Defaults);
    const QStringList lines = WorkspaceFixture::takeLogLines();
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines.first().startsWith(QStringLiteral("%1 ").arg(int(LoggerLevel::Warning))), qPrintable(lines.first()));
    QVERIFY2(lines.first().contains(file), qPrintable(lines.first()));
    QVERIFY(!settings.load());
}

void TestSettings::commandLineOverFile_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("timeout");
    QTest::addColumn<bool>("filter");
    QTest::addColumn<bool>("refused");
    QTest::newRow("nothing given: the file") << QStringList() << 10 << false << false;
    QTest::newRow("timeout") << QStringList{"--clipboard-timeout=30"} << 30 << false << false;
    QTest::newRow("timeout refused: the file's") << QStringList{"--clipboard-timeout=soon"} << 10 << false << true;
    QTest::newRow("filter") << QStringList{"--filter-as-you-type"} << 10 << true << false;
    QTest::newRow("both") << QStringList{"--filter-as-you-type", "--clipboard-timeout=86400"} << 86400 << true
                          << false;
}

void TestSettings::commandLineOverFile()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, timeout);
    QFETCH(bool, filter);
    QFETCH(bool, refused);
    const Values inFile = values(10, 3, false, false, true);
    const QString file = freshFile("override");
    QVERIFY(writeFile(file, fileText(inFile)));
    Settings settings(file);
    QString error;
    Startup::applyOptions(settings, Startup::parseOptions(arguments), &error);
    QCOMPARE(!error.isEmpty(), refused);
    QCOMPARE(settings.values(), values(timeout, 3, false, filter, true));
    QCOMPARE(settings.fileValues(), inFile);

    // OK on the dialog with one other change: the command line's values stay out of the file.
    Values chosen = settings.values();
    chosen.hidePasswords = false;
    settings.choose(chosen);
    QCOMPARE(settings.values(), chosen);
    Values expected = inFile;
    expected.hidePasswords = false;
    QCOMPARE(readFile(file), fileText(expected));
}

void TestSettings::dialogTexts_data()
{
    QTest::addColumn<QString>("lang");
    QTest::newRow("English") << "en_US";
    QTest::newRow("French") << "fr_FR";
}

void TestSettings::dialogTexts()
{
    QFETCH(QString, lang);
    ModuleTexts::setLanguage(lang);
    const auto restore = qScopeGuard([] { ModuleTexts::setLanguage(QStringLiteral("en_US")); });
    Settings settings(freshFile("texts"));
    SettingsDialog dialog(settings);
    const auto missing = [](const QString& text) { return text.isEmpty() || text.startsWith(QLatin1Char('[')); };
    QVERIFY(!missing(dialog.windowTitle()));

    // Every field has its text and says what it is to a screen reader.
    QStringList seen;
    for (const QWidget* field : dialog.findChildren<QWidget*>()) {
        const auto* spin = qobject_cast<const QSpinBox*>(field);
        const auto* button = qobject_cast<const QAbstractButton*>(field);
        const auto* label = qobject_cast<const QLabel*>(field);
        if (!spin && !button && !label)
            continue;
        const QString name = field->objectName();
        QVERIFY2(!missing(field->toolTip()), qPrintable(name));
        if (label) {
            QVERIFY2(!missing(label->text()) && label->buddy(), qPrintable(name));
            continue;
        }
        QVERIFY2(!missing(field->accessibleName()), qPrintable(name));
        if (button)
            QVERIFY2(!missing(button->text()), qPrintable(name));
        else
            QVERIFY2(!missing(spin->specialValueText()) && !missing(spin->suffix()), qPrintable(name));
        seen.append(name);
    }
    seen.sort();
    QCOMPARE(seen, (QStringList{"_btnCancel", "_btnOk", "_chkFilterAsYouType", "_chkHidePasswords",
                                "_chkLockOnScreenLock", "_sbxClipboardTimeout", "_sbxLockIdle"}));
}

void TestSettings::dialog_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("writable");
    QTest::addColumn<bool>("kept");
    QTest::newRow("OK") << "_btnOk" << true << true;
    QTest::newRow("Cancel") << "_btnCancel" << true << false;
    // The error is shown and the dialog stays open, the choice still in it.
    QTest::newRow("OK, file cannot be written") << "_btnOk" << false << false;
}

void TestSettings::dialog()
{
    QFETCH(QString, button);
    QFETCH(bool, writable);
    QFETCH(bool, kept);
    QString file = freshFile("dialog");
    if (!writable) {
        QVERIFY(writeFile(QFileInfo(file).absolutePath(), "a file where the folder goes"));
        file = QFileInfo(file).absolutePath() + QStringLiteral("/kovrin.properties");
    }
    Settings settings(file);
    QSignalSpy changed(&settings, &Settings::changed);
    SettingsDialog dialog(settings);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    const auto spin = [&](const char* name) { return dialog.findChild<QSpinBox*>(QLatin1String(name)); };
    const auto check = [&](const char* name) { return dialog.findChild<QCheckBox*>(QLatin1String(name)); };
    // The values in effect are shown; 0 reads "off".
    QCOMPARE(spin("_sbxClipboardTimeout")->value(), 0);
    QCOMPARE(spin("_sbxClipboardTimeout")->text(), spin("_sbxClipboardTimeout")->specialValueText());
    QVERIFY(check("_chkLockOnScreenLock")->isChecked());

    typeNumber(spin("_sbxClipboardTimeout"), 45);
    typeNumber(spin("_sbxLockIdle"), 12);
    setChecked(check("_chkLockOnScreenLock"), false);
    setChecked(check("_chkFilterAsYouType"), true);
    setChecked(check("_chkHidePasswords"), true);
    const Values typed = values(45, 12, false, true, true);
    QCOMPARE(dialog.values(), typed);

    MessageBoxAnswerer answerer({QMessageBox::Ok});
    QTest::mouseClick(dialog.findChild<QPushButton*>(button), Qt::LeftButton);
    QCOMPARE(answerer.count(), writable ? 0 : 1);
    if (!writable) {
        QCOMPARE(answerer.last().icon, QMessageBox::Critical);
        QVERIFY2(answerer.last().text.contains(file), qPrintable(answerer.last().text));
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.values(), typed);
    } else {
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(kept ? QDialog::Accepted : QDialog::Rejected));
    }
    QCOMPARE(settings.values(), kept ? typed : Defaults);
    QCOMPARE(changed.size(), kept ? 1 : 0);
    QCOMPARE(QFile::exists(file), kept);
    if (kept)
        QCOMPARE(Settings(file).values(), typed);
}

void TestSettings::dialogFromFileMenu()
{
    Settings settings(freshFile("menu"));
    const std::unique_ptr<MainWindow> window = WorkspaceFixture::showMainWindow();
    QAction* action = window->actSettings();
    QVERIFY(action);
    const auto* file = window->findChild<QMenu*>(QStringLiteral("_mnuFile"));
    QVERIFY(file->actions().contains(action));
    QVERIFY(!action->text().isEmpty() && !action->text().startsWith(QLatin1Char('[')));

    QString shown;
    QTimer::singleShot(0, this, [&] {
        if (auto* dialog = qobject_cast<SettingsDialog*>(QApplication::activeModalWidget())) {
            shown = dialog->windowTitle();
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("_btnCancel")), Qt::LeftButton);
        }
    });
    action->trigger();
    QVERIFY(!shown.isEmpty());
    QVERIFY(!QFile::exists(settings.fileName()));
}

void TestSettings::hiddenPasswords_data()
{
    QTest::addColumn<bool>("hidden");
    QTest::newRow("hidden") << true;
    QTest::newRow("shown") << false;
}

void TestSettings::hiddenPasswords()
{
    QFETCH(bool, hidden);
    const QString password = QStringLiteral("s3cret-Pass");
    const QString file = freshFile("hidden");
    QVERIFY(writeFile(file, hidden ? "table.hide.passwords=true\n" : ""));
    Settings settings(file);
    RackFixture f({{"mail", "ann", password, "note"}});
    QTableView* table = f.table();
    const QModelIndex cell = table->model()->index(0, RackModel::PasswordColumn);

    QCOMPARE(cell.data(Qt::DisplayRole).toString(), hidden ? ProxyModel::HiddenPassword : password);
    QCOMPARE(table->model()->index(0, RackModel::UserColumn).data().toString(), QStringLiteral("ann"));

    // The editor gets the clear text.
    table->setCurrentIndex(cell);
    table->edit(cell);
    QLineEdit* editor = f.editor();
    QVERIFY(editor);
    QCOMPARE(editor->text(), password);
    QTest::keyClick(editor, Qt::Key_Escape);
    QCOMPARE(f.rackModel()->entries().at(0)->password(), password);

    // So does a copy.
    QGuiApplication::clipboard()->clear();
    QMenu* menu = f.openMenu(table->visualRect(cell).center());
    QVERIFY(menu);
    f.clickMenu(menu, "_actCopy");
    QCOMPARE(QGuiApplication::clipboard()->text(), password);

    // The choice changed while the rack is open: the table follows at once.
    QSignalSpy repainted(table->model(), &QAbstractItemModel::dataChanged);
    settings.setForThisRun(values(0, 0, true, false, !hidden));
    QCOMPARE(repainted.size(), 1);
    QCOMPARE(cell.data(Qt::DisplayRole).toString(), hidden ? password : ProxyModel::HiddenPassword);
    QCOMPARE(cell.data(Qt::EditRole).toString(), password);
}

void TestSettings::openViewsFollow()
{
    Settings settings(freshFile("follow"));
    ClipboardGuard guard(0);
    Startup::followSettings(guard, settings);
    RackFixture f({{"mail", "ann", "pw", ""}});
    QVERIFY(!f.rack()->filterAsYouType());

    settings.setForThisRun(values(20, 0, true, true, false));
    QCOMPARE(guard.timeout(), 20);
    QVERIFY(f.rack()->filterAsYouType());

    settings.choose(values(0, 0, true, false, false));
    QCOMPARE(guard.timeout(), 0);
    QVERIFY(!f.rack()->filterAsYouType());
}

KOVRIN_TEST_MAIN(TestSettings)
#include "tst_settings.moc"
