// Start-up routine of the crypto library: run once by the Qt application
// object's constructor. Registers the library's resources and loads its
// "cipher" bundle in the language of the environment.
#include "Exception.h"
#include "LangBundle.h"
#include "Log.h"
#include "StartupLanguage.h"
#include "Translator.h"

#include <QCoreApplication>
#include <QtDebug>

#include <mutex>

static void initVelk2Resources()
{
    Q_INIT_RESOURCE(velk2_lang);
}

static void velk2Startup()
{
    static std::once_flag once;
    std::call_once(once, [] {
        initVelk2Resources();
        const QString lang = StartupLanguage::fromEnvironment(Log::languages());
        try {
            Translator::getInstance().insertBundle(
                LangBundle::load(QStringLiteral(":resources/lang"), QStringLiteral("cipher"), lang));
        } catch (const Exception& e) {
            qCritical().noquote() << "Echec de chargement de la ressource de langue par défaut de la librairie cipher";
            qCritical().noquote() << e.detail();
        }
    });
}

Q_COREAPP_STARTUP_FUNCTION(velk2Startup)
