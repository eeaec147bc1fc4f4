#pragma once

#include "inienv.h"

#include <QString>

class FriendListModel;

// Keeps the friend list between runs: section "MEUserData" holds the count under "Incout", and
// sections "1".."n" hold each friend's number under "Imis1" and nickname under "Imis2".
class FriendListFile
{
public:
    // A count beyond this is not a list anyone keeps; reading it as such would only exhaust memory.
    static constexpr int maximumCount = 1000000;

    // The list file beside the executable.
    static QString defaultPath();
    // The number of friends a stored count text stands for.
    static int countFromText(const QString& text);

    void open(const QString& path = defaultPath());
    // Appends the stored friends to `list`; false when no count is stored (the list is left alone).
    bool load(FriendListModel& list);
    // Writes every friend's number and nickname in one atomic commit; false when the file could not
    // be written, with the reason in failureReason().
    bool save(const FriendListModel& list);

    QString filePath() const { return m_store.filePath(); }
    // Why the last save failed, in the user's words, with the system's own text after it where there is one.
    QString failureReason() const;

private:
    IniEnv m_store;
};
