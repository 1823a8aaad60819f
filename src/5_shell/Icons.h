#pragma once
// The program's pictures: the toolbar icons (from the desktop's icon theme
// when it has them, else drawn here), the program icon and the splash
// picture, all drawn by the program itself.

#include <QIcon>
#include <QPixmap>

namespace orb {

// Icon of the toolbar button at a 1-based position (null for the gaps).
QIcon toolButtonIcon(int index);
// The program's own icon: a panel with its alarm light inside an orbit.
QIcon programIcon();
// The splash picture, `side` pixels square.
QPixmap splashPicture(int side);

} // namespace orb
