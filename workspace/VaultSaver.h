#pragma once

class Model;
class QWidget;

// The one way the interface writes the open vault after the user asked for
// it: a file that another program changed since the vault was opened or last
// saved is replaced only when the user says so.
class VaultSaver
{
public:
    // Writes the vault (silent: no status signal afterwards). When its file
    // was changed on disk, asks first (parent: the box's; Cancel by default):
    // false when the user keeps the changes in memory and nothing is written.
    // Raises what Model::saveVault raises (too big, unwritable...), before or
    // without touching the files.
    static bool save(QWidget* parent, Model& model, bool silent);
};
