#include "traywatcher.h"

std::optional<TrayWatcher::Tray> TrayWatcher::present() const
{
    for (Tray tray : {Tray::Current, Tray::Older})
        if (has(tray))
            return tray;
    return std::nullopt;
}
