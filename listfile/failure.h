#pragma once

#include <QString>

// Why a file or a store could not do what it was asked: what failed, the system's code and the system's
// own words. It holds no sentence for the user: those are Chinese, and made in one place (FailureText).
struct Failure
{
    enum class What
    {
        None,
        Unreadable,   // the file is there but could not be read
        NotAFile,     // a folder, a device or a pipe stands under the file's name
        ReadOnlyFile, // the file may not be written, so it is not replaced either
        Write,        // the new file could not be written or put in place
        Registry,     // the registry refused the change (code EACCES where that was for want of rights)
        NoDriver,     // Qt has no SQLite driver here
        Damaged,      // the database is damaged: `name` is what it was set aside as, empty where left be
        DamagedStuck, // the database is damaged and could not be set aside
        Locked,       // another program holds the database
        Full,         // the disk is full
        Unwritable,   // the database cannot be made or written in its folder
        Unopenable,   // the database cannot be opened to be read
        Database,     // any other fault of the database: `code` is SQLite's
    };

    Failure() = default;
    Failure(What what, int code = 0, const QString& words = QString(), const QString& name = QString())
        : what(what)
        , code(code)
        , words(words)
        , name(name)
    {}

    What what = What::None;
    // errno's number, or SQLite's primary code for the database's; 0 where the system gives none.
    int code = 0;
    QString words;
    QString name; // the file the failure names, where its sentence does

    explicit operator bool() const { return what != What::None; }
    bool operator==(const Failure& other) const
    {
        return what == other.what && code == other.code && words == other.words && name == other.name;
    }
    bool operator!=(const Failure& other) const { return !(*this == other); }
};
