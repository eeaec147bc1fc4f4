#pragma once

#include <QString>

// Whether the program can show its windows. On X11 and Wayland desktops Qt needs a display, and without one
// it would abort with a long message; Windows always has one.
class GraphicalDisplay
{
public:
    static bool available();
    // What the user is told when there is none.
    static QString missingText();
};
