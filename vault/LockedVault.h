#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <memory>

class Logger;
class Model;
class QTabWidget;
class VaultFileSystem;

// An open vault while it is locked. Its text, with whatever the interface
// wants back at unlock, is sealed under the vault's key pair, which then goes
// with the model: only the vault's password opens it again. What is no secret
// stays in clear: the file name, the modified flag, what the file on disk
// looked like (so that a save after unlock still sees another program's change).
class LockedVault
{
public:
    // Seals the model's racks and state (opaque bytes of the caller's).
    // The model itself is left as it is: the caller lets it go.
    explicit LockedVault(const Model& model, const QByteArray& state = QByteArray());
    ~LockedVault();
    LockedVault(const LockedVault&) = delete;
    LockedVault& operator=(const LockedVault&) = delete;

    QString fileName() const { return _fileName; }
    bool isModified() const { return _modified; }
    // Bytes held while locked.
    qsizetype sealedSize() const { return _sealed.size(); }

    struct Opened {
        std::shared_ptr<Model> model;
        QByteArray state;
    };
    // The vault as it was sealed, with its state, for this password. Raises
    // WrongPassword, changing nothing, when the password is not the vault's.
    Opened open(const QString& password, QTabWidget* tabs) const;

private:
    QByteArray _sealed;
    QString _fileName;
    bool _modified = false;
    std::shared_ptr<Logger> _logger;
    std::shared_ptr<VaultFileSystem> _files;
    // Model::DiskState, kept as its parts.
    bool _onDiskExists = false;
    qint64 _onDiskSize = 0;
    QDateTime _onDiskModified;
    QDateTime _onDiskTaken;
    QByteArray _onDiskDigest;
};
