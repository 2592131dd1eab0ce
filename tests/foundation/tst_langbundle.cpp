#include "Exception.h"
#include "LangBundle.h"
#include "TestMain.h"

#include <QFile>

namespace {
void writeFile(const QString& name, const QByteArray& content)
{
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(content), qint64(content.size()));
}
} // namespace

class TestLangBundle : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void header_data();
    void header();
    void lines();
    void missingFile();
    void bundleFileName();
};

void TestLangBundle::header_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QString>("error"); // empty: accepted

    const QString invalid = QStringLiteral("En-tête de la ressource de langue [%1] invalide");
    QTest::newRow("module first") << QByteArray("module=Base;lang=fr_FR") << QString();
    QTest::newRow("lang first") << QByteArray("lang=fr_FR;module=Base") << QString();
    QTest::newRow("trailing separator") << QByteArray("module=Base;lang=fr_FR;") << QString();
    QTest::newRow("surrounding blanks") << QByteArray("  module=Base;lang=fr_FR  \r") << QString();
    // Split at the last "=": the name is "module=x", which is no header name.
    QTest::newRow("name holds =") << QByteArray("module=x=Base;lang=fr_FR") << invalid;
    QTest::newRow("three parts") << QByteArray("module=Base;lang=fr_FR;extra=1") << invalid;
    QTest::newRow("one part") << QByteArray("module=Base") << invalid;
    QTest::newRow("no name") << QByteArray("=Base;lang=fr_FR") << invalid;
    QTest::newRow("no equals") << QByteArray("module;lang=fr_FR") << invalid;
    QTest::newRow("unknown name") << QByteArray("modul=Base;lang=fr_FR") << invalid;
    QTest::newRow("module twice") << QByteArray("module=Base;module=Base") << invalid;
    QTest::newRow("empty file") << QByteArray() << invalid;
    QTest::newRow("other module") << QByteArray("module=Rack;lang=fr_FR")
                                  << QStringLiteral("Nom de module attendu Base, lu dans le fichier : Rack");
    QTest::newRow("module case") << QByteArray("module=base;lang=fr_FR")
                                 << QStringLiteral("Nom de module attendu Base, lu dans le fichier : base");
    QTest::newRow("other lang") << QByteArray("module=Base;lang=en_US")
                                << QStringLiteral("Nom de langue attendu fr_FR, lu dans le fichier : en_US");
}

void TestLangBundle::header()
{
    QFETCH(QByteArray, header);
    QFETCH(QString, error);
    const QString dir = TestEnvironment::freshDir(QStringLiteral("header"));
    const QString fileName = dir + QStringLiteral("/Base_fr_FR.lang");
    writeFile(fileName, header + "\nkey=text\n");

    const QString context =
        QStringLiteral("shared_ptr<LangBundle> LangBundle::load(const QString&, const QString&, const QString&) -> ");
    try {
        const auto bundle = LangBundle::load(dir, QStringLiteral("Base"), QStringLiteral("fr_FR"));
        QVERIFY2(error.isEmpty(), "the header should have been refused");
        QCOMPARE(bundle->module(), QStringLiteral("Base"));
        QCOMPARE(bundle->lang(), QStringLiteral("fr_FR"));
        QCOMPARE(bundle->text(QStringLiteral("key")), QStringLiteral("text"));
    } catch (const Exception& e) {
        QVERIFY2(!error.isEmpty(), qPrintable(e.detail()));
        if (error.contains(QLatin1String("%1"))) {
            QVERIFY(e.detail().startsWith(context + error.arg(fileName)));
        } else {
            QCOMPARE(e.detail(), context + error);
        }
    }
}

void TestLangBundle::lines()
{
    const QString dir = TestEnvironment::freshDir(QStringLiteral("lines"));
    writeFile(dir + QStringLiteral("/Base_en_US.lang"),
              "module=Base;lang=en_US\n"
              "plain=Plain text\n"
              "  spaced = value with spaces  \n"
              "\n"
              "# comment=not a key\n"
              "chain=b=c\n"
              "=no key\n"
              "no equals sign\n"
              "escape=line\\nbreak\n"
              "dup=first\n"
              "dup=second\r\n"
              "utf8=Clé été\n"
              "empty=\n");
    const auto bundle = LangBundle::load(dir, QStringLiteral("Base"), QStringLiteral("en_US"));

    const QMap<QString, QString> expected{
        {QStringLiteral("plain"), QStringLiteral("Plain text")},
        {QStringLiteral("spaced "), QStringLiteral(" value with spaces")},
        {QStringLiteral("chain"), QStringLiteral("b=c")},
        {QStringLiteral("escape"), QStringLiteral("line\\nbreak")},
        {QStringLiteral("dup"), QStringLiteral("second")},
        {QStringLiteral("utf8"), QStringLiteral("Clé été")},
        {QStringLiteral("empty"), QString()},
    };
    QMap<QString, QString> read;
    for (auto it = bundle->keyValueBegin(); it != bundle->keyValueEnd(); ++it)
        read.insert(it->first, it->second);
    QCOMPARE(read, expected);
    QCOMPARE(bundle->size(), int(expected.size()));
    QVERIFY(!bundle->contains(QStringLiteral("# comment")));
    QCOMPARE(bundle->text(QStringLiteral("absent")), QStringLiteral("[absent]"));
}

void TestLangBundle::missingFile()
{
    const QString dir = TestEnvironment::freshDir(QStringLiteral("missing"));
    QVERIFY(QDir().mkpath(dir + QStringLiteral("/Base_en_US.lang"))); // a folder, not a file
    for (const QString& module : {QStringLiteral("Base"), QStringLiteral("Absent")}) {
        const QString fileName = LangBundle::bundleFileName(dir, module, QStringLiteral("en_US"));
        try {
            LangBundle::load(dir, module, QStringLiteral("en_US"));
            QFAIL("loading should fail");
        } catch (const Exception& e) {
            QCOMPARE(e.detail(),
                     QStringLiteral("shared_ptr<LangBundle> LangBundle::load(const QString&, const QString&, const "
                                    "QString&) -> Le fichier du module de traduction [%1] n'existe pas ou ne peut "
                                    "pas être lu")
                         .arg(fileName));
        }
    }
}

void TestLangBundle::bundleFileName()
{
    QCOMPARE(LangBundle::bundleFileName(QStringLiteral(":resources/lang"), QStringLiteral("MainWindow"),
                                        QStringLiteral("en_US")),
             QStringLiteral(":resources/lang/MainWindow_en_US.lang"));
}

KOVRIN_TEST_MAIN(TestLangBundle)
#include "tst_langbundle.moc"
