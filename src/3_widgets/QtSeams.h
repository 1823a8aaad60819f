#pragma once
// Installs the real user-interaction handlers: QMessageBox for message
// boxes, the application's override cursor for the pointer and QFileDialog
// for file choices.

#include <QString>
#include <memory>

class QMessageBox;
class QWidget;

namespace orb {

void installQtSeams();

// The window a box or dialog belongs to: the program's active window, or
// else the main window (the window that holds the document area). A box
// without one would be a window of its own to the desktop, which could
// minimise it, or leave it behind the window it blocks.
QWidget *dialogParent();

// The message box the seam shows for a prompt, style and title, set up but
// not yet shown. Once shown it is as wide as its text needs (a long text
// wraps) and at least as wide as its title in the title bar, with room for
// the title bar's buttons. A question (Yes and No) ends only with Yes or No:
// it asks for no close button, and Escape or a close from outside leaves it
// showing.
std::unique_ptr<QMessageBox> buildMessageBox(const QString &prompt, int style, const QString &title,
                                             QWidget *parent = nullptr);

} // namespace orb
