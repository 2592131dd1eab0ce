#include "EditingDelegate.h"

#include <QLineEdit>

EditingDelegate::EditingDelegate(QObject* parent) : QStyledItemDelegate(parent)
{
}

QWidget* EditingDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                       const QModelIndex& index) const
{
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    emit editingStarted(index, editor);
    return editor;
}

void EditingDelegate::destroyEditor(QWidget* editor, const QModelIndex& index) const
{
    emit editingClosed(index);
    QAbstractItemDelegate::destroyEditor(editor, index);
}

void EditingDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        const QVariant value = index.model() ? index.model()->data(index, Qt::EditRole) : QVariant();
        line->setText(value.toString());
        return;
    }
    QStyledItemDelegate::setEditorData(editor, index);
}

void EditingDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    emit editingCommitted(index);
    QStyledItemDelegate::setModelData(editor, model, index);
}
