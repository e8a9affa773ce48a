#pragma once
// Whether the data directory and its working files are safe to write as root.
// The working files are written through shell redirections, which follow
// symbolic links: a working file linked to /etc/shadow, or a data directory
// linked to /etc, would have root overwrite or fill what the link points at.
// A directory that others can write into lets them plant such links, and
// a parent folder that others can write into lets them rename the checked
// directory away and put their own in its place.

#include <QString>
#include <QStringList>

#include <sys/types.h>

namespace datadirsafety {

enum class Problem {
    None,
    DirIsSymlink,        // the directory itself is a symbolic link
    NotADirectory,       // the path is something else than a directory
    DirWritableByOthers, // group or others may write into it
    DirForeignOwner,     // owned by another user than root or the running user
    FileIsSymlink,       // a working file is a symbolic link
    FileNotRegular,      // a working file is a directory, a pipe, a device ...
    FileHardLinked,      // a working file has another name elsewhere
    ParentIsSymlink,     // a folder above the directory is a symbolic link
    ParentWritable,      // a folder above it is writable by group or others, not sticky
    ParentForeignOwner,  // a folder above it is owned by another user than root or the
                         // running user
};

struct Verdict {
    Problem problem = Problem::None;
    QString path; // the directory, the folder above it or the working file concerned
    bool safe() const { return problem == Problem::None; }
};

// The working files of the data directory (the lock file included).
QStringList workingFileNames();

// Checks `dir` (a trailing "/" is allowed; a relative one is taken from the
// current directory) for a program running as `uid`. Every folder from "/"
// down to it, as written, must be a real directory, not a link, owned by root
// or `uid`, and not writable by group or others unless it has the sticky bit
// (then only root and `uid` could rename what lies under it, as they own the
// next folder). The directory is made when missing (mode 0755; one that
// cannot be made passes, as nothing can be written into it), then must be a
// real directory, not a link, not writable by group or others, and owned by
// root or `uid`; every working file present must be a regular file that is
// not a link and has no other name.
Verdict check(const QString &dir, uid_t uid);

} // namespace datadirsafety
