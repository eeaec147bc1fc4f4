#include "graphicaldisplay.h"

bool GraphicalDisplay::available()
{
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        if (!qEnvironmentVariableIsEmpty(name))
            return true;
    }
    return false;
}

QString GraphicalDisplay::missingText()
{
    return QStringLiteral("Fernwatch：找不到图形显示（没有设置 DISPLAY）；"
                          "要在没有桌面的机器上启动它，请运行：xvfb-run -a ./Fernwatch");
}
