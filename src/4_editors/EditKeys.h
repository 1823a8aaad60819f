#pragma once
// The keyboard of the editing windows' text boxes, the same in every one of
// them: a typed character passes the box's key filter or is dropped; the
// Delete key takes the selection when pressed and the character after the
// caret when released (Chk_DelKey); moving to another control of the window
// runs the box's leaving check. Focus taken for a moment by a message box,
// a menu or the window's own frame is no leaving.

#include <QObject>
#include <QValidator>
#include <functional>

class QChar;
class QLineEdit;
class QWidget;

namespace orb {

class EditKeys : public QObject {
public:
    // Decides on a typed character; false drops it.
    using KeyFilter = std::function<bool(QChar key)>;
    using LeaveCheck = std::function<void()>;

    // Watches `box`, which belongs to `window`. An empty filter takes every
    // key; an empty check runs nothing.
    static void install(QLineEdit *box, QWidget *window, KeyFilter filter, LeaveCheck leave = {});

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    EditKeys(QLineEdit *box, QWidget *window, KeyFilter filter, LeaveCheck leave);

    QLineEdit *m_box;
    QWidget *m_window;
    KeyFilter m_filter;
    LeaveCheck m_leave;
};

// The rule of a name or label box (field FieldName or FieldLabel) for
// every change of its text, typed, pasted or dropped: what is put in is
// taken as typing it would be taken (editAsTyped), so a paste keeps what
// typing the same text keeps.
class TypedTextValidator : public QValidator {
public:
    TypedTextValidator(int field, QLineEdit *box);
    State validate(QString &input, int &pos) const override;

private:
    int m_field;
    QString m_before;   // the box's text before the change being judged
};

} // namespace orb
