// Kills a process saving 5,000 friends through the list-file store, 200 times, at random moments
// spread over its first saves, and checks each time that the file holds exactly the old list or the
// new one and that the next save leaves no temporary behind. Prints the figures; exits 1 on any fault.

#include "savekillstress.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <cstdio>

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    QElapsedTimer total;
    total.start();
    SaveKillStress stress(QStringLiteral(LISTFILESAVER), 5000);
    if (!stress.prepare()) {
        std::fprintf(stderr, "stress_listfile: cannot save the list in a temporary folder\n");
        return 1;
    }
    const SaveKillStress::Figures figures = stress.run(200);
    std::printf("%s\n", qPrintable(SaveKillStress::summary(figures)));
    std::printf("%d kills fell while the new file was being written; a save of 5,000 friends takes %.1f ms; "
                "run time %.1f s\n",
                figures.midWrite, figures.saveMs, total.elapsed() / 1000.0);
    if (!figures.firstFault.isEmpty())
        std::fprintf(stderr, "stress_listfile: %s\n", qPrintable(figures.firstFault));
    const bool passed =
        figures.firstFault.isEmpty() && figures.kills == 200 && figures.torn == 0 && figures.strays == 0;
    return passed ? 0 : 1;
}
