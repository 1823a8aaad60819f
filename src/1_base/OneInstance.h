#pragma once
// The one instance of a kind of object the program keeps at a time (the
// main window, the serial host, each child window that exists once): a
// guarded pointer per type that empties itself when the object goes.

#include <QPointer>

namespace orb {

template <typename T>
QPointer<T> &oneInstance()
{
    static QPointer<T> instance;
    return instance;
}

} // namespace orb
