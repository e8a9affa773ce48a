#pragma once
// Writing a file that root chose in a folder another user may own, without
// ever writing through what sits at its name: the folder is opened once
// (not through a link), the text goes into a fresh temporary file beside the
// name, and that file is renamed over the name. A link, or a link swapped in
// after the check, is replaced, never followed; a pipe, a device, a socket or
// a folder at the name is refused. A failure leaves nothing behind and the
// old file as it was.

#include <QString>

#include <functional>
#include <optional>

#include <sys/types.h>

namespace safefile {

enum class Problem {
    None,
    FolderMissing,    // the folder does not exist or is no folder
    FolderIsLink,     // the folder is a symbolic link
    FolderUnusable,   // the folder cannot be opened (error)
    NotAFileName,     // the path names no file ("dir/", ".", "..")
    NameIsDirectory,  // a folder sits at the name
    NameNotRegular,   // a pipe, a device or a socket sits at the name
    SourceUnreadable, // what is to be written cannot be read (path, error)
    ProgramFailed,    // the program that writes the text failed (exit status or signal)
    Incomplete,       // the file does not hold the whole text (disk full, size limit)
    WriteFailed,      // the temporary file could not be made or written (error)
    ReplaceFailed,    // the temporary file could not take the name (error)
};

struct Failure {
    Problem problem = Problem::None;
    QString path;  // the folder, the name or the source concerned
    int error = 0; // errno, or for ProgramFailed the exit status (a signal as 128+N)
};

// Fills the temporary file `fd` (open for reading and writing); returns a
// failure or Problem::None.
using Filler = std::function<Failure(int fd)>;

// Writes `target` through `fill` as described above. The file gets the mode a
// new file gets under the process umask (0644 under 022). When `owner` is set
// and owns the folder, the file is given to that user and the user's primary
// group; in any other folder it stays the running user's.
bool replace(const QString &target, const Filler &fill, std::optional<uid_t> owner,
             Failure *failure);

// Writes all of `bytes` to `fd`; WriteFailed with the error otherwise. Past the
// process's file-size limit it fails with EFBIG before writing, as the signal
// that limit sends would end the program.
Failure writeAll(int fd, const QByteArray &bytes, const QString &path);

// Whether `target` names an entry that replace() would replace: a regular
// file or a link (not followed).
bool wouldReplace(const QString &target);

// The user who started the program through pkexec or sudo: PKEXEC_UID, else
// SUDO_UID, when it holds a decimal uid.
std::optional<uid_t> requestingUser();

} // namespace safefile
