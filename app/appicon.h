#pragma once

#include <QIcon>

// The program's icon, in the sizes the windows and the desktop ask for; both windows carry it.
QIcon fernwatchIcon();
// The same, greyed: the tray's while no friend is online.
QIcon fernwatchIconNobodyOnline();
