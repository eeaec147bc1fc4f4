#pragma once

#include "failure.h"

#include <QString>

// A failure in the user's words: Chinese, followed by the system's own words in brackets where they are
// Chinese too. Every reason the program gives for a file, the list, the history or the autostart entry
// is made here.
class FailureText
{
public:
    // Why the list file could not be read or saved.
    static QString ofListFile(const Failure& failure);
    // Why the history is off or held, or what became of a damaged file.
    static QString ofHistory(const Failure& failure);
    // Why the autostart entry could not be written or removed.
    static QString ofAutostart(const Failure& failure);
    // Why a file could not be written, from errno's number.
    static QString ofWrite(int errorNumber, const QString& words);

private:
    // The system's words in brackets; nothing where they are English (a system in English, words that Qt
    // has no translation of), as every reason the user reads is Chinese.
    static QString systemWords(const QString& words);
};
