#pragma once

#include <QHash>
#include <QList>
#include <QPointer>
#include <QStyledItemDelegate>

class StrengthBar;

// The standard cell editors, with their life reported: created, committed,
// destroyed. An edit abandoned with Escape is closed without being committed.
// The editor of the password column has a strength bar under it.
class EditingDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit EditingDelegate(QObject* parent = nullptr);

    // The column whose line editor gets a strength bar, and the columns of
    // the same row whose texts count as guessable words. -1: none.
    void setStrengthColumn(int column, const QList<int>& wordColumns = {});
    // The bar of that open editor, if it has one.
    StrengthBar* strengthBar(const QWidget* editor) const;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void destroyEditor(QWidget* editor, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

signals:
    // The indexes are those of the view's model (the rack's proxy).
    void editingStarted(const QModelIndex& index, QWidget* pEditor) const;
    // Sent before the model sees the value, so also for a value it refuses.
    void editingCommitted(const QModelIndex& index) const;
    void editingClosed(const QModelIndex& index) const;

private:
    int _strengthColumn = -1;
    QList<int> _wordColumns;
    // The view asks for editors through const calls; a bar lives as long as its editor.
    mutable QHash<const QWidget*, QPointer<StrengthBar>> _bars;
};
