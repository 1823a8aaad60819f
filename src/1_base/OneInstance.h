#pragma once
// The one instance of a kind of object the program keeps at a time (the
// main window, the serial host, each child window that exists once): a
// guarded pointer per type that empties itself when the object goes. And
// the one registered host of each interface the lower layers own.

#include <QPointer>

namespace orb {

template <typename T>
QPointer<T> &oneInstance()
{
    static QPointer<T> instance;
    return instance;
}

// The registered host of an interface H: what a lower layer reaches of the
// main window through H. The main window registers itself when it is made
// and withdraws when it goes (withdrawing a host that is not the registered
// one does nothing).
template <typename H>
H *&registeredHost()
{
    static H *host = nullptr;
    return host;
}

template <typename H>
void withdrawHost(H *host)
{
    if (registeredHost<H>() == host)
        registeredHost<H>() = nullptr;
}

} // namespace orb
