#pragma once

#include <QStyledItemDelegate>

// The standard cell editors, with their life reported: created, committed,
// destroyed. An edit abandoned with Escape is closed without being committed.
class EditingDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit EditingDelegate(QObject* parent = nullptr);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void destroyEditor(QWidget* editor, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

signals:
    // The indexes are those of the view's model (the rack's proxy).
    void editingStarted(const QModelIndex& index, QWidget* pEditor) const;
    // Sent before the model sees the value, so also for a value it refuses.
    void editingCommitted(const QModelIndex& index) const;
    void editingClosed(const QModelIndex& index) const;
};
