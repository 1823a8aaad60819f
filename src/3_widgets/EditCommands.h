#pragma once
// The Edit menu's commands on the selected text of the focused box of the
// active child window (a text box, the editor of a grid cell, or a combo box
// that can be typed into), through the desktop's clipboard. Whatever the box
// refuses as typed or pasted text (its limits and character rules) it
// refuses here too. On the current cell of a focused grid that is not being
// edited, Copy takes the cell's text and Paste puts the clipboard's text
// into an editable cell as an edit does, whole or not at all. Any other box,
// or no box at all, makes the command do nothing.

class QWidget;

namespace orb {

enum class EditCommand {
    Cut,    // the clipboard takes the selection, which is then removed
    Copy,   // the clipboard takes the selection (empty when nothing is selected)
    Paste,  // the clipboard's text replaces the selection (or goes in at the caret)
    Delete, // the selection is removed; the clipboard is left alone
};

// Runs the command on the focused control of `child` (a child window).
void runEditCommand(EditCommand command, QWidget *child);

} // namespace orb
