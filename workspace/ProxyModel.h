#pragma once

#include <QPointer>
#include <QSortFilterProxyModel>
#include <QString>
#include <QStringView>

#include <array>
#include <memory>
#include <vector>

class FilterMatcher;
class RackModel;

// Sits between a rack model and its table: hides the entries a filter run
// rejected, and sorts. The matching of a whole rack runs elsewhere (off the
// GUI thread); the proxy shows its result, one flag per rack-model row, and
// keeps it in step with the rack: rows inserted or edited afterwards are
// checked here against the rules of that result when they are few; more are
// shown for now and filterOutdated() asks for a new run.
class ProxyModel : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    // Rows checked at once when the rack changes; a single match can be slow.
    static constexpr int RecheckLimit = 8;

    explicit ProxyModel(QObject* parent = nullptr);
    ~ProxyModel() override;

    void setSourceModel(QAbstractItemModel* sourceModel) override;
    // Hidden passwords show as dots of one length; the editor (the edit
    // role) and a copy still get the clear text.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    void setPasswordsHidden(bool hidden);
    bool passwordsHidden() const { return _passwordsHidden; }
    static const QString HiddenPassword;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // Shows the rows whose flag is set (one per rack-model row) and keeps
    // matcher for the rows that change later; refused (false, nothing
    // changes) when the flags do not fit the rack's rows.
    bool setFilterResult(std::vector<char> accepted, std::shared_ptr<const FilterMatcher> matcher);
    // Shows every row again.
    void clearFilter();
    // The rules of the result shown; null without filter.
    std::shared_ptr<const FilterMatcher> matcher() const { return _matcher; }

Q_SIGNALS:
    // The rack changed more rows than are checked at once; they are shown.
    void filterOutdated();

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

    // Filters and sorts every row again.
    void refilter();
    // The flags of rows [first, first + count), checked when they are few.
    void recheck(int first, int count);
    void sourceRowsInserted(const QModelIndex& parent, int first, int last);
    void sourceRowsRemoved(const QModelIndex& parent, int first, int last);
    void sourceDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight);
    void sourceReset();

    bool textLess(QStringView left, QStringView right) const;
    bool keyLess(size_t left, size_t right) const;
    void readKey(size_t row) const;

    std::shared_ptr<const FilterMatcher> _matcher;
    std::vector<char> _accepted;
    QList<QMetaObject::Connection> _sourceConnections;
    QPointer<RackModel> _rack;
    int _keysColumn = -1;
    bool _packed = false;
    bool _allRead = false;
    bool _passwordsHidden = false;
    mutable std::vector<Packed> _packedKeys;
    mutable std::vector<QStringView> _texts;
    mutable std::vector<char> _read;
};
