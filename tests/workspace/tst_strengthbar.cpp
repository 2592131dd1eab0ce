// The strength bar wherever a password is typed or generated: the rack's
// new-entry field, the password cell's editor, the password page's generator
// and the new vault dialog. Each bar is compared with PasswordStrength itself
// for the text the field holds, in English and in French.
#include "Base.h"
#include "ColorScheme.h"
#include "EditingDelegate.h"
#include "MainWindow.h"
#include "MessageBoxAnswerer.h"
#include "Model.h"
#include "ModuleTexts.h"
#include "PasswordStrength.h"
#include "RackFixture.h"
#include "RackModel.h"
#include "StrengthBar.h"
#include "TestEnvironment.h"
#include "TestMain.h"
#include "VaultEntry.h"
#include "VaultImport.h"
#include "WorkspaceFixture.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTextEdit>

namespace {
// Starts with a lone letter and ends far out of reach of a guesser.
const QString Growing = QStringLiteral("aX9#kq!VT2$wLz@8pM4&");
const QString Role = QStringLiteral("Zanzibarquux");
const QString Account = QStringLiteral("walrus");

// What a language's bundle calls each score, and the bar.
struct Language {
    QStringList words;
    QString name;
    QString weakestOf;
};

Language language(const QString& lang)
{
    if (lang == QLatin1String("fr_FR"))
        return {{"très faible", "faible", "moyen", "fort", "très fort"},
                "Solidité du mot de passe",
                "%1 (le plus faible sur %2)"};
    return {{"very weak", "weak", "fair", "strong", "very strong"}, "Password strength", "%1 (weakest of %2)"};
}

void addLanguageColumn()
{
    QTest::addColumn<QString>("lang");
}

// Every text the bar shows or hands to a screen reader.
QStringList barTexts(const StrengthBar* bar)
{
    QStringList texts{bar->toolTip(), bar->accessibleName(), bar->accessibleDescription(), bar->word()};
    for (const QWidget* child : bar->findChildren<QWidget*>())
        texts << child->toolTip() << child->accessibleName() << child->accessibleDescription();
    return texts;
}

// The bar shows what PasswordStrength says of password, in the language's words.
void checkBar(const StrengthBar* bar, const QString& password, const QStringList& userWords, const Language& lang)
{
    QVERIFY(bar);
    const auto* progress = bar->findChild<QProgressBar*>();
    QVERIFY(progress);
    QCOMPARE(bar->accessibleName(), lang.name);
    QCOMPARE(progress->accessibleName(), lang.name);
    if (password.isEmpty()) {
        QVERIFY(!bar->hasPassword());
        QCOMPARE(bar->word(), QString());
        QCOMPARE(progress->value(), progress->minimum());
        QCOMPARE(bar->accessibleDescription(), ModuleTexts::text(QStringLiteral("StrengthNoPassword")));
        return;
    }
    const PasswordStrength::Estimate expected = PasswordStrength::estimate(password, userWords);
    QVERIFY(bar->hasPassword());
    QCOMPARE(bar->estimate(), expected);
    QCOMPARE(bar->word(), lang.words.at(expected.score));
    QVERIFY(bar->findChild<QLabel*>()->isVisibleTo(bar));
    QCOMPARE(progress->value(), expected.score + 1);
    const QString description = PasswordStrength::description(expected);
    QVERIFY(description.startsWith(lang.words.at(expected.score)));
    QCOMPARE(bar->accessibleDescription(), description);
    QCOMPARE(progress->accessibleDescription(), description);
    QCOMPARE(bar->toolTip(), description);
    // Never the password itself (a single letter is in every word).
    if (password.size() > 3)
        for (const QString& text : barTexts(bar))
            QVERIFY2(!text.contains(password), qPrintable(text));
}

#define CHECK_BAR(bar, password, words, lang)                                                                        \
    do {                                                                                                             \
        checkBar(bar, password, words, lang);                                                                        \
        if (QTest::currentTestFailed())                                                                              \
            return;                                                                                                  \
    } while (false)

// Types text key by key into field, the bar checked after each key; the
// scores the bar went through.
QList<int> typeAndFollow(QLineEdit* field, const StrengthBar* bar, const QString& text, const QStringList& words,
                         const Language& lang)
{
    QList<int> scores;
    for (const QChar c : text) {
        QTest::keyClicks(field, QString(c));
        checkBar(bar, field->text(), words, lang);
        if (QTest::currentTestFailed())
            return {};
        scores.append(bar->estimate().score);
    }
    return scores;
}

// From very weak to the strongest, never going down on the way.
void checkGrowth(const QList<int>& scores)
{
    QVERIFY(!scores.isEmpty());
    QCOMPARE(scores.first(), PasswordStrength::estimate(Growing.left(1)).score);
    QVERIFY(scores.first() < scores.last());
    QVERIFY(std::is_sorted(scores.begin(), scores.end()));
}
} // namespace

