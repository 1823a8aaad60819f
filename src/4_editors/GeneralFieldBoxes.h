#pragma once
// The six general-field boxes TxtCon(0)..TxtCon(5) of a window. The
// new-configuration dialog and the general-configuration window run the same
// handlers on their own boxes: the key filter, the rule for whole texts
// (pasted ones included), the Delete key, and the range check of the four
// number fields whenever a field is left.

#include "GeneralFields.h"

#include <QObject>
#include <QRect>
#include <array>

class QLineEdit;
class QWidget;

namespace orb {

class GeneralFieldBoxes : public QObject {
public:
    // Makes the boxes in `panel` at `places` (pixels), in tab order, for
    // `window`. With `signBlank` the number boxes may start with blanks
    // (the general window shows a stored number after one blank).
    GeneralFieldBoxes(QWidget *window, QWidget *panel, const std::array<QRect, kGeneralFieldCount> &places,
                      bool signBlank);

    QLineEdit *box(int index) const;
    GeneralTexts texts() const;
    void setTexts(const GeneralTexts &texts);
    // Tool tips 819-824.
    void setToolTips();

    // Key filter of a typed character; false discards it.
    bool TxtCon_KeyPress(int index, QChar key) const;
    // Range check of the four number fields. On the first field above its
    // limit: its message, the field emptied and focused; returns false.
    bool TxtCon_LostFocus();
    // The window is going: leaving a field checks nothing any more.
    void stopChecks() { m_stopped = true; }

private:
    std::array<QLineEdit *, kGeneralFieldCount> m_boxes{};
    bool m_checking = false;
    bool m_stopped = false;
};

} // namespace orb
