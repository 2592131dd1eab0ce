#pragma once

#include "AesPair.h"
#include "Velk2Export.h"

#include <QMap>
#include <QString>

#include <memory>

// Process-wide registry of named key pairs; starts with a fresh random AES-256
// pair under "default".
class VELK2_EXPORT SingleAesKey
{
public:
    static SingleAesKey& getInstance();

    bool contains(const QString& name) const;
    std::shared_ptr<AesPair> key(const QString& name) const;
    // Registers a copy under a free name and returns true. A taken name is
    // released instead (the pair is not stored) and false returned.
    bool setKey(const AesPair& pair, const QString& name);

private:
    SingleAesKey();
    SingleAesKey(const SingleAesKey&) = delete;
    SingleAesKey& operator=(const SingleAesKey&) = delete;

    QMap<QString, std::shared_ptr<AesPair>> _keys;
};
