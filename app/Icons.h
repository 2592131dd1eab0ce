#pragma once

#include <QHash>
#include <QIcon>
#include <QString>

// Process-wide table from icon name to the icon compiled into the program.
class Icons
{
public:
    enum Id {
        Copy = 0, Paste, Key, Padlock, Help, Trash, Magnify, Undo, VrtFusion, Folder,
        Cancel, Import, Plus, Error, Warning, Info, Vault, Colors, Diskette
    };

    static Icons& getInstance();

    // The icon of that name; an empty icon for an unknown name.
    QIcon icon(const QString& name) const;
    QIcon icon(int id) const { return icon(name(id)); }
    // Name of an enumeration value; "help" for a value not listed.
    static QString name(int id);
    // Resource path of a name; empty for an unknown name.
    static QString resource(const QString& name);
    // An icon of the resources, decoded when first drawn or measured.
    static QIcon fromResource(const QString& resource);

private:
    Icons();
    QHash<QString, QIcon> _icons;
};
