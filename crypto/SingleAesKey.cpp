#include "SingleAesKey.h"

SingleAesKey::SingleAesKey()
{
    _keys.insert(QStringLiteral("default"), std::make_shared<AesPair>(AesPair::newKey(256)));
}

SingleAesKey& SingleAesKey::getInstance()
{
    static SingleAesKey instance;
    return instance;
}

bool SingleAesKey::contains(const QString& name) const
{
    return _keys.contains(name);
}

std::shared_ptr<AesPair> SingleAesKey::key(const QString& name) const
{
    return _keys.value(name);
}

bool SingleAesKey::setKey(const AesPair& pair, const QString& name)
{
    if (_keys.remove(name) > 0)
        return false;
    _keys.insert(name, std::make_shared<AesPair>(pair));
    return true;
}
