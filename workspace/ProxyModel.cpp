#include "ProxyModel.h"

#include "FilterRules.h"
#include "RackModel.h"
#include "VaultEntry.h"

ProxyModel::ProxyModel(FilterRules* rules, QObject* parent) : QSortFilterProxyModel(parent), _rules(rules)
{
}

bool ProxyModel::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const
{
    if (!_rules || _rules->isEmpty())
        return true;
    const auto* rack = qobject_cast<const RackModel*>(sourceModel());
    const QModelIndex index = sourceModel()->index(sourceRow, 0, sourceParent);
    if (!rack || !index.isValid())
        return false;
    return _rules->accepts(rack->entries().at(index.row()));
}

bool ProxyModel::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    // QSortFilterProxyModel compares the display texts with its case
    // sensitivity and locale setting; a rack model's texts are its entries'
    // fields, which are compared here in place. Anything else takes the default.
    const auto* rack = qobject_cast<const RackModel*>(sourceModel());
    const int role = sortRole();
    const int column = left.column();
    if (!rack || (role != Qt::DisplayRole && role != Qt::EditRole) || column != right.column() || column < 0
        || column > 3 || left.model() != rack || right.model() != rack)
        return QSortFilterProxyModel::lessThan(left, right);
    const auto& entries = rack->entries();
    const QStringView l = entries.at(left.row())->fieldView(column);
    const QStringView r = entries.at(right.row())->fieldView(column);
    if (isSortLocaleAware())
        return QString::localeAwareCompare(l, r) < 0;
    return l.compare(r, sortCaseSensitivity()) < 0;
}
