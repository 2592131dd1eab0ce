#pragma once

#include "AesPair.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTabWidget>

#include <memory>

class LockedVault;
class Logger;
class RackModel;
class VaultFileSystem;

// The open vault: its racks in tab and file order, the key pair of its file,
// the file name, the logger and the modified flag. Held by shared references
// only: the tab widget that shows it is remembered, not made its parent, so the
// widget and the last reference may go in either order.
class Model : public QObject
{
    Q_OBJECT
public:
    using RackList = QList<RackModel*>;

    // Largest vault file accepted by loadVault.
    static constexpr qint64 MaxCipheredSize = 4194304;
    // The most racks a vault file can hold: each takes at least 12 bytes of
    // plaintext (LF LF "Segment:", a one-letter name, LF), and the plaintext
    // is shorter than its ciphertext.
    static constexpr qsizetype MaxRackCount = (MaxCipheredSize - 1) / 12;

    // Takes ownership of key. Raises UndefinedParameter when key or tabs is null.
    Model(std::shared_ptr<Logger> logger, const QString& fileName, std::unique_ptr<AesPair> key, QTabWidget* tabs);
    ~Model() override;

    // Reads, decrypts and parses a vault file; a null logger means the default one.
    static std::shared_ptr<Model> loadVault(const QString& fileName, const AesPair& key, QTabWidget* tabs,
                                            std::shared_ptr<Logger> logger);
    enum class DiskChange { Refuse, Overwrite };
    // Writes the vault file, keeping the previous one as "fileName~" and sending
    // the older backup to the trash. On failure it raises and leaves the files
    // on disk and the modified flag as they were. Raises VaultTooBigToSave when
    // the file would be larger than loadVault accepts, and, unless onChange is
    // Overwrite, VaultChangedOnDisk when isChangedOnDisk(); both before any file
    // is touched.
    void saveVault(bool silent = false, DiskChange onChange = DiskChange::Refuse);

    // Bytes the vault file would have if saved now, counted without encrypting.
    qint64 savedSize() const;
    // True when the file under fileName() is no longer what this model loaded or
    // last saved, including when it vanished or appeared since.
    bool isChangedOnDisk() const;

    static std::unique_ptr<AesPair> keyFromPassword(const QString& password);
    static bool isPasswordCompliant(const QString& password);

    bool isModified() const { return _modified; }
    void setModified();
    void resetModified();

    QString fileName() const { return _fileName; }
    std::shared_ptr<Logger> logger() const { return _logger; }
    QTabWidget* tabs() const { return _tabs; }
    std::shared_ptr<RackList> racks() const { return _racks; }
    int rackCount() const { return _racks ? int(_racks->size()) : 0; }
    bool hasKey(const AesPair& key) const;

    bool rackExists(const QString& name) const;
    RackModel* rackModel(const QString& name) const;
    QStringList rackNames() const;
    // The first of "prefix 1", "prefix 2"... that no rack has. Asked once per
    // rack while a file of nameless racks is read, so it resumes where it found
    // the last one until a rack is renamed or removed.
    QString firstFreeRackName(const QString& prefix) const;
    // Takes ownership on success. Refuses a null rack, a rack of another vault
    // model, an empty name, a name in use and a name with a line feed.
    bool addRackModel(RackModel* rack);
    // The rack leaves the list and the vault model; the caller owns it.
    [[nodiscard]] std::unique_ptr<RackModel> removeRackModel(const QString& name);

    std::unique_ptr<QByteArray> toPlainText() const;

    // For tests: the file moves of saveVault.
    void setFileSystem(std::shared_ptr<VaultFileSystem> files);

signals:
    void vaultStatusUpdated(bool status);

private:
    // What the model last read from or wrote to its file; no file at all for a
    // model built in memory.
    struct DiskState
    {
        bool exists = false;
        qint64 size = 0;
        QDateTime modified;
        // When the state was taken: a file modified within the file system's
        // time resolution of it may change again without a new time.
        QDateTime taken;
        QByteArray digest;
    };
    static DiskState diskState(const QByteArray& bytes, const QDateTime& modified, const QDateTime& taken);

    friend class RackModel;
    friend class LockedVault;
    // Builds the racks from a vault's plaintext, which it wipes.
    static std::shared_ptr<Model> fromPlainText(QByteArray& plain, const QString& fileName, const AesPair& key,
                                                QTabWidget* tabs, std::shared_ptr<Logger> logger);
    // Kept in step by RackModel when it is renamed or deleted; a rack taken
    // out by removeRackModel leaves as a deleted one does.
    void rackRenamed(RackModel* rack, const QString& oldName);
    void rackDeleted(RackModel* rack);

    QByteArray plainText() const;
    // Uses cipher's buffer to read the written file back. Returns the digest
    // of the bytes written.
    QByteArray writeVault(const QByteArray& plain, QByteArray& cipher);

    QPointer<QTabWidget> _tabs;
    bool _modified = false;
    QString _fileName;
    std::shared_ptr<Logger> _logger;
    std::shared_ptr<RackList> _racks;
    // The racks by name, so that a lookup does not walk the list: a vault of
    // thousands of racks is built and checked by name once per rack.
    QHash<QString, RackModel*> _rackByName;
    struct FreeNameHint
    {
        QString prefix;
        int next = 1; // every number below it is taken
    };
    mutable FreeNameHint _freeName;
    std::unique_ptr<AesPair> _key;
    std::shared_ptr<VaultFileSystem> _files;
    DiskState _onDisk;
};
