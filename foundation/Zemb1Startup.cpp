// Start-up routine of the foundation library: run once by the Qt application
// object's constructor. Registers the library's resources and loads its "zemb"
// bundle in the language of the environment.
#include "Exception.h"
#include "LangBundle.h"
#include "Log.h"
#include "StartupLanguage.h"
#include "Translator.h"

#include <QCoreApplication>
#include <QtDebug>

#include <mutex>

static void initZemb1Resources()
{
    Q_INIT_RESOURCE(zemb1_lang);
}

static void zemb1Startup()
{
    static std::once_flag once;
    std::call_once(once, [] {
        initZemb1Resources();
        const QString lang = StartupLanguage::fromEnvironment(Log::languages());
        Translator& translator = Translator::getInstance();
        translator.setDefaultBundleKey(QStringLiteral("zemb"), lang);
        try {
            translator.insertBundle(LangBundle::load(QStringLiteral(":resources/lang"), QStringLiteral("zemb"), lang));
        } catch (const Exception& e) {
            qCritical().noquote() << "Echec de chargement de la ressource de langue par défaut de la librairie zemb";
            qCritical().noquote() << e.detail();
        }
    });
}

Q_COREAPP_STARTUP_FUNCTION(zemb1Startup)
