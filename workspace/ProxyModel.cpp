#include "ProxyModel.h"

#include "FilterMatcher.h"
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
        const size_t count = size_t(proxy._rack->entryCount());
        proxy._keysColumn = column;
        proxy._packed = !proxy.isSortLocaleAware() && proxy.sortCaseSensitivity() == Qt::CaseSensitive;
        proxy._packedKeys.assign(proxy._packed ? count : 0, Packed{});
        proxy._texts.assign(count, QStringView());
        proxy._read.assign(count, 0);
        if (everyRow)
            for (size_t row = 0; row < count; ++row)
                proxy.readKey(row);
        proxy._allRead = everyRow;
    }
    ~SortScope()
    {
        _proxy._keysColumn = -1;
        _proxy._allRead = false;
        _proxy._packedKeys.clear();
        _proxy._texts.clear();
        _proxy._read.clear();
    }
    SortScope(const SortScope&) = delete;
    SortScope& operator=(const SortScope&) = delete;

private:
    ProxyModel& _proxy;
};

ProxyModel::ProxyModel(QObject* parent) : QSortFilterProxyModel(parent)
{
}

ProxyModel::~ProxyModel() = default;

// As many dots whatever the password: its length stays unseen too.
const QString ProxyModel::HiddenPassword = QString(8, QChar(0x2022));

QVariant ProxyModel::data(const QModelIndex& index, int role) const
{
    if (_passwordsHidden && role == Qt::DisplayRole && index.column() == RackModel::PasswordColumn
        && checkIndex(index, CheckIndexOption::IndexIsValid))
        return HiddenPassword;
    return QSortFilterProxyModel::data(index, role);
}

void ProxyModel::setPasswordsHidden(bool hidden)
{
    if (hidden == _passwordsHidden)
        return;
    _passwordsHidden = hidden;
    if (const int rows = rowCount(); rows > 0 && columnCount() > RackModel::PasswordColumn)
        Q_EMIT dataChanged(index(0, RackModel::PasswordColumn), index(rows - 1, RackModel::PasswordColumn),
                           {Qt::DisplayRole});
}

void ProxyModel::setSourceModel(QAbstractItemModel* sourceModel)
{
    for (const QMetaObject::Connection& connection : std::as_const(_sourceConnections))
        disconnect(connection);
    _sourceConnections.clear();
    _rack = qobject_cast<RackModel*>(sourceModel);
    _matcher.reset();
    _accepted.clear();
    // Made before Qt's own connections, so that the flags follow the rows
    // before the proxy asks for them.
    if (sourceModel) {
        _sourceConnections = {
            connect(sourceModel, &QAbstractItemModel::rowsInserted, this, &ProxyModel::sourceRowsInserted),
            connect(sourceModel, &QAbstractItemModel::rowsRemoved, this, &ProxyModel::sourceRowsRemoved),
            connect(sourceModel, &QAbstractItemModel::dataChanged, this, &ProxyModel::sourceDataChanged),
            connect(sourceModel, &QAbstractItemModel::modelReset, this, &ProxyModel::sourceReset),
        };
    }
    QSortFilterProxyModel::setSourceModel(sourceModel);
}

bool ProxyModel::setFilterResult(std::vector<char> accepted, std::shared_ptr<const FilterMatcher> matcher)
{
    if (!_rack || qsizetype(accepted.size()) != _rack->entryCount())
        return false;
    if (matcher && matcher->isEmpty())
        matcher.reset();
    _accepted = matcher ? std::move(accepted) : std::vector<char>();
    _matcher = std::move(matcher);
    refilter();
    return true;
}

void ProxyModel::clearFilter()
{
    _matcher.reset();
    _accepted.clear();
    refilter();
}

void ProxyModel::recheck(int first, int count)
{
    if (count > RecheckLimit) {
        std::fill_n(_accepted.begin() + first, count, char(1));
        emit filterOutdated();
        return;
    }
    const QList<VaultEntry*>& entries = _rack->entries();
    for (int row = first; row < first + count; ++row)
        _accepted[size_t(row)] = _matcher->accepts(entries.at(row)->textView()) ? 1 : 0;
}

void ProxyModel::sourceRowsInserted(const QModelIndex& parent, int first, int last)
{
    if (!_matcher || parent.isValid() || !_rack)
        return;
    const int count = last - first + 1;
    _accepted.insert(_accepted.begin() + first, size_t(count), char(1));
    recheck(first, count);
}

void ProxyModel::sourceRowsRemoved(const QModelIndex& parent, int first, int last)
{
    if (!_matcher || parent.isValid())
        return;
    _accepted.erase(_accepted.begin() + first, _accepted.begin() + last + 1);
}

void ProxyModel::sourceDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight)
{
    if (!_matcher || !_rack || topLeft.parent().isValid())
        return;
    recheck(topLeft.row(), bottomRight.row() - topLeft.row() + 1);
}

void ProxyModel::sourceReset()
{
    if (!_matcher || !_rack)
        return;
    _accepted.assign(size_t(_rack->entryCount()), char(1));
    emit filterOutdated();
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
    if (!_matcher)
        return true;
    if (sourceParent.isValid() || sourceRow < 0 || size_t(sourceRow) >= _accepted.size())
        return false;
    return _accepted[size_t(sourceRow)] != 0;
}

bool ProxyModel::textLess(QStringView left, QStringView right) const
{
    if (isSortLocaleAware())
        return QString::localeAwareCompare(left, right) < 0;
    return left.compare(right, sortCaseSensitivity()) < 0;
}

void ProxyModel::readKey(size_t row) const
{
    const QStringView text = _rack->entries().at(qsizetype(row))->fieldView(_keysColumn);
    _texts[row] = text;
    if (_packed) {
        // A shorter text is padded with zeros: a tie, settled on the texts.
        Packed& packed = _packedKeys[row];
        const qsizetype size = std::min(text.size(), PackedUnits);
        for (qsizetype i = 0; i < size; ++i)
            packed[size_t(i / 4)] |= quint64(text[i].unicode()) << (16 * (3 - (i % 4)));
    }
    _read[row] = 1;
}

bool ProxyModel::keyLess(size_t left, size_t right) const
{
    if (!_allRead) {
        if (!_read[left])
            readKey(left);
        if (!_read[right])
            readKey(right);
    }
    if (!_packed)
        return textLess(_texts[left], _texts[right]);
    // The texts are read only on a tie of the packed keys: most comparisons
    // then touch the packed keys' array alone.
    const Packed& a = _packedKeys[left];
    const Packed& b = _packedKeys[right];
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i])
            return a[i] < b[i];
    const QStringView l = _texts[left];
    const QStringView r = _texts[right];
    if (l.size() > PackedUnits && r.size() > PackedUnits)
        return l.sliced(PackedUnits).compare(r.sliced(PackedUnits)) < 0;
    return l.compare(r) < 0;
}

bool ProxyModel::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    const int column = left.column();
    const size_t l = size_t(left.row());
    const size_t r = size_t(right.row());
    if (column == _keysColumn && right.column() == column && l < _texts.size() && r < _texts.size())
        return keyLess(l, r);
    const RackModel* rack = _rack;
    if (!rack || left.model() != rack || right.model() != rack || column != right.column() || column < 0
        || column > 3 || (sortRole() != Qt::DisplayRole && sortRole() != Qt::EditRole))
        return QSortFilterProxyModel::lessThan(left, right);
    const auto& entries = rack->entries();
    return textLess(entries.at(left.row())->fieldView(column), entries.at(right.row())->fieldView(column));
}
