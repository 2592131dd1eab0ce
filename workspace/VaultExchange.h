#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

class Logger;
class Model;
class QIODevice;
class QLineEdit;
class QWidget;
class RackModel;

// The text exchange of the open vault: the export of the whole vault in the
// full-vault form, the import of entry lines into one rack, and the building
// of a new vault from a full-vault file. The workspace and the full vault
// import dialog run these with their own widgets.
class VaultExchange
{
public:
    struct Counts
    {
        int added = 0;
        int rejected = 0;
    };

    enum class Written { Done, NotCreated, NotWritten };
    // What makeRoomFor did: the name is free now; the user kept the file (or
    // it could not go to the trash); the name is not a regular file.
    enum class Room { Made, Kept, NotAFile };

    // How the full import makes its racks: the workspace adds a rack model
    // with its view and tab.
    struct RackMaker
    {
        // A new rack of that name in the model; null when refused.
        std::function<RackModel*(const QString& name)> create;
        // The first free name of the form a newly created rack gets.
        std::function<QString()> freeName;
        // Called once the lines of a block went into the rack (also when a
        // line stopped the import).
        std::function<void(RackModel& rack)> filled;
    };

    static const QString ImportRackContext;
    static const QString ImportVaultContext;

    // The whole vault in the full-vault form, racks in the model's order.
    static QByteArray fullVaultText(const Model& model);

    // True when both names lead to the same file, compared as canonical paths
    // (links resolved); a name that does not exist yet is resolved through its folder.
    static bool isSameFile(const QString& a, const QString& b);
    // True when fileName is the vault file or its backup (vaultFile + "~").
    static bool isVaultOrBackup(const QString& fileName, const QString& vaultFile);

    // Makes way for a new file named fileName: Made when no such file exists,
    // or when the user agreed to replace it (question box, No by default) and
    // it went to the trash; Kept after No or after the warning that the move
    // failed; NotAFile after the warning that the name is not a regular file
    // (a folder, a link to one or to nothing, a pipe...), which is never trashed.
    static Room makeRoomFor(QWidget* parent, const QString& fileName);

    // Writes the model's racks in the full-vault form to fileName, which must
    // not exist and is created readable and writable by its owner only,
    // whatever the umask. Every write is checked; on a failed write the file is
    // removed. error receives the system's reason.
    static Written exportToFile(const Model& model, const QString& fileName, QString* error);

    // The export with its checks, questions and boxes (parent: the workspace).
    // The password is read from passwordField, which is emptied once checked.
    // Returns true when the file was written.
    static bool exportVault(QWidget* parent, const Model* model, QLineEdit& passwordField, const QString& target);

    // After an import: a warning box (parent: the box's) when the vault has
    // grown past what a vault file can hold, so that the user learns it now
    // and not from a save that is refused later.
    static void warnIfTooBigToSave(QWidget* parent, const Model& model);

    // Reads entry lines (single-rack form) until a read returns nothing; bad
    // lines and roles the rack already holds are counted as rejected and logged.
    static Counts importLines(QIODevice& file, RackModel& rack, Logger* log);

    // The rack import with its checks, questions and boxes. createRack adds the
    // missing rack (model, view and tab) when the user asks for it; finished
    // runs at the end with the rack (to show it) unless the import stopped early.
    static void importRack(QWidget* parent, const std::shared_ptr<Model>& model, QLineEdit& fileField,
                           const QString& rackName, const std::function<RackModel*(const QString&)>& createRack,
                           const std::function<void(RackModel&)>& finished);

    // Builds the racks of a full-vault text into model. A block whose name is
    // already used goes into the first rack of that name; a block whose name
    // cannot be a rack name (an empty header) goes into a new rack
    // named by racks.freeName(); each such case and each stretch of text passed
    // over writes one warning line. A line that is not an entry raises (the
    // racks and entries read before it stay). racksMade receives the number
    // of racks created.
    static Counts importFullVault(const QByteArray& bytes, Model& model, const RackMaker& racks, Logger* log,
                                  int* racksMade);
    // The same from a file, read whole: its text, every password of the file
    // in it, is overwritten once the racks are built, also when a line stops
    // the import.
    static Counts importFullVault(QIODevice& file, Model& model, const RackMaker& racks, Logger* log, int* racksMade);
};
