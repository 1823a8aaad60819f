#include "MdiHost.h"

#include "OneInstance.h"

#include <QMdiArea>
#include <QMdiSubWindow>
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

// The minimised child windows in a row along the bottom of the area, from
// the left, wrapping upwards; returns the height the rows take.
int arrangeIcons(QMdiArea &area, const QList<QMdiSubWindow *> &icons)
{
    int x = 0, y = area.viewport()->height(), rowHeight = 0;
    for (QMdiSubWindow *sub : icons) {
        const QSize size = sub->size();
        if (x > 0 && x + size.width() > area.viewport()->width()) {
            x = 0;
            y -= rowHeight;
            rowHeight = 0;
        }
        rowHeight = qMax(rowHeight, size.height());
        sub->move(x, y - size.height());
        x += size.width();
    }
    return icons.isEmpty() ? 0 : area.viewport()->height() - (y - rowHeight);
}

// The size a child window's frame takes for a tile of `share`: no smaller
// than what the window needs to show all of it, and no bigger than the
// window can grow (a window of fixed size keeps its size).
QSize tileSize(QMdiSubWindow *sub, QSize share)
{
    const QWidget *window = sub->widget();
    if (!window)
        return share;
    const QMargins edges = sub->contentsMargins();
    const QSize frame(edges.left() + edges.right(), edges.top() + edges.bottom());
    const QSize least = window->minimumSizeHint().expandedTo(window->minimumSize()) + frame;
    QSize most = window->maximumSize();
    most = QSize(qMin(most.width(), QWIDGETSIZE_MAX - frame.width()), qMin(most.height(), QWIDGETSIZE_MAX - frame.height()))
           + frame;
    return share.expandedTo(least).boundedTo(most);
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
    const int iconRows = arrangeIcons(*area, icons);
    switch (arrangement) {
    case Arrangement::ArrangeIcons:
        return;
    case Arrangement::Cascade:
        area->cascadeSubWindows();
        arrangeIcons(*area, icons);
        return;
    case Arrangement::TileHorizontally:
    case Arrangement::TileVertically:
        break;
    }
    if (open.isEmpty())
        return;
    const bool stacked = arrangement == Arrangement::TileHorizontally;
    const int width = area->viewport()->width();
    const int height = qMax(1, area->viewport()->height() - iconRows);
    const int count = int(open.size());
    int offset = 0;   // where the next tile starts: below (or beside) the last
    for (int i = 0; i < count; ++i) {
        QMdiSubWindow *sub = open.at(i);
        if (sub->isMaximized())
            sub->showNormal();
        // A tile never cuts a window's controls off: it is at least as big
        // as what the window holds, and the area scrolls when the tiles
        // need more room than it has.
        const QSize share = stacked ? QSize(width, height * (i + 1) / count - height * i / count)
                                    : QSize(width * (i + 1) / count - width * i / count, height);
        const QSize size = tileSize(sub, share);
        sub->setGeometry(QRect(stacked ? QPoint(0, offset) : QPoint(offset, 0), size));
        offset += stacked ? size.height() : size.width();
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
