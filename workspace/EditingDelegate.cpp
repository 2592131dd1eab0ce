#include "EditingDelegate.h"

#include "StrengthBar.h"
#include "WipeOnExit.h"

#include <QLineEdit>

#include <algorithm>

EditingDelegate::EditingDelegate(QObject* parent) : QStyledItemDelegate(parent)
{
}

void EditingDelegate::setStrengthColumn(int column, const QList<int>& wordColumns)
{
    _strengthColumn = column;
    _wordColumns = wordColumns;
}

StrengthBar* EditingDelegate::strengthBar(const QWidget* editor) const
{
    return _bars.value(editor);
}

QWidget* EditingDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                       const QModelIndex& index) const
{
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    auto* line = qobject_cast<QLineEdit*>(editor);
    if (line && index.column() == _strengthColumn && _strengthColumn >= 0) {
        // Beside the editor rather than around it: the editor stays the line
        // edit the view and its users know, and the bar is not clipped to the cell.
        auto* bar = new StrengthBar(parent);
        bar->setObjectName(QStringLiteral("_stbCellPassword"));
        bar->setAutoFillBackground(true);
        bar->setContentsMargins(4, 1, 4, 1);
        QStringList words;
        for (int column : _wordColumns)
            words.append(index.sibling(index.row(), column).data(Qt::EditRole).toString());
        connect(line, &QLineEdit::textChanged, bar, [line, bar, words] {
            QString password = line->text();
            const WipeOnExit wipePassword(password);
            bar->setPassword(password, words);
        });
        connect(line, &QObject::destroyed, bar, &QObject::deleteLater);
        _bars.insert(editor, bar);
        bar->show();
    }
    emit editingStarted(index, editor);
    return editor;
}

void EditingDelegate::destroyEditor(QWidget* editor, const QModelIndex& index) const
{
    emit editingClosed(index);
    if (QPointer<StrengthBar> bar = _bars.take(editor)) {
        bar->hide();
        bar->deleteLater();
    }
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

void EditingDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                           const QModelIndex& index) const
{
    QStyledItemDelegate::updateEditorGeometry(editor, option, index);
    StrengthBar* bar = _bars.value(editor);
    if (!bar)
        return;
    // Under the cell, or over it when the cell is the last row in sight.
    const QRect cell = editor->geometry();
    const int width = std::max(cell.width(), bar->sizeHint().width());
    const int height = bar->sizeHint().height();
    QRect place(cell.left(), cell.bottom() + 1, width, height);
    if (const QWidget* area = bar->parentWidget(); area && place.bottom() > area->height())
        place.moveBottom(cell.top() - 1);
    bar->setGeometry(place);
    bar->raise();
}
