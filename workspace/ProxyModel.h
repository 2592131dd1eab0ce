#pragma once

#include <QPointer>
#include <QSortFilterProxyModel>
#include <QString>
#include <QStringView>

#include <array>
#include <vector>

class FilterRules;
class RackModel;

// Sits between a rack model and its table: hides the entries the rack's
// filter rules reject, and sorts.
class ProxyModel : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    // The rules stay the rack's.
    explicit ProxyModel(FilterRules* rules, QObject* parent = nullptr);
    ~ProxyModel() override;

    void setSourceModel(QAbstractItemModel* sourceModel) override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    // Filters and sorts every row again, after the rules have changed.
    void refilter();

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    // The default order of the display texts (QSortFilterProxyModel's own
    // comparison), read from the entries in place.
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    // What the rows of the sort column are compared by during one whole sort
    // or refilter (no entry changes meanwhile): each row's text, read when the
    // row is first compared, and for the plain, case-sensitive order its first
    // PackedUnits UTF-16 units packed big-endian in integers, which order as
    // the texts do (ties are settled on the texts). The packed keys sit in an
    // array of their own, small enough to stay in the processor's cache.
    static constexpr qsizetype PackedUnits = 16;
    using Packed = std::array<quint64, size_t(PackedUnits / 4)>;
    class SortScope;

    bool textLess(QStringView left, QStringView right) const;
    bool keyLess(size_t left, size_t right) const;
    void readKey(size_t row) const;

    FilterRules* _rules;
    QPointer<RackModel> _rack;
    int _keysColumn = -1;
    bool _packed = false;
    bool _allRead = false;
    mutable std::vector<Packed> _packedKeys;
    mutable std::vector<QStringView> _texts;
    mutable std::vector<char> _read;
};
