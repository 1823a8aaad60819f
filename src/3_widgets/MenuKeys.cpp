#include "MenuKeys.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>

namespace orb {

namespace {

class MenuKeys : public QObject {
public:
    MenuKeys(QWidget *window, const QList<QAction *> &commands)
        : QObject(window)
        , m_window(window)
    {
        for (QAction *command : commands)
            m_commands << command;
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // A box asks to keep a key for itself before any shortcut runs
        // (ShortcutOverride); refused, the key goes to the menu command.
        // Should no command take it (one disabled), the key press that
        // follows is dropped before the box sees it.
        const QEvent::Type type = event->type();
        if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress)
            return false;
        auto *widget = qobject_cast<QWidget *>(watched);
        if (!widget || widget->window() != m_window || !isMenuKey(*static_cast<QKeyEvent *>(event)))
            return false;
        event->ignore();
        return true;
    }

private:
    bool isMenuKey(const QKeyEvent &key) const
    {
        for (QKeySequence::StandardKey own :
             {QKeySequence::SelectAll, QKeySequence::Cut, QKeySequence::Copy, QKeySequence::Paste, QKeySequence::Delete}) {
            if (key.matches(own))
                return false;
        }
        const QKeySequence pressed(QKeyCombination(key.modifiers() & ~Qt::KeypadModifier, Qt::Key(key.key())));
        for (const QPointer<QAction> &command : m_commands) {
            if (command && command->shortcuts().contains(pressed))
                return true;
        }
        return false;
    }

    QWidget *m_window;
    QList<QPointer<QAction>> m_commands;
};

} // namespace

void giveMenuKeysPrecedence(QWidget *window, const QList<QAction *> &commands)
{
    qApp->installEventFilter(new MenuKeys(window, commands));
}

} // namespace orb
