#include "ProxyModel.h"

#include "FilterRules.h"
#include "RackModel.h"
#include "VaultEntry.h"

#include <algorithm>

// The sort aids of one sort or refilter, dropped when it ends.
class ProxyModel::SortScope
{
public:
    // A sort compares every row: all keys are read at once, in row order.
    SortScope(ProxyModel& proxy, int column, bool everyRow) : _proxy(proxy)
    {
        const int role = proxy.sortRole();
        if (!proxy._rack || column < 0 || column > 3 || (role != Qt::DisplayRole && role != Qt::EditRole))
            return;
        proxy._keysColumn = column;
        proxy._packed = !proxy.isSortLocaleAware() && proxy.sortCaseSensitivity() == Qt::CaseSensitive;
        proxy._keys.assign(size_t(proxy._rack->entryCount()), SortKey());
        if (everyRow)
            for (size_t row = 0; row < proxy._keys.size(); ++row)
                proxy.readKey(row);
    }
    ~SortScope()
    {
        _proxy._keysColumn = -1;
        _proxy._keys.clear();
    }
    SortScope(const SortScope&) = delete;
    SortScope& operator=(const SortScope&) = delete;

private:
    ProxyModel& _proxy;
};

ProxyModel::ProxyModel(FilterRules* rules, QObject* parent) : QSortFilterProxyModel(parent), _rules(rules)
{
}

ProxyModel::~ProxyModel() = default;

void ProxyModel::setSourceModel(QAbstractItemModel* sourceModel)
{
    _rack = qobject_cast<RackModel*>(sourceModel);
    QSortFilterProxyModel::setSourceModel(sourceModel);
}

void ProxyModel::sort(int column, Qt::SortOrder order)
{
    // The same order again changes nothing: Qt returns at once.
    if (dynamicSortFilter() && column == sortColumn() && order == sortOrder()) {
        QSortFilterProxyModel::sort(column, order);
        return;
    }
    const SortScope scope(*this, column, true);
    QSortFilterProxyModel::sort(column, order);
}

void ProxyModel::refilter()
{
    const SortScope scope(*this, sortColumn(), false);
    invalidate();
}

bool ProxyModel::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const
{
    if (!_rules || _rules->isEmpty())
        return true;
    if (!_rack || sourceParent.isValid() || sourceRow < 0 || sourceRow >= _rack->entryCount())
        return false;
    return _rules->accepts(_rack->entries().at(sourceRow));
}

bool ProxyModel::textLess(QStringView left, QStringView right) const
{
    if (isSortLocaleAware())
        return QString::localeAwareCompare(left, right) < 0;
    return left.compare(right, sortCaseSensitivity()) < 0;
}

void ProxyModel::readKey(size_t row) const
{
    SortKey& key = _keys[row];
    key.text = _rack->entries().at(qsizetype(row))->fieldView(_keysColumn);
    if (_packed) {
        // A shorter text is padded with zeros: a tie, settled on the texts.
        const qsizetype size = std::min(key.text.size(), PackedUnits);
        for (qsizetype i = 0; i < size; ++i)
            key.packed[size_t(i / 4)] |= quint64(key.text[i].unicode()) << (16 * (3 - (i % 4)));
    }
    key.read = true;
}

bool ProxyModel::keyLess(const SortKey& left, const SortKey& right) const
{
    if (!_packed)
        return textLess(left.text, right.text);
    if (left.packed != right.packed)
        return left.packed < right.packed;
    if (left.text.size() > PackedUnits && right.text.size() > PackedUnits)
        return left.text.sliced(PackedUnits).compare(right.text.sliced(PackedUnits)) < 0;
    return left.text.compare(right.text) < 0;
}

bool ProxyModel::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    const int column = left.column();
    const size_t l = size_t(left.row());
    const size_t r = size_t(right.row());
    if (column == _keysColumn && right.column() == column && l < _keys.size() && r < _keys.size()) {
        return keyLess(key(l), key(r));
    }
    const RackModel* rack = _rack;
    if (!rack || left.model() != rack || right.model() != rack || column != right.column() || column < 0
        || column > 3 || (sortRole() != Qt::DisplayRole && sortRole() != Qt::EditRole))
        return QSortFilterProxyModel::lessThan(left, right);
    const auto& entries = rack->entries();
    return textLess(entries.at(left.row())->fieldView(column), entries.at(right.row())->fieldView(column));
}
