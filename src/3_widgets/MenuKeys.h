#pragma once
// The main window's menu keys inside its text boxes. A text box keeps a few
// keys for its own editing that are menu keys too: on Linux desktops Ctrl+U
// (New) erases the box's whole line. In any text box of the main window and
// its child windows such a key runs its menu command and changes no text;
// the box's own selection and clipboard keys (select all, cut, copy, paste,
// delete) stay the box's, as desktop users expect.

#include <QList>

class QAction;
class QWidget;

namespace orb {

// Gives the keys of `commands` (the menu items) precedence over the text
// boxes of `window` and its children, for as long as `window` lives. Installed
// once, for the whole application.
void giveMenuKeysPrecedence(QWidget *window, const QList<QAction *> &commands);

} // namespace orb