class TestStrengthBar : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();

    void bar_data();
    void bar();
    void weakestOfSeveral();
    void coloursFollowTheScheme();
    void rackField_data();
    void rackField();
    void rackProposals();
    void cellEditor_data();
    void cellEditor();
    void generator_data();
    void generator();
    void newVaultDialog_data();
    void newVaultDialog();
};

void TestStrengthBar::initTestCase()
{
    ModuleTexts::setLanguage(QStringLiteral("en_US"));
    // What the growth checks rely on.
    QVERIFY(PasswordStrength::estimate(Growing.left(1)).score < PasswordStrength::estimate(Growing).score);
}

void TestStrengthBar::cleanup()
{
    ModuleTexts::setLanguage(QStringLiteral("en_US"));
}

void TestStrengthBar::bar_data()
{
    addLanguageColumn();
    QTest::addColumn<QString>("password");
    QTest::addColumn<QStringList>("userWords");
    for (const char* lang : {"en_US", "fr_FR"}) {
        const QByteArray tag(lang);
        QTest::newRow(tag + " empty") << lang << "" << QStringList();
        QTest::newRow(tag + " one letter") << lang << "a" << QStringList();
        QTest::newRow(tag + " common") << lang << "password1" << QStringList();
        QTest::newRow(tag + " random") << lang << Growing << QStringList();
        QTest::newRow(tag + " user word") << lang << Role << QStringList{Role};
    }
}

// The widget on its own, and back to empty.
void TestStrengthBar::bar()
{
    QFETCH(QString, lang);
    QFETCH(QString, password);
    QFETCH(QStringList, userWords);
    ModuleTexts::setLanguage(lang);
    StrengthBar bar;
    bar.show();
    CHECK_BAR(&bar, QString(), {}, language(lang));
    bar.setPassword(password, userWords);
    CHECK_BAR(&bar, password, userWords, language(lang));
    bar.setPassword(QString());
    CHECK_BAR(&bar, QString(), {}, language(lang));
}

void TestStrengthBar::weakestOfSeveral()
{
    StrengthBar bar;
    const QStringList passwords{Growing, QStringLiteral("password1"), Growing.left(8)};
    bar.setPasswords(passwords);
    const PasswordStrength::Estimate weakest = PasswordStrength::estimate(QStringLiteral("password1"));
    QCOMPARE(bar.estimate(), weakest);
    QCOMPARE(bar.word(), language("en_US").weakestOf.arg(language("en_US").words.at(weakest.score)).arg(3));
    QVERIFY(bar.toolTip().contains(PasswordStrength::description(weakest)));
    QVERIFY(bar.toolTip().contains(QLatin1String("3")));
    QCOMPARE(bar.accessibleDescription(), bar.toolTip());
    // One password is not "the weakest of 1".
    bar.setPasswords({Growing});
    CHECK_BAR(&bar, Growing, {}, language("en_US"));
    bar.setPasswords({});
    CHECK_BAR(&bar, QString(), {}, language("en_US"));
}

