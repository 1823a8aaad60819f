#pragma once
// What the editing windows need of the main window. The main window
// registers itself as the host when it is made and withdraws when it goes;
// until then (and in tests without a main window) a host that does nothing
// stands in, so the windows never test for it.

#include <QSize>
#include <QString>

class QWidget;

namespace orb {

class EditorHost {
public:
    virtual ~EditorHost() = default;

    // The main window's size; the editing windows centre themselves on it.
    virtual QSize mainWindowSize() const = 0;
    // The main window as a whole.
    virtual void setMainWindowEnabled(bool enabled) = 0;
    // The toolbar and the top-level menus, Help among them or not.
    virtual void setMenusEnabled(bool enabled, bool help) = 0;
    // One command of the Program menu ("MnuPrgZon") with its toolbar
    // button (its 1-based position).
    virtual void setCommandEnabled(const QString &menuItem, int toolButton, bool enabled) = 0;
    // Title, menus and toolbar for the current document state.
    virtual void LOAD_MAIN() = 0;
    // The status fields of the open configuration.
    virtual void Show_ConfInfo() = 0;
    // Print and preview follow the editing windows that are loaded.
    virtual void Chk_PrnBut() = 0;
    // Closes every editing window but `except`; false when one refused.
    virtual bool closeEditingWindows(QWidget *except) = 0;
};

// The registered host, or the one that does nothing.
EditorHost &editorHost();
// Registers the host, and withdraws it when it goes (a host that is not the
// registered one withdraws nothing).
void setEditorHost(EditorHost *host);
void withdrawEditorHost(EditorHost *host);

} // namespace orb
