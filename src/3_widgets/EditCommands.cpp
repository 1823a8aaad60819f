#include "EditCommands.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QWidget>

namespace orb {

void runEditCommand(EditCommand command, QWidget *child)
{
    if (!child)
        return;
    auto *box = qobject_cast<QLineEdit *>(child->focusWidget());
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
