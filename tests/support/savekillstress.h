#pragma once

#include "friendlistmodel.h"

#include <QString>
#include <QTemporaryDir>

// Kills a process that saves the friend list over and over, at a random moment, and checks what each
// kill left: the list file must load and hold exactly the old list or exactly the new one, and the
// next save must leave nothing in the folder but the list file.
//
// The saver (listfilesaver) alternates between the two lists, so that every moment of its loop lies
// inside some save; the kills are spread over the first few saves.
class SaveKillStress
{
public:
    struct Figures
    {
        int kills = 0;
        int intact = 0;
        int torn = 0;
        int strays = 0;     // files beside the list that the next save left in place
        int midWrite = 0;   // kills that left a save's temporary behind
        double saveMs = 0;  // one save of the list, as timed here
        QString firstFault; // what went wrong first, for the report
    };

    // The two lists the saver alternates between: `count` friends each, every number and nickname
    // different from the other list's, with nicknames that need quoting among them.
    static void fill(FriendListModel& list, int count, bool newList);

    SaveKillStress(const QString& saverExecutable, int friendCount);

    // Saves the old list in a fresh folder and times a save; false when that cannot be done.
    bool prepare();
    Figures run(int kills);
    // Starts `savers` savers at once, each saving `saves` times; what went wrong, or an empty text.
    QString saveConcurrently(int savers, int saves);
    // "intact", "torn: ...", "missing" for the list file as it is now.
    QString listState() const;
    // Names in the folder besides the list file.
    QStringList strays() const;

    QString listPath() const { return m_dir.filePath(QStringLiteral("QQlist.cfg")); }
    static QString summary(const Figures& figures);

private:
    QString m_saver;
    int m_friendCount;
    QTemporaryDir m_dir;
    FriendListModel m_lists[2]; // old, new
    double m_saveMs = 0;
};
