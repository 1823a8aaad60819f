#include "MdiHost.h"

#include "OneInstance.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QStyle>
#include <QWidget>

namespace orb {

void setMdiArea(QMdiArea *area) { oneInstance<QMdiArea>() = area; }

QMdiArea *mdiArea() { return oneInstance<QMdiArea>().data(); }

QWidget *frameOf(QWidget *window)
{
    QWidget *parent = window->parentWidget();
    return qobject_cast<QMdiSubWindow *>(parent) ? parent : window;
}

QWidget *childWindow(const QString &name)
{
    if (QMdiArea *area = mdiArea()) {
        for (QMdiSubWindow *sub : area->subWindowList()) {
            if (QWidget *window = sub->widget(); window && window->objectName() == name)
                return window;
        }
    }
    return nullptr;
}

bool closeChildWindow(const QString &name)
{
    QWidget *window = childWindow(name);
    return !window || frameOf(window)->close();
}

namespace {

// The minimised child windows in a row along the bottom of `room`, from the
// left, wrapping upwards; returns the height the rows take.
int arrangeIcons(const QList<QMdiSubWindow *> &icons, QSize room)
{
    int x = 0, y = room.height(), rowHeight = 0;
    for (QMdiSubWindow *sub : icons) {
        const QSize size = sub->size();
        if (x > 0 && x + size.width() > room.width()) {
            x = 0;
            y -= rowHeight;
            rowHeight = 0;
        }
        rowHeight = qMax(rowHeight, size.height());
        sub->move(x, y - size.height());
        x += size.width();
    }
    return icons.isEmpty() ? 0 : room.height() - (y - rowHeight);
}

// The sizes a child window's frame may take: no smaller than what the window
// needs to show all of it, and no bigger than the window can grow (a window
// of fixed size has one size only).
struct SizeRange {
    QSize least, most;
};

SizeRange sizeRange(const QMdiSubWindow *sub)
{
    const QWidget *window = sub->widget();
    if (!window)
        return {sub->minimumSizeHint().expandedTo(sub->minimumSize()), sub->maximumSize()};
    const QMargins edges = sub->contentsMargins();
    const QSize frame(edges.left() + edges.right(), edges.top() + edges.bottom());
    const QSize least = window->minimumSizeHint().expandedTo(window->minimumSize()) + frame;
    const QSize most = window->maximumSize();
    return {least, QSize(qMin(most.width(), QWIDGETSIZE_MAX - frame.width()),
                         qMin(most.height(), QWIDGETSIZE_MAX - frame.height()))
                       + frame};
}

// Shares `room` out among windows that may each take from least[i] to
// most[i]: every window gets an equal part, except that one which cannot
// grow to it keeps its most and leaves the rest to the others, and one which
// needs more takes its least (the parts then add up to more than the room).
QList<int> shareOut(int room, const QList<int> &least, const QList<int> &most)
{
    const int count = int(least.size());
    QList<int> parts(count, -1);   // -1: not settled yet
    int left = room, open = count;
    // Settles at their bound the windows whose bound lies beyond the share
    // (below it for `most`, above it for `least`); true when there were any.
    const auto settle = [&](const QList<int> &bounds, bool below) {
        const int share = left / open;
        bool any = false;
        for (int i = 0; i < count; ++i) {
            if (parts.at(i) < 0 && (below ? bounds.at(i) < share : bounds.at(i) > share)) {
                parts[i] = bounds.at(i);
                left -= bounds.at(i);
                --open;
                any = true;
            }
        }
        return any;
    };
    // Those that cannot grow to their share first: what they leave over may
    // give the others their least.
    while (open > 0 && (settle(most, true) || settle(least, false))) {
    }
    // The rest share what is left (each can take its share); the odd
    // pixels go to the first that can grow by one.
    if (open > 0) {
        left = qMax(left, 0);
        int odd = left % open;
        for (int i = 0; i < count; ++i) {
            if (parts.at(i) >= 0)
                continue;
            parts[i] = left / open;
            if (odd > 0 && parts.at(i) < most.at(i)) {
                ++parts[i];
                --odd;
            }
        }
    }
    return parts;
}

// The child windows one above the other (`stacked`) or side by side in
// `room`, each as wide (or as high) as the room within its size range.
// Returns how far the tiles reach along the row.
int tile(const QList<QMdiSubWindow *> &open, bool stacked, QSize room)
{
    QList<int> least, most;
    for (const QMdiSubWindow *sub : open) {
        const SizeRange range = sizeRange(sub);
        least << (stacked ? range.least.height() : range.least.width());
        most << (stacked ? range.most.height() : range.most.width());
    }
    const QList<int> parts = shareOut(stacked ? room.height() : room.width(), least, most);
    int offset = 0;
    for (int i = 0; i < open.size(); ++i) {
        QMdiSubWindow *sub = open.at(i);
        if (sub->isMaximized())
            sub->showNormal();
        const SizeRange range = sizeRange(sub);
        const QSize across = room.expandedTo(range.least).boundedTo(range.most);
        const QSize size = stacked ? QSize(across.width(), parts.at(i)) : QSize(parts.at(i), across.height());
        sub->setGeometry(QRect(stacked ? QPoint(0, offset) : QPoint(offset, 0), size));
        offset += parts.at(i);
    }
    return offset;
}

} // namespace

void arrangeChildren(Arrangement arrangement)
{
    QMdiArea *area = mdiArea();
    if (!area)
        return;
    QList<QMdiSubWindow *> open, icons;
    for (QMdiSubWindow *sub : area->subWindowList(QMdiArea::StackingOrder)) {
        if (!sub->isVisible())
            continue;
        (sub->isMinimized() ? icons : open) << sub;
    }
    if (arrangement == Arrangement::ArrangeIcons) {
        arrangeIcons(icons, area->viewport()->size());
        return;
    }
    // The arrangement starts at the top-left corner of the area as it shows
    // with nothing scrolled, and takes the room the area has without scroll
    // bars: windows that fit it show without them.
    area->horizontalScrollBar()->setValue(0);
    area->verticalScrollBar()->setValue(0);
    QSize room = area->contentsRect().size();
    const int iconRows = arrangeIcons(icons, room);
    room.rheight() = qMax(1, room.height() - iconRows);
    if (arrangement == Arrangement::Cascade) {
        area->cascadeSubWindows();
        return;
    }
    if (open.isEmpty())
        return;
    const bool stacked = arrangement == Arrangement::TileHorizontally;
    // Tiles that need more room than the area has along the row make it
    // scroll that way; the scroll bar then takes its part of the room across.
    if (tile(open, stacked, room) > (stacked ? room.height() : room.width())) {
        const int bar = area->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, area);
        (stacked ? room.rwidth() : room.rheight()) -= bar;
        tile(open, stacked, room);
    }
}

void bringForward(QWidget *window)
{
    QWidget *frame = frameOf(window);
    frame->show();
    if (auto *sub = qobject_cast<QMdiSubWindow *>(frame); sub && mdiArea())
        mdiArea()->setActiveSubWindow(sub);
}

void unloadChild(QWidget *window)
{
    QWidget *frame = frameOf(window);
    frame->hide();
    frame->deleteLater();
    if (frame != window)
        window->deleteLater();
}

QMdiSubWindow *showAsChild(QWidget *window)
{
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (QMdiArea *area = mdiArea()) {
        QMdiSubWindow *sub = area->addSubWindow(window, window->windowFlags());
        sub->setAttribute(Qt::WA_DeleteOnClose);
        sub->show();
        window->show();
        return sub;
    }
    window->show();
    return nullptr;
}

} // namespace orb