// Each score has its colour, which stands out from the background in the
// light and in the dark scheme and changes when the scheme does.
void TestStrengthBar::coloursFollowTheScheme()
{
    StrengthBar bar;
    bar.show();
    auto* progress = bar.findChild<QProgressBar*>();
    const QStringList passwords{QStringLiteral("a"), QStringLiteral("password1"), Growing.left(8), Growing};
    QHash<bool, QList<QColor>> colours;
    for (const bool dark : {false, true}) {
        ColorScheme::setDark(dark);
        QCOMPARE(ColorScheme::isDark(), dark);
        for (const QString& password : passwords) {
            bar.setPassword(password);
            const QColor chunk = progress->palette().color(QPalette::Highlight);
            const QColor background = bar.palette().color(QPalette::Window);
            QVERIFY2(std::abs(chunk.lightness() - background.lightness()) >= 60,
                     qPrintable(QStringLiteral("%1 on %2").arg(chunk.name(), background.name())));
            colours[dark].append(chunk);
        }
    }
    // A switch while a password is shown recolours it at once.
    QCOMPARE(progress->palette().color(QPalette::Highlight), colours[true].last());
    ColorScheme::setDark(false);
    QTRY_COMPARE(progress->palette().color(QPalette::Highlight), colours[false].last());
    for (const bool dark : {false, true}) {
        const QList<QColor>& shown = colours[dark];
        for (int i = 1; i < shown.size(); ++i)
            if (PasswordStrength::estimate(passwords.at(i)).score != PasswordStrength::estimate(passwords.at(i - 1)).score)
                QVERIFY(shown.at(i) != shown.at(i - 1));
    }
    QVERIFY(colours[false] != colours[true]);
}

void TestStrengthBar::rackField_data()
{
    addLanguageColumn();
    QTest::newRow("en_US") << "en_US";
    QTest::newRow("fr_FR") << "fr_FR";
}

// Under the new-entry password: follows the typing, and takes the role and
// account typed above as words an attacker knows.
void TestStrengthBar::rackField()
{
    QFETCH(QString, lang);
    ModuleTexts::setLanguage(lang);
    const Language words = language(lang);
    RackFixture f({});
    f.rack()->onCollapseNewEntry();
    auto* box = f.child<QComboBox>("_cbxPassword");
    auto* bar = f.child<StrengthBar>("_stbPassword");
    QVERIFY(box && bar);
    QVERIFY(bar->isVisible());
    QCOMPARE(bar->parentWidget(), box->parentWidget());
    CHECK_BAR(bar, QString(), {}, words);

    const QList<int> scores = typeAndFollow(box->lineEdit(), bar, Growing, {QString(), QString()}, words);
    checkGrowth(scores);
    if (QTest::currentTestFailed())
        return;

    // The role typed as the password: weaker once the role is known.
    box->lineEdit()->clear();
    CHECK_BAR(bar, QString(), {}, words);
    QTest::keyClicks(box->lineEdit(), Role);
    const double unknown = bar->estimate().guessesLog10;
    QCOMPARE(unknown, PasswordStrength::estimate(Role).guessesLog10);
    QTest::keyClicks(f.child<QLineEdit>("_tbxName"), Role);
    CHECK_BAR(bar, Role, (QStringList{Role, QString()}), words);
    QVERIFY(bar->estimate().guessesLog10 < unknown);
    QTest::keyClicks(f.child<QLineEdit>("_tbxUse"), Account);
    CHECK_BAR(bar, Role, (QStringList{Role, Account}), words);
    f.child<QLineEdit>("_tbxName")->clear();
    CHECK_BAR(bar, Role, (QStringList{QString(), Account}), words);
    QCOMPARE(bar->estimate().guessesLog10, unknown);
}

// The rack's generator fills the field with its first proposal; choosing
// another, or wiping the list, moves the bar with the text.
void TestStrengthBar::rackProposals()
{
    auto* workspace = new FakeWorkspace;
    workspace->chars = 6;
    workspace->count = 5;
    RackFixture f({}, workspace);
    f.rack()->onCollapseNewEntry();
    auto* box = f.child<QComboBox>("_cbxPassword");
    auto* bar = f.child<StrengthBar>("_stbPassword");
    QTest::mouseClick(f.child<QPushButton>("_btnGenerator"), Qt::LeftButton);
    QCOMPARE(box->count(), 5);
    CHECK_BAR(bar, box->itemText(0), (QStringList{QString(), QString()}), language("en_US"));
    box->setCurrentIndex(3);
    CHECK_BAR(bar, box->itemText(3), (QStringList{QString(), QString()}), language("en_US"));
    box->setEditText(Growing);
    CHECK_BAR(bar, Growing, (QStringList{QString(), QString()}), language("en_US"));
}

void TestStrengthBar::cellEditor_data()
{
    addLanguageColumn();
    QTest::newRow("en_US") << "en_US";
    QTest::newRow("fr_FR") << "fr_FR";
}

