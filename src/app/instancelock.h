#pragma once
// Who holds the single-instance lock file of a data directory, and taking
// over one that nobody holds any more. A power cut can leave the file empty
// or half written; a killed window leaves it whole. Neither may keep every
// later window from starting.

#include <QString>

namespace instancelock {

enum class State {
    Absent,    // no lock file
    Held,      // a live process holds it (kernel lock, or its pid runs our program here)
    Stale,     // nobody holds it: empty, unreadable text, or its process is gone
    OtherHost, // written on another host, whose window may still be running
    NotAFile,  // a link, a directory, a pipe ...: never opened nor removed
};

struct Inspection {
    State state = State::Absent;
    QString host; // the host named in the file, for OtherHost
    qint64 pid = 0;
};

// What the lock file at `path` is. Links are not followed.
Inspection inspect(const QString &path);

// Removes the lock file when inspect() would find it Stale, or OtherHost with
// `otherHostToo`, holding a kernel lock on it meanwhile so that a window
// starting at the same moment cannot have taken it. True when it was removed.
bool removeUnheld(const QString &path, bool otherHostToo);

// A kernel lock on a directory for as long as it lives, so that windows
// starting at once take over a stale lock one after the other. Does nothing
// when the directory cannot be opened.
class DirectoryGuard
{
public:
    explicit DirectoryGuard(const QString &dir);
    ~DirectoryGuard();
    DirectoryGuard(const DirectoryGuard &) = delete;
    DirectoryGuard &operator=(const DirectoryGuard &) = delete;

private:
    int fd = -1;
};

} // namespace instancelock
