#pragma once

#include "inienv.h"
#include "storedlist.h"

#include <QString>

// Keeps the friend list between runs: section "MEUserData" holds the count under "Incout", and
// sections "1".."n" hold each friend's number under "Imis1" and nickname under "Imis2". Two keys are
// there only once the user has used what they keep: a friend's reminder marks, "Imis3" for coming online
// and "Imis4" for going offline ("1" marked), and the minutes between automatic checks, "Inauto" in
// "MEUserData". Absent, they mean off.
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
    // What the file keeps; false when no count is stored (then `list` holds no friend, only the interval).
    bool load(StoredList* list) const;
    // Writes the list in one atomic commit; false when the file could not be written, with why in failure().
    bool save(const StoredList& list);

    QString filePath() const { return m_store.filePath(); }
    // Why the last save failed; none when it did not.
    Failure failure() const { return m_store.failure(); }

private:
    void writeIfUsed(const QString& section, const QString& key, int value);

    IniEnv m_store;
};
