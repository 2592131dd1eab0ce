#include "Icons.h"

#include <array>

namespace {
struct IconEntry {
    const char* name;
    const char* resource;
};

// Indexed by Icons::Id.
constexpr std::array<IconEntry, 19> table{{
    {"copy", ":images/copy.png"},
    {"paste", ":images/paste.png"},
    {"key", ":images/key.png"},
    {"padlock", ":images/connection.png"},
    {"help", ":images/help.png"},
    {"trash", ":images/trash.png"},
    {"magnify", ":images/magnify.png"},
    {"undo", ":images/undo.png"},
    {"vrtfusion", ":images/vrtfusion.png"},
    {"folder", ":images/folder-32.png"},
    {"cancel", ":images/cancel-32.png"},
    {"import", ":images/import-32.png"},
    {"plus", ":images/insert-32.png"},
    {"error", ":images/error-32.png"},
    {"warning", ":images/warning-32.png"},
    {"info", ":images/info-32.png"},
    {"vault", ":images/vault-32.png"},
    {"colors", ":images/colors-32.png"},
    {"diskette", ":images/diskette-32.png"},
}};
} // namespace

Icons::Icons()
{
    for (const auto& entry : table)
        _icons.insert(QLatin1String(entry.name), QIcon(QLatin1String(entry.resource)));
}

Icons& Icons::getInstance()
{
    static Icons instance;
    return instance;
}

QIcon Icons::icon(const QString& name) const
{
    return _icons.value(name);
}

QString Icons::name(int id)
{
    if (id < 0 || id >= int(table.size()))
        return QStringLiteral("help");
    return QLatin1String(table[std::size_t(id)].name);
}

QString Icons::resource(const QString& name)
{
    for (const auto& entry : table)
        if (name == QLatin1String(entry.name))
            return QLatin1String(entry.resource);
    return QString();
}
