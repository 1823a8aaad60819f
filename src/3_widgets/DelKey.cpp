#include "DelKey.h"

#include <QLineEdit>

namespace orb {

void Chk_DelKey(QString &text, int &selStart, int keyCode)
{
    if (keyCode != kDeleteKeyCode)
        return;
    const int p = selStart;
    const int keep = int(text.size()) - p - 1;
    if (p < 0 || keep < 0)
        return;   // caret at the end: nothing follows it
    text = text.left(p) + text.right(keep);
    selStart = p;
}

void Chk_DelKey(QLineEdit *control, int keyCode)
{
    if (!control || keyCode != kDeleteKeyCode)
        return;
    QString text = control->text();
    int p = control->hasSelectedText() ? control->selectionStart() : control->cursorPosition();
    Chk_DelKey(text, p, keyCode);
    if (text != control->text())
        control->setText(text);
    control->setCursorPosition(p);
}

} // namespace orb