// The password cell's editor has a bar beside it for as long as it is open,
// with the row's role and account as words; the other cells have none, and
// the editor still reads and writes the cell.
void TestStrengthBar::cellEditor()
{
    QFETCH(QString, lang);
    ModuleTexts::setLanguage(lang);
    const Language words = language(lang);
    RackFixture f({{Role, Account, QStringLiteral("old-password"), QString()}});
    QTableView* table = f.table();
    auto* delegate = qobject_cast<EditingDelegate*>(table->itemDelegate());
    QVERIFY(delegate);
    const QStringList rowWords{Role, Account};

    table->edit(table->model()->index(0, RackModel::NameColumn));
    QLineEdit* nameEditor = f.editor();
    QVERIFY(nameEditor);
    QVERIFY(!delegate->strengthBar(nameEditor));
    QVERIFY(!table->viewport()->findChild<StrengthBar*>());
    QTest::keyClick(nameEditor, Qt::Key_Escape);
    QTRY_VERIFY(!f.editor());

    table->edit(table->model()->index(0, RackModel::PasswordColumn));
    QLineEdit* editor = f.editor();
    QVERIFY(editor);
    QCOMPARE(editor->text(), QStringLiteral("old-password"));
    QPointer<StrengthBar> bar = delegate->strengthBar(editor);
    QVERIFY(bar);
    QVERIFY(bar->isVisible());
    QCOMPARE(bar->parentWidget(), table->viewport());
    QVERIFY(!bar->geometry().intersects(editor->geometry()));
    QVERIFY(bar->geometry().width() >= editor->geometry().width());
    QVERIFY(table->viewport()->rect().contains(bar->geometry()));
    CHECK_BAR(bar, QStringLiteral("old-password"), rowWords, words);

    editor->clear();
    CHECK_BAR(bar, QString(), {}, words);
    checkGrowth(typeAndFollow(editor, bar, Growing, rowWords, words));
    if (QTest::currentTestFailed())
        return;
    editor->clear();
    QTest::keyClicks(editor, Role);
    CHECK_BAR(bar, Role, rowWords, words);
    QVERIFY(bar->estimate().guessesLog10 < PasswordStrength::estimate(Role).guessesLog10);

    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(!f.editor());
    QCOMPARE(f.rackModel()->entries().at(0)->password(), Role);
    QTRY_VERIFY(bar.isNull());
}

void TestStrengthBar::generator_data()
{
    addLanguageColumn();
    QTest::addColumn<int>("chars");
    QTest::addColumn<int>("count");
    for (const char* lang : {"en_US", "fr_FR"}) {
        const QByteArray tag(lang);
        QTest::newRow(tag + " one") << lang << 16 << 1;
        // Short ones vary widely: the weakest is rarely the first.
        QTest::newRow(tag + " twenty short") << lang << 5 << 20;
        QTest::newRow(tag + " five long") << lang << 24 << 5;
        QTest::newRow(tag + " none") << lang << 8 << 0;
    }
}

// One bar for what the password page generated: the password's strength, or
// the weakest one's, said so, when there are several.
void TestStrengthBar::generator()
{
    QFETCH(QString, lang);
    QFETCH(int, chars);
    QFETCH(int, count);
    ModuleTexts::setLanguage(lang);
    const Language words = language(lang);
    const std::unique_ptr<MainWindow> window = WorkspaceFixture::showMainWindow();
    Base* base = window->base();
    auto* bar = WorkspaceFixture::child<StrengthBar>(base, "_stbPasswords");
    CHECK_BAR(bar, QString(), {}, words);
    WorkspaceFixture::child<QSpinBox>(base, "_sbxChars")->setValue(chars);
    WorkspaceFixture::child<QSpinBox>(base, "_sbxPasswords")->setValue(count);
    // A first batch, so that the second shows over something.
    WorkspaceFixture::child<QPushButton>(base, "_btnPasswords")->click();
    WorkspaceFixture::child<QPushButton>(base, "_btnPasswords")->click();

    const QString shown = WorkspaceFixture::child<QTextEdit>(base, "_tbxPasswords")->toPlainText();
    const QStringList passwords = shown.isEmpty() ? QStringList() : shown.split(QLatin1Char('\n'));
    QCOMPARE(passwords.size(), count);
    if (count <= 1) {
        CHECK_BAR(bar, passwords.value(0), {}, words);
        return;
    }
    PasswordStrength::Estimate weakest = PasswordStrength::estimate(passwords.first());
    for (const QString& password : passwords) {
        const PasswordStrength::Estimate estimate = PasswordStrength::estimate(password);
        if (estimate.guessesLog10 < weakest.guessesLog10)
            weakest = estimate;
    }
    QCOMPARE(bar->estimate(), weakest);
    QCOMPARE(bar->word(), words.weakestOf.arg(words.words.at(weakest.score)).arg(count));
    QVERIFY(bar->accessibleDescription().contains(PasswordStrength::description(weakest)));
    QVERIFY(bar->accessibleDescription().contains(QString::number(count)));
    QCOMPARE(bar->toolTip(), bar->accessibleDescription());
    for (const QString& password : passwords)
        for (const QString& text : barTexts(bar))
            QVERIFY(!text.contains(password));
}

