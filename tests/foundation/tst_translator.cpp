#include "Cipher.h"
#include "Exception.h"
#include "LangBundle.h"
#include "Log.h"
#include "TestMain.h"
#include "Translator.h"

#include <QFile>

namespace {
// A registry of its own, so each test starts empty.
class FreshTranslator : public Translator
{
public:
    FreshTranslator() = default;
};

std::shared_ptr<LangBundle> bundle(const QString& module, const QString& lang, const QMap<QString, QString>& texts)
{
    auto b = std::make_shared<LangBundle>(QStringLiteral("/nowhere"), module, lang);
    for (auto it = texts.cbegin(); it != texts.cend(); ++it)
        b->insert(it.key(), it.value());
    return b;
}

void writeBundle(const QString& dir, const QString& module, const QString& lang, const QByteArray& body)
{
    QFile file(LangBundle::bundleFileName(dir, module, lang));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("module=" + module.toUtf8() + ";lang=" + lang.toUtf8() + "\n" + body);
}
} // namespace

class TestTranslator : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void lookups();
    void insertBundle();
    void insertFromPathFailure();
    void changeLang();
    void setDefaultLangDropsFailures();
    void libraryStartupAndSetDefaultLang();
    void languagesFromResources();
};

void TestTranslator::lookups()
{
    FreshTranslator t;
    t.setDefaultBundleKey(QStringLiteral("zemb"), QStringLiteral("en_US"));
    t.insertBundle(bundle(QStringLiteral("Rack"), QStringLiteral("en_US"), {{"shared", "from Rack"}, {"rack", "R"}}));
    t.insertBundle(bundle(QStringLiteral("Base"), QStringLiteral("en_US"), {{"shared", "from Base"}}));
    t.insertBundle(bundle(QStringLiteral("Base"), QStringLiteral("fr_FR"), {{"shared", "de Base"}, {"fr", "seul"}}));

    // Key alone: default language only, first bundle in key order.
    QCOMPARE(t.string(QStringLiteral("shared")), QStringLiteral("from Base"));
    QCOMPARE(t.string(QStringLiteral("fr")), QStringLiteral("[fr]"));
    QCOMPARE(t.string(QStringLiteral("nowhere")), QStringLiteral("[nowhere]"));
    // Key and module: the default language; key, module and language: that bundle.
    QCOMPARE(t.string(QStringLiteral("shared"), QStringLiteral("Rack")), QStringLiteral("from Rack"));
    QCOMPARE(t.string(QStringLiteral("rack"), QStringLiteral("Base")), QStringLiteral("[rack]"));
    QCOMPARE(t.string(QStringLiteral("shared"), QStringLiteral("Base"), QStringLiteral("fr_FR")),
             QStringLiteral("de Base"));
    QCOMPARE(t.string(QStringLiteral("shared"), QStringLiteral("Help"), QStringLiteral("fr_FR")),
             QStringLiteral("[shared]"));

    QVERIFY(t.contains(QStringLiteral("fr")));
    QVERIFY(!t.contains(QStringLiteral("nowhere")));
    QVERIFY(t.contains(QStringLiteral("rack"), QStringLiteral("Rack"), QStringLiteral("en_US")));
    QVERIFY(!t.contains(QStringLiteral("rack"), QStringLiteral("Rack"), QStringLiteral("fr_FR")));

    QCOMPARE(t.defaultBundleKey(), QStringLiteral("zemb.en_US"));
    QVERIFY(!t.defaultBundle());
    QCOMPARE(t.toString(), QStringLiteral("Base.en_US : 1\nBase.fr_FR : 2\nRack.en_US : 2\n"));
    QCOMPARE(t.size(), 3);
}

void TestTranslator::insertBundle()
{
    FreshTranslator t;
    const auto first = bundle(QStringLiteral("Base"), QStringLiteral("en_US"), {{"k", "first"}});
    QVERIFY(t.insertBundle(first));
    QVERIFY(!t.insertBundle(bundle(QStringLiteral("Base"), QStringLiteral("en_US"), {{"k", "second"}})));
    QVERIFY(!t.insertBundle(std::shared_ptr<LangBundle>()));
    QCOMPARE(t.bundle(QStringLiteral("Base"), QStringLiteral("en_US")), first);
    // Present already: not even loaded again.
    QVERIFY(!t.insertBundle(QStringLiteral("/nowhere"), QStringLiteral("Base"), QStringLiteral("en_US")));
    QCOMPARE(t.size(), 1);
}

void TestTranslator::insertFromPathFailure()
{
    FreshTranslator t;
    const QString dir = TestEnvironment::freshDir(QStringLiteral("insertFromPath"));
    writeBundle(dir, QStringLiteral("Rack"), QStringLiteral("en_US"), "k=v\n");
    QVERIFY(t.insertBundle(dir, QStringLiteral("Rack"), QStringLiteral("en_US")));
    QCOMPARE(t.string(QStringLiteral("k"), QStringLiteral("Rack"), QStringLiteral("en_US")), QStringLiteral("v"));

    QTest::ignoreMessage(QtCriticalMsg,
                         QRegularExpression(QStringLiteral("^Echec de chargement du module Base pour la langue en_US "
                                                           "sur le chemin .* - .*n'existe pas")));
    QVERIFY(!t.insertBundle(dir, QStringLiteral("Base"), QStringLiteral("en_US")));
    QCOMPARE(t.size(), 1);
}

