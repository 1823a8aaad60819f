#include "EditKeys.h"

#include "DelKey.h"
#include "GeneralFields.h"
#include "MdiHost.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace orb {

void EditKeys::install(QLineEdit *box, QWidget *window, KeyFilter filter, LeaveCheck leave)
{
    // Owned by the box, so it goes with it.
    box->installEventFilter(new EditKeys(box, window, std::move(filter), std::move(leave)));
}

EditKeys::EditKeys(QLineEdit *box, QWidget *window, KeyFilter filter, LeaveCheck leave)
    : QObject(box)
    , m_box(box)
    , m_window(window)
    , m_filter(std::move(filter))
    , m_leave(std::move(leave))
{
}

bool EditKeys::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_box)
        return false;
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto *key = static_cast<QKeyEvent *>(event);
        // The Delete key of the keypad is the same key.
        if (key->key() == Qt::Key_Delete && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            // The press clears a selection only; the character after the
            // caret goes when the key is released.
            if (m_box->hasSelectedText())
                m_box->del();
            return true;
        }
        // Tab and Shift+Tab move between the controls; they are no input.
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)
            break;
        const QString text = key->text();
        const bool command = key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier | Qt::AltModifier);
        if (m_filter && text.size() == 1 && !command && !m_filter(text.at(0)))
            return true;
        break;
    }
    case QEvent::KeyRelease: {
        const auto *key = static_cast<QKeyEvent *>(event);
        Chk_DelKey(m_box, key->key() == Qt::Key_Delete ? kDeleteKeyCode : 0);
        break;
    }
    case QEvent::FocusOut: {
        if (!m_leave)
            break;
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        // Only a move to another control counts as leaving the box: not a
        // message box or menu taking the focus for a moment, and not a click
        // on the window's own frame (its title bar or close box, no control).
        const QWidget *next = QApplication::focusWidget();
        const bool toOwnFrame = next && (next == m_window || next == frameOf(m_window));
        if (!toOwnFrame && reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            m_leave();
        break;
    }
    default:
        break;
    }
    return false;
}

TypedTextValidator::TypedTextValidator(int field, QLineEdit *box)
    : QValidator(box)
    , m_field(field)
    , m_before(box->text())
{
    connect(box, &QLineEdit::textChanged, this, [this](const QString &text) { m_before = text; });
}

QValidator::State TypedTextValidator::validate(QString &input, int &pos) const
{
    if (generalTextAcceptable(m_field, input))
        return Acceptable;
    int caret = pos;
    const std::optional<QString> typed = editAsTyped(m_field, m_before, input, &caret);
    if (!typed)
        return Invalid;
    input = *typed;
    pos = caret;
    return Acceptable;
}

} // namespace orb
