#include "EditCommands.h"

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

} // namespace

void runEditCommand(EditCommand command, QWidget *child)
{
    if (!child)
        return;
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