void TestTranslator::changeLang()
{
    FreshTranslator t;
    const QString dir = TestEnvironment::freshDir(QStringLiteral("changeLang"));
    writeBundle(dir, QStringLiteral("Rack"), QStringLiteral("en_US"), "k=English\n");
    writeBundle(dir, QStringLiteral("Rack"), QStringLiteral("fr_FR"), "k=Français\n");
    QVERIFY(t.insertBundle(dir, QStringLiteral("Rack"), QStringLiteral("en_US")));

    t.changeLang(QStringLiteral("Rack"), QStringLiteral("en_US"), QStringLiteral("fr_FR"));
    QVERIFY(!t.bundle(QStringLiteral("Rack"), QStringLiteral("en_US")));
    QCOMPARE(t.string(QStringLiteral("k"), QStringLiteral("Rack"), QStringLiteral("fr_FR")), QStringLiteral("Français"));

    try {
        t.changeLang(QStringLiteral("Rack"), QStringLiteral("en_US"), QStringLiteral("fr_FR"));
        QFAIL("changing a module that is not loaded must fail");
    } catch (const Exception& e) {
        QCOMPARE(e.detail(), QStringLiteral("void Translator::changeLang(const QString&, const QString&)"
                                            "Le module de langue Rack.en_US n'est pas chargé"));
    }
    // A failed load leaves the registry as it was.
    QVERIFY_THROWS_EXCEPTION(Exception, t.changeLang(QStringLiteral("Rack"), QStringLiteral("fr_FR"),
                                                     QStringLiteral("de_DE")));
    QVERIFY(t.bundle(QStringLiteral("Rack"), QStringLiteral("fr_FR")));
}

void TestTranslator::setDefaultLangDropsFailures()
{
    FreshTranslator t;
    const QString dir = TestEnvironment::freshDir(QStringLiteral("setDefaultLang"));
    writeBundle(dir, QStringLiteral("Base"), QStringLiteral("en_US"), "k=Base\n");
    writeBundle(dir, QStringLiteral("Base"), QStringLiteral("fr_FR"), "k=Base fr\n");
    writeBundle(dir, QStringLiteral("Rack"), QStringLiteral("en_US"), "k=Rack\n"); // no French twin
    QVERIFY(t.insertBundle(dir, QStringLiteral("Base"), QStringLiteral("en_US")));
    QVERIFY(t.insertBundle(dir, QStringLiteral("Rack"), QStringLiteral("en_US")));
    t.setDefaultBundleKey(QStringLiteral("zemb"), QStringLiteral("en_US"));

    QTest::ignoreMessage(QtCriticalMsg, QRegularExpression(QStringLiteral(
                                            "<ERROR> void Translator::setDefaultLang\\(const QString&\\) -> .*Rack_fr_FR")));
    t.setDefaultLang(QStringLiteral("fr_FR"));
    QCOMPARE(t.defaultLang(), QStringLiteral("fr_FR"));
    QCOMPARE(QStringList(t.keyBegin(), t.keyEnd()), QStringList{QStringLiteral("Base.fr_FR")});
    QCOMPARE(t.string(QStringLiteral("k")), QStringLiteral("Base fr"));
}

void TestTranslator::libraryStartupAndSetDefaultLang()
{
    // The application object's construction ran the start-up routines of both
    // libraries with LANG=en_US.UTF-8. (Using the crypto library keeps the linker
    // from dropping it.)
    QVERIFY(!Cipher::version().isEmpty());
    Translator& t = Translator::getInstance();
    QCOMPARE(t.defaultBundleKey(), QStringLiteral("zemb.en_US"));
    QVERIFY(t.bundle(QStringLiteral("zemb"), QStringLiteral("en_US")));
    QVERIFY(t.bundle(QStringLiteral("cipher"), QStringLiteral("en_US")));
    QCOMPARE(t.string(QStringLiteral("LogNotInitialized"), QStringLiteral("zemb")),
             QStringLiteral("The log has not yet been initialized"));

    t.setDefaultLang(QStringLiteral("fr_FR"));
    QCOMPARE(QStringList(t.keyBegin(), t.keyEnd()),
             (QStringList{QStringLiteral("cipher.fr_FR"), QStringLiteral("zemb.fr_FR")}));
    QCOMPARE(t.string(QStringLiteral("LogNotInitialized"), QStringLiteral("zemb")),
             QStringLiteral("Le journal n'a pas encore été initialisé"));
    t.setDefaultLang(QStringLiteral("en_US"));
    QCOMPARE(QStringList(t.keyBegin(), t.keyEnd()),
             (QStringList{QStringLiteral("cipher.en_US"), QStringLiteral("zemb.en_US")}));
}

void TestTranslator::languagesFromResources()
{
    QCOMPARE(Log::languages(), (QStringList{QStringLiteral("en_US"), QStringLiteral("fr_FR")}));
}

KOVRIN_TEST_MAIN(TestTranslator)
#include "tst_translator.moc"
