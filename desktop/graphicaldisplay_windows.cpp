#include "graphicaldisplay.h"

bool GraphicalDisplay::available()
{
    return true;
}

QString GraphicalDisplay::missingText()
{
    return {};
}
