#pragma once

#include <QSortFilterProxyModel>

class FilterRules;

// Sits between a rack model and its table: hides the entries the rack's
// filter rules reject, and sorts.
class ProxyModel : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    // The rules stay the rack's.
    explicit ProxyModel(FilterRules* rules, QObject* parent = nullptr);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    // The default order, read from the entries without a copy per comparison.
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    FilterRules* _rules;
};
