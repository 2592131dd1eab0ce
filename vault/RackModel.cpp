#include "RackModel.h"

#include "ColorScheme.h"
#include "Exception.h"
#include "LockGate.h"
#include "Model.h"
#include "ModuleTexts.h"
#include "VaultEntry.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QMessageBox>

#include <algorithm>
#include <utility>

namespace {
const QString SetNameContext = QStringLiteral("void RackModel::setName(const QString&) -> ");

void showWarning(const QString& text, const QString& informativeText = QString(),
                 const QString& detailedText = QString())
{
    QMessageBox box(QMessageBox::Warning, QString(), text, QMessageBox::Ok);
    box.setInformativeText(informativeText);
    box.setDetailedText(detailedText);
    (void)LockGate::exec(box);
}

QFont passwordFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("hack"), QStringLiteral("noto sans mono"), QStringLiteral("consolas"),
                      QStringLiteral("courier new")});
    font.setPointSize(13);
    return font;
}
} // namespace

// The vault model becomes the QObject parent when it takes the rack into its list
// (Model::addRackModel, or the loader), not before: a rack it refused stays its
// creator's to delete, and is never deleted a second time with the vault model.
RackModel::RackModel(std::shared_ptr<Model> model, const QString& name, Rack* rack)
    : _rack(rack), _name(name), _model(model)
{
}

RackModel::~RackModel()
{
    // Deleted by someone other than its vault model: leave no dangling pointer in
    // the vault's list. (While the vault model itself is being destroyed the weak
    // reference has already expired and the model has taken this rack out.)
    if (const auto model = _model.lock())
        model->rackDeleted(this);
    while (!_entries.isEmpty())
        delete _entries.takeLast();
}

void RackModel::setName(const QString& name)
{
    if (const auto model = _model.lock(); model && model->rackExists(name))
        throw Exception(SetNameContext + ModuleTexts::text(QStringLiteral("RackNameAlreadyExists")).arg(name));
    if (name.contains(QLatin1Char('\n')))
        throw Exception(SetNameContext + ModuleTexts::text(QStringLiteral("RackNameLineFeed")));
    const QString oldName = std::exchange(_name, name);
    if (const auto model = _model.lock())
        model->rackRenamed(this, oldName);
}

bool RackModel::setTabIndex(int index)
{
    const auto model = _model.lock();
    if (!model || index < FirstRackTab || index >= model->rackCount() + FirstRackTab)
        return false;
    _tabIndex = index;
    return true;
}

bool RackModel::contains(const QString& role) const
{
    for (const VaultEntry* entry : _entries)
        if (entry->nameView() == role)
            return true;
    return false;
}

void RackModel::setEntries(const QList<VaultEntry*>& entries)
{
    beginResetModel();
    qDeleteAll(_entries);
    _entries = entries;
    endResetModel();
}

void RackModel::appendEntry(VaultEntry* entry)
{
    const int row = int(_entries.size());
    beginInsertRows(QModelIndex(), row, row);
    _entries.append(entry);
    endInsertRows();
}

void RackModel::appendEntries(const QList<VaultEntry*>& entries)
{
    if (entries.isEmpty())
        return;
    const int row = int(_entries.size());
    beginInsertRows(QModelIndex(), row, row + int(entries.size()) - 1);
    _entries.append(entries);
    endInsertRows();
}

std::unique_ptr<VaultEntry> RackModel::takeEntry(int row)
{
    if (row < 0 || row >= _entries.size())
        return nullptr;
    beginRemoveRows(QModelIndex(), row, row);
    std::unique_ptr<VaultEntry> entry(_entries.takeAt(row));
    endRemoveRows();
    return entry;
}

void RackModel::insertEntry(int row, VaultEntry* entry)
{
    row = std::clamp(row, 0, int(_entries.size()));
    beginInsertRows(QModelIndex(), row, row);
    _entries.insert(row, entry);
    endInsertRows();
}

QModelIndex RackModel::index(int row, int column, const QModelIndex& parent) const
{
    if (parent.isValid() || row < 0 || column < 0 || row >= _entries.size() || column > CommentColumn)
        return QModelIndex();
    return createIndex(row, column);
}

// A flat table: an entry has no children, as views and proxies expect.
int RackModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(_entries.size());
}

int RackModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 4;
}

