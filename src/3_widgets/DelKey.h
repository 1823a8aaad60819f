#pragma once
// The Delete-key helper every editing window calls on key release: key code
// 46 removes the character that follows the caret and leaves the caret
// where it was. With the caret at the end nothing changes.

#include <QString>

class QLineEdit;

namespace orb {

inline constexpr int kDeleteKeyCode = 46;

// The text edit itself, on a text and caret position.
void Chk_DelKey(QString &text, int &selStart, int keyCode);
// On a line edit.
void Chk_DelKey(QLineEdit *control, int keyCode);

} // namespace orb
