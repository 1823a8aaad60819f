#pragma once
// Captions that must fit the places the windows give them, whatever the
// language: a field's caption that ends just before its field, and a
// button's caption that may take two lines; and a caption shown as a tool
// tip.

#include <QString>

class QLabel;
class QPushButton;

namespace orb {

// A right-aligned caption longer than its place grows to the left, up to the
// edge of its parent, still ending where it ended; one still too long there
// takes a smaller type until it fits.
void fitCaptionLeft(QLabel *caption);

// Sets a button's caption, breaking it into two lines at a blank when it is
// too wide for the button on one. Assistive technology gets it on one line.
void setButtonCaption(QPushButton *button, const QString &caption);

// A caption as a tool tip shows it: without its mnemonic marks ("&Print"
// shows "Print"); a doubled mark ("&&") shows one "&".
QString toolTipText(const QString &caption);

} // namespace orb
