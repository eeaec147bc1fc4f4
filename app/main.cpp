#include "appicon.h"
#include "consolestream.h"
#include "form1.h"
#include "graphicaldisplay.h"
#include "historyexport.h"
#include "historystore.h"
#include "qtchinese.h"
#include "singleinstance.h"
#include "startoptions.h"
#include "terminationwatcher.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

namespace {

// A line on standard output; 1 when it could not be written.
int print(const QString& text)
{
    ConsoleStream out(ConsoleStream::Output);
    return out.write((text + u'\n').toUtf8()) >= 0 && out.finish() ? 0 : 1;
}

int runCommand(const StartOptions& options)
{
    if (!options.unknown.isEmpty()) {
        ConsoleStream::printError(options.unknownText());
        return 2;
    }
    switch (options.command) {
    case StartOptions::ExportHistory:
        return exportHistory(HistoryStore::pathFor(FriendListFile::defaultPath()));
    case StartOptions::Help:
        return print(StartOptions::usageText());
    case StartOptions::Version:
        return print(QStringLiteral("Fernwatch " FERNWATCH_VERSION));
    case StartOptions::ShowWindow:
        break;
    }
    return 2;
}

} // namespace

int main(int argc, char* argv[])
{
    // A command needs no display and claims no list: the export reads the history while the list's
    // Fernwatch may write it.
    if (StartOptions::asksForCommand(argc, argv)) {
        QCoreApplication core(argc, argv);
        return runCommand(StartOptions::parse(QCoreApplication::arguments()));
    }
    if (!GraphicalDisplay::available()) {
        ConsoleStream::printError(GraphicalDisplay::missingText());
        return 2;
    }

    QApplication app(argc, argv);
    const StartOptions options = StartOptions::parse(QCoreApplication::arguments());
    if (!options.unknown.isEmpty())
        return runCommand(options);
    installQtChinese(app);
    // One program per list: a later start for this folder brings the running one's window forward.
    SingleInstance instance(FriendListFile::defaultPath());
    if (const SingleInstance::Claim claim = instance.claim(); claim != SingleInstance::Claim::Keeper) {
        // Started from a launcher, the user sees no standard error.
        if (claim == SingleInstance::Claim::Unanswered)
            QMessageBox::warning(nullptr, QStringLiteral("Fernwatch"), SingleInstance::unansweredText);
        return claim == SingleInstance::Claim::Forwarded ? 0 : 1;
    }
    QApplication::setApplicationName(QStringLiteral("Fernwatch"));
    // The main window's close sequence ends the program itself, after the list is saved.
    QApplication::setQuitOnLastWindowClosed(false);

    Form1 form;
    form.setStartMinimized(options.minimized);
    QObject::connect(&form, &Form1::closed, &app, &QCoreApplication::exit);
    QObject::connect(&form, &Form1::closed, &instance, &SingleInstance::release); // the list is saved
    QObject::connect(&instance, &SingleInstance::showRequested, &form, &Form1::bringForward);
    QApplication::setWindowIcon(fernwatchIcon());

    TerminationWatcher terminationWatcher;
    QObject::connect(&terminationWatcher, &TerminationWatcher::terminationRequested, &form,
                     &Form1::closeForSystem);

    // The window's load runs inside the event loop, so that closing it during start-up ends the loop.
    QTimer::singleShot(0, &form, &Form1::load);
    return app.exec();
}
