#include "appicon.h"
#include "form1.h"
#include "qtchinese.h"

#ifdef Q_OS_UNIX
#include "unixsignalwatcher.h"
#endif

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

// On X11 and Wayland desktops Qt needs a display; without one it would abort with a long message.
static bool displayAvailable()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    const auto isSet = [](const char* name) {
        const char* value = std::getenv(name);
        return value && *value;
    };
    return isSet("DISPLAY") || isSet("WAYLAND_DISPLAY") || isSet("QT_QPA_PLATFORM");
#else
    return true;
#endif
}

int main(int argc, char* argv[])
{
    if (!displayAvailable()) {
        std::fputs("Fernwatch: no display found (DISPLAY is not set); "
                   "to start it without a desktop, run: xvfb-run -a ./Fernwatch\n",
                   stderr);
        return 2;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Fernwatch"));
    installQtChinese(app);
    // The main window's close sequence ends the program itself, after the list is saved.
    QApplication::setQuitOnLastWindowClosed(false);

    Form1 form;
    QObject::connect(&form, &Form1::closed, &app, &QCoreApplication::exit);
    QApplication::setWindowIcon(fernwatchIcon());

#ifdef Q_OS_UNIX
    UnixSignalWatcher signalWatcher;
    QObject::connect(&signalWatcher, &UnixSignalWatcher::terminationRequested, &form, &Form1::closeForSystem);
#endif

    // The window's load runs inside the event loop, so that closing it during start-up ends the loop.
    QTimer::singleShot(0, &form, &Form1::load);
    return app.exec();
}