void TestStrengthBar::newVaultDialog_data()
{
    addLanguageColumn();
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("confirmation");
    for (const char* lang : {"en_US", "fr_FR"}) {
        const QByteArray tag(lang);
        // The rule's minimum: weak, and accepted.
        QTest::newRow(tag + " weak by the rule") << lang << "aaaaB1#" << "aaaaB1#";
        // Long and strong, yet refused: no digit, capital or symbol.
        QTest::newRow(tag + " strong against the rule")
            << lang << "quixotic walrus juggles zanzibar marmalade" << "quixotic walrus juggles zanzibar marmalade";
        QTest::newRow(tag + " strong, confirmed wrong") << lang << Growing << "aaaaB1#";
    }
}

// A bar under each password field, each following its own field; what the
// dialog accepts stays the password rule's and the confirmation's.
void TestStrengthBar::newVaultDialog()
{
    QFETCH(QString, lang);
    QFETCH(QString, password);
    QFETCH(QString, confirmation);
    ModuleTexts::setLanguage(lang);
    const Language words = language(lang);
    const bool accepted = Model::isPasswordCompliant(password) && password == confirmation;
    const QString folder = TestEnvironment::freshDir(QStringLiteral("dialog"));
    const QString vaultFile = folder + QStringLiteral("/new.kovrin");
    const std::unique_ptr<MainWindow> window = WorkspaceFixture::showMainWindow();
    Base* base = window->base();
    {
        VaultImport dialog(true, base);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto* first = WorkspaceFixture::child<QLineEdit>(&dialog, "_pPwdInput");
        auto* second = WorkspaceFixture::child<QLineEdit>(&dialog, "_pPwd2Input");
        auto* firstBar = WorkspaceFixture::child<StrengthBar>(&dialog, "_pPwdStrength");
        auto* secondBar = WorkspaceFixture::child<StrengthBar>(&dialog, "_pPwd2Strength");
        QVERIFY(firstBar->isVisible() && secondBar->isVisible());
        QVERIFY(firstBar->geometry().top() >= first->geometry().bottom());
        QVERIFY(secondBar->geometry().top() >= second->geometry().bottom());

        QTest::keyClicks(first, password);
        CHECK_BAR(firstBar, password, {}, words);
        CHECK_BAR(secondBar, QString(), {}, words);
        QTest::keyClicks(second, confirmation);
        CHECK_BAR(firstBar, password, {}, words);
        CHECK_BAR(secondBar, confirmation, {}, words);
        WorkspaceFixture::child<QLineEdit>(&dialog, "_pVaultFileInput")->setText(vaultFile);

        MessageBoxAnswerer answerer;
        QTest::mouseClick(WorkspaceFixture::child<QPushButton>(&dialog, "_pImportButton"), Qt::LeftButton);
        QCOMPARE(dialog.isVisible(), !accepted);
        // One box either way: the vault made, or what was refused.
        QCOMPARE(answerer.count(), 1);
        QCOMPARE(answerer.last().icon == QMessageBox::Information, accepted);
        QCOMPARE(QFile::exists(vaultFile), accepted);
        // Fields wiped or not, their bars say what they now hold.
        CHECK_BAR(firstBar, first->text(), {}, words);
        CHECK_BAR(secondBar, second->text(), {}, words);
    }
    if (base->model())
        base->model()->resetModified();
}

KOVRIN_TEST_MAIN(TestStrengthBar)
#include "tst_strengthbar.moc"
