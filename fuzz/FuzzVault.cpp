#include "FuzzVault.h"

#include "Logger.h"
#include "Model.h"
#include "RackModel.h"
#include "VaultEntry.h"

#include <QSet>
#include <QTabWidget>

std::shared_ptr<Model> FuzzVault::newModel()
{
    return std::make_shared<Model>(logger(), QString(), Model::keyFromPassword(QStringLiteral("Fuzz-1!")), &tabs());
}

QTabWidget& FuzzVault::tabs()
{
    static QTabWidget tabs;
    return tabs;
}

const std::shared_ptr<Logger>& FuzzVault::logger()
{
    static const auto logger = std::make_shared<Logger>();
    return logger;
}

bool FuzzVault::rolesUnique(const RackModel& rack)
{
    QSet<QString> roles;
    for (const VaultEntry* entry : rack.entries())
        roles.insert(entry->name());
    return roles.size() == rack.entryCount();
}
