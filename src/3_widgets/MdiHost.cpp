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
