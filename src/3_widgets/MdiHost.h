#pragma once
// The main window's multiple-document area, where every child window of the
// program lives. The main window registers it when it is built; windows
// created elsewhere (the progress box, for one) find their parent here.

#include "OneInstance.h"

#include <QPointer>

class QMdiArea;
class QMdiSubWindow;
class QWidget;

namespace orb {

void setMdiArea(QMdiArea *area);
QMdiArea *mdiArea();

// Puts a window into the area as a child window and shows it, without
// blocking. The subwindow is deleted with the window. Without an area the
// window is shown on its own. Returns the subwindow (or null).
QMdiSubWindow *showAsChild(QWidget *window);

// The loaded child window of that name (its objectName: "FrmZon"), or null.
// Windows that know each other only by name (the general window switching
// the zone and relay windows) reach each other this way.
QWidget *childWindow(const QString &name);
// Closes the child window of that name as its close box would (its own
// closing runs and may refuse). True when no such window is left.
bool closeChildWindow(const QString &name);

// The Window menu's arrangements of the child windows.
enum class Arrangement {
    Cascade,          // overlapping, each a step down and to the right
    TileHorizontally, // one above the other, each the full width of the area
    TileVertically,   // side by side, each the full height of the area
    ArrangeIcons,     // the minimised ones in a row along the bottom
};
// Arranges the child windows of the document area. Minimised windows keep
// their icon row at the bottom; the tiles share the room above it, one after
// the other. A tile is never smaller than its window needs (the area then
// scrolls) nor bigger than the window can grow: a window of fixed size keeps
// its size and takes its place in the order, and the others share the room
// it leaves, so windows that fit the area show without scroll bars. Cascade
// and the tiles start at the area's top-left corner with nothing scrolled.
void arrangeChildren(Arrangement arrangement);

// Takes a child window away at once, without a close event: hidden now,
// deleted (with its frame) when the event loop next runs.
void unloadChild(QWidget *window);

// Shows a loaded child window again and makes it the active one.
void bringForward(QWidget *window);

// The one child window of type W: the loaded one brought forward, or a new
// one, made with the document area as its parent (its child window owns it
// and deletes it on close), shown and loaded (W::onLoad). A window whose
// constructor and onLoad are private declares this its friend.
template <typename W>
W *showOneChild()
{
    if (W *open = oneInstance<W>()) {
        bringForward(open);
        return open;
    }
    auto *window = new W(mdiArea());
    oneInstance<W>() = window;
    showAsChild(window);
    window->onLoad();
    return window;
}

// The frame that is moved and closed: the child window around a window, or
// the window itself when it has none.
QWidget *frameOf(QWidget *window);

// Conversion of the program's twips (1/1440 inch) to pixels: 15 twips make
// one pixel.
constexpr int twips(int value) { return value / 15; }

} // namespace orb
