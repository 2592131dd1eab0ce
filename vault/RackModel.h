#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QString>

#include <memory>

class Model;
class Rack;
class VaultEntry;

// The table behind one rack: owns the rack's entries and shows them in four
// columns (role, account, password, comment). Cell edits go through the
// entry's own checks and mark the vault modified.
class RackModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { NameColumn = 0, UserColumn = 1, PasswordColumn = 2, CommentColumn = 3 };
    // The two fixed pages of the workspace stand in front of the rack tabs.
    static constexpr int FirstRackTab = 2;

    // The rack keeps only a weak reference back to its vault model: the vault
    // model owns its racks, and a strong reference in each rack would keep the
    // pair alive for ever.
    RackModel(std::shared_ptr<Model> model, const QString& name, Rack* rack = nullptr);
    ~RackModel() override;

    QString name() const { return _name; }
    // Raises RackNameAlreadyExists when the vault has a rack of that name (this one
    // included), and refuses a line feed, which the vault file cannot hold.
    void setName(const QString& name);
    std::shared_ptr<Model> model() const { return _model.lock(); }
    Rack* rack() const { return _rack; }
    void setRack(Rack* rack) { _rack = rack; }
    int tabIndex() const { return _tabIndex; }
    // Accepted only within [2, number of racks + 2).
    bool setTabIndex(int index);

    const QList<VaultEntry*>& entries() const { return _entries; }
    qsizetype entryCount() const { return _entries.size(); }
    bool contains(const QString& role) const;
    // Both take ownership of the entries given.
    void setEntries(const QList<VaultEntry*>& entries);
    void appendEntry(VaultEntry* entry);
    // Appends them as one insertion: a view over the rack updates once.
    void appendEntries(const QList<VaultEntry*>& entries);
    // Takes the entry of row out of the rack without deleting it (null for a
    // row out of range); the caller owns it.
    std::unique_ptr<VaultEntry> takeEntry(int row);
    // Puts entry in at row (at the end when row is past it); takes ownership.
    void insertEntry(int row, VaultEntry* entry);

    // Without the virtual calls of the default: sorting a large rack asks for
    // an index twice per comparison.
    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // Never throws: a refused value is shown in a warning box, the entry keeps
    // its value and the result is false.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool insertRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;
    bool removeRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    void editCompleted(const QString& newValue);

private:
    bool applyEdit(VaultEntry& entry, int column, QString& newValue);

    Rack* _rack = nullptr;
    QString _name;
    std::weak_ptr<Model> _model;
    QList<VaultEntry*> _entries;
    int _tabIndex = -1;
};
