#include "AppState.h"

namespace orb {

AppState &appState()
{
    static AppState state;
    return state;
}

} // namespace orb
