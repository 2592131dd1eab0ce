// The legal notice dialog: both languages, its geometry on resize, a missing
// notice, and its opening from the main window.
#include "Help.h"
#include "MainWindow.h"
#include "MessageBoxAnswerer.h"
#include "ModuleTexts.h"
#include "TestMain.h"

#include <QAction>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

class TestHelp : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();
    void noticeInEachLanguage_data();
    void noticeInEachLanguage();
    void geometryFollowsTheSize_data();
    void geometryFollowsTheSize();
    void missingNotice();
    void openedFromTheMainWindow_data();
    void openedFromTheMainWindow();
};

void TestHelp::cleanup()
{
    ModuleTexts::setLanguage(QStringLiteral("en_US"));
}

void TestHelp::noticeInEachLanguage_data()
{
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("sections");
    QTest::newRow("en_US") << QStringLiteral("en_US") << QStringLiteral("Legal notice")
                           << QStringList{QStringLiteral("Author"), QStringLiteral("Environment"),
                                          QStringLiteral("Responsibility"), QStringLiteral("Security warning")};
    QTest::newRow("fr_FR") << QStringLiteral("fr_FR") << QStringLiteral("Mentions légales")
                           << QStringList{QStringLiteral("Auteur"), QStringLiteral("Environnement"),
                                          QStringLiteral("Responsabilité"), QStringLiteral("Avertissement de sécurité")};
}

void TestHelp::noticeInEachLanguage()
{
    QFETCH(QString, lang);
    QFETCH(QString, title);
    QFETCH(QStringList, sections);
    ModuleTexts::setLanguage(lang);
    Help help(lang, nullptr);
    MessageBoxAnswerer answerer;
    help.loadContent();
    QCOMPARE(answerer.count(), 0);
    QCOMPARE(help.windowTitle(), title);
    QCOMPARE(help.findChild<QPushButton*>(QStringLiteral("_btnOk"))->text(), QStringLiteral("Ok"));
    const QString text = help.findChild<QTextBrowser*>(QStringLiteral("_tbw"))->toPlainText();
    qsizetype at = 0;
    for (const QString& section : sections) { // in this order
        const qsizetype found = text.indexOf(section, at);
        QVERIFY2(found >= 0, qPrintable(section));
        at = found;
    }
    // The minimum versions the program builds with.
    QVERIFY(text.contains(QStringLiteral("Qt 6.4")));
    QVERIFY(text.contains(QStringLiteral("OpenSSL 3.0")));
    QVERIFY(text.contains(QStringLiteral("AES-256-CBC")));
}

void TestHelp::geometryFollowsTheSize_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QRect>("browser");
    QTest::addColumn<QRect>("button");
    QTest::newRow("minimum") << QSize(400, 300) << QRect(QPoint(9, 0), QPoint(379, 249))
                             << QRect(270, 260, 111, 33);
    QTest::newRow("initial") << QSize(900, 800) << QRect(9, 0, 871, 750) << QRect(770, 760, 111, 33);
    QTest::newRow("below the minimum") << QSize(100, 100) << QRect(QPoint(9, 0), QPoint(379, 249))
                                       << QRect(270, 260, 111, 33);
}

void TestHelp::geometryFollowsTheSize()
{
    QFETCH(QSize, size);
    QFETCH(QRect, browser);
    QFETCH(QRect, button);
    Help help(QStringLiteral("en_US"), nullptr);
    help.show();
    QVERIFY(QTest::qWaitForWindowExposed(&help));
    help.resize(size);
    QTRY_COMPARE(help.findChild<QTextBrowser*>(QStringLiteral("_tbw"))->geometry(), browser);
    QCOMPARE(help.findChild<QPushButton*>(QStringLiteral("_btnOk"))->geometry(), button);
}

void TestHelp::missingNotice()
{
    Help help(QStringLiteral("de_DE"), nullptr);
    MessageBoxAnswerer answerer;
    help.loadContent();
    QCOMPARE(answerer.count(), 1);
    QCOMPARE(answerer.last().icon, QMessageBox::Critical);
    QCOMPARE(answerer.last().text, QStringLiteral("Failed to open the file resource [:html/notice_de_DE.html]."));
    QCOMPARE(answerer.last().detailedText,
             QStringLiteral("Either the resource does not exist, or it cannot be accessed (account permissions?)."));
    QVERIFY(help.findChild<QTextBrowser*>(QStringLiteral("_tbw"))->toPlainText().isEmpty());
}

void TestHelp::openedFromTheMainWindow_data()
{
    QTest::addColumn<bool>("helpButton");
    QTest::addColumn<QString>("expectedTitle");
    QTest::newRow("Ctrl+H") << false << QStringLiteral("Legal notice");
    QTest::newRow("help button of the Vault page") << true << QStringLiteral("Legal notice");
}

// The notice opens modally from the menu and from the Vault page.
void TestHelp::openedFromTheMainWindow()
{
    QFETCH(bool, helpButton);
    QFETCH(QString, expectedTitle);
    MainWindow window;
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QString title;
    QString text;
    QTimer::singleShot(50, [&] {
        auto* help = qobject_cast<Help*>(QApplication::activeModalWidget());
        if (!help)
            return;
        title = help->windowTitle();
        text = help->findChild<QTextBrowser*>()->toPlainText();
        QTest::mouseClick(help->findChild<QPushButton*>(QStringLiteral("_btnOk")), Qt::LeftButton);
    });
    if (helpButton)
        QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("_btnHelp")), Qt::LeftButton);
    else
        QTest::keyClick(&window, Qt::Key_H, Qt::ControlModifier);
    QCOMPARE(title, expectedTitle);
    QVERIFY(text.contains(QStringLiteral("Security warning")));
    QVERIFY(!QApplication::activeModalWidget());
}

KOVRIN_TEST_MAIN(TestHelp)
#include "tst_help.moc"