QVariant RackModel::data(const QModelIndex& index, int role) const
{
    if (index.row() < 0 || index.row() >= _entries.size())
        return QVariant();
    const VaultEntry& entry = *_entries.at(index.row());
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        switch (column) {
        case NameColumn: return entry.name();
        case UserColumn: return entry.user();
        case PasswordColumn: return entry.password();
        default: return entry.comment();
        }
    case Qt::FontRole:
        if (column == PasswordColumn)
            return passwordFont();
        break;
    case Qt::ForegroundRole:
        if (column == UserColumn)
            return QBrush(ColorScheme::isDark() ? QColor(0, 255, 235) : QColor(13, 0, 235));
        if (column == PasswordColumn)
            return QBrush(ColorScheme::isDark() ? QColor(0, 255, 0) : QColor(0, 133, 0));
        break;
    default: break;
    }
    return QVariant();
}

bool RackModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole)
        return true;
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return false;
    VaultEntry& entry = *_entries.at(index.row());
    QString newValue = value.toString();
    bool changed = false;
    // Qt cannot unwind an exception through its event loop: every refusal ends here.
    try {
        if (index.column() == NameColumn && newValue.isEmpty()) {
            showWarning(ModuleTexts::text(QStringLiteral("UndefinedRole")),
                        ModuleTexts::text(QStringLiteral("PleaseSetRole")));
            return false;
        }
        // Roles are unique within a rack, as the new-entry form keeps them: a
        // second entry of the same role would be lost by the next import.
        if (index.column() == NameColumn && newValue != entry.name() && contains(newValue)) {
            showWarning(ModuleTexts::text(QStringLiteral("DuplicateEntry")).arg(newValue), QString(),
                        ModuleTexts::text(QStringLiteral("RoleMustBeUnique")));
            return false;
        }
        changed = applyEdit(entry, index.column(), newValue);
    } catch (const Exception& e) {
        showWarning(e.detail());
        return false;
    }
    if (changed) {
        if (const auto model = _model.lock())
            model->setModified();
        emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    }
    emit editCompleted(newValue);
    return true;
}

// Returns whether the value differs from the old one; the setter raises on refusal.
bool RackModel::applyEdit(VaultEntry& entry, int column, QString& newValue)
{
    switch (column) {
    case NameColumn: {
        const bool changed = newValue != entry.name();
        entry.setName(newValue);
        return changed;
    }
    case UserColumn: {
        if (newValue.isEmpty())
            newValue = QLatin1String("");
        const bool changed = newValue != entry.user();
        entry.setUser(newValue);
        return changed;
    }
    case PasswordColumn: {
        const bool changed = newValue != entry.password();
        entry.setPassword(newValue);
        return changed;
    }
    default: {
        const bool changed = newValue != entry.comment();
        entry.setComment(newValue);
        return changed;
    }
    }
}

QVariant RackModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return QVariant();
    const bool dark = ColorScheme::isDark();
    switch (role) {
    case Qt::DisplayRole:
        switch (section) {
        case NameColumn: return ModuleTexts::text(QStringLiteral("Entry"));
        case UserColumn: return ModuleTexts::text(QStringLiteral("Account"));
        case PasswordColumn: return ModuleTexts::text(QStringLiteral("Password"));
        default: return ModuleTexts::text(QStringLiteral("Comment"));
        }
    case Qt::ForegroundRole: return QBrush(QColor(dark ? QStringLiteral("white") : QStringLiteral("black")));
    case Qt::BackgroundRole: return QBrush(dark ? QColor(68, 14, 3) : QColor(QStringLiteral("silver")));
    default: return QVariant();
    }
}

bool RackModel::insertRows(int row, int count, const QModelIndex& parent)
{
    if (parent.isValid() || count < 1 || row < 0 || row > _entries.size())
        return false;
    beginInsertRows(parent, row, row + count - 1);
    for (int i = 0; i < count; ++i)
        _entries.insert(row, new VaultEntry());
    endInsertRows();
    return true;
}

bool RackModel::removeRows(int row, int count, const QModelIndex& parent)
{
    if (parent.isValid() || count < 1 || row < 0 || row + count > _entries.size())
        return false;
    beginRemoveRows(parent, row, row + count - 1);
    for (int i = 0; i < count; ++i)
        delete _entries.takeAt(row);
    endRemoveRows();
    return true;
}

Qt::ItemFlags RackModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return QAbstractTableModel::flags(index) | Qt::ItemIsEditable;
}
