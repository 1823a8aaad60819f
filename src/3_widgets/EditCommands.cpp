#include "EditCommands.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QWidget>

namespace orb {

namespace {

// The text box the commands act on: the focused one, or the text of a
// focused combo box that can be typed into (its own validator judges what
// goes in).
QLineEdit *textBoxOf(QWidget *focused)
{
    if (auto *combo = qobject_cast<QComboBox *>(focused))
        return combo->isEditable() ? combo->lineEdit() : nullptr;
    return qobject_cast<QLineEdit *>(focused);
}

// The current cell of a focused grid that is not being edited (the editor
// would have the focus): Copy takes its text; Paste gives an editable cell
// the clipboard's text as an edit would, the model judging and storing it
// by the rule its editor follows. Cut and Delete leave a cell alone.
void runOnCell(EditCommand command, QAbstractItemView &grid)
{
    const QModelIndex cell = grid.currentIndex();
    if (!cell.isValid() || !grid.isEnabled())
        return;
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (command == EditCommand::Copy)
        clipboard->setText(cell.data(Qt::DisplayRole).toString());
    else if (command == EditCommand::Paste && (cell.flags() & Qt::ItemIsEditable)
             && grid.editTriggers() != QAbstractItemView::NoEditTriggers)
        grid.model()->setData(cell, clipboard->text(), Qt::EditRole);
}

} // namespace

void runEditCommand(EditCommand command, QWidget *child)
{
    if (!child)
        return;
    if (auto *grid = qobject_cast<QAbstractItemView *>(child->focusWidget())) {
        runOnCell(command, *grid);
        return;
    }
    QLineEdit *box = textBoxOf(child->focusWidget());
    if (!box || !box->isEnabled())
        return;
    QClipboard *clipboard = QGuiApplication::clipboard();
    const bool editable = !box->isReadOnly();
    switch (command) {
    case EditCommand::Copy:
        clipboard->setText(box->selectedText());
        break;
    case EditCommand::Cut:
        clipboard->setText(box->selectedText());
        if (editable && box->hasSelectedText())
            box->del();
        break;
    case EditCommand::Delete:
        if (editable && box->hasSelectedText())
            box->del();
        break;
    case EditCommand::Paste:
        // The box's own paste: its validator and length limit judge the
        // text, and a refused paste leaves the box as it was.
        if (editable)
            box->paste();
        break;
    }
}

} // namespace orb
