#pragma once
// The program file that -f names, and how an event is tested against it:
// path normalisation, the merged-/usr twin (/bin/X is /usr/bin/X), the raw
// byte needles that let the search pass over events that cannot concern
// the program before taking any of them apart, and the test itself.

#include "recordline.h"

#include <string>
#include <string_view>
#include <vector>

namespace kvrtools {

// Merged-/usr twin of an absolute path: /bin/X <-> /usr/bin/X,
// /sbin/X <-> /usr/sbin/X, /lib/X <-> /usr/lib/X; empty when there is none.
std::string mergedUsrTwin(const std::string &path);

// `name` joined with `cwd` when relative, with ".", ".." and repeated
// slashes resolved lexically. Empty when a relative name has no cwd.
std::string normalisePath(const std::string &name, const std::string &cwd);

class ProgramTarget
{
public:
    ProgramTarget() = default;
    // `path`: absolute and normalised (empty: no program filter).
    explicit ProgramTarget(const std::string &path);

    bool empty() const { return targets_[0].empty(); }
    // True when the path (absolute, or relative to `cwd`) is the program.
    bool isTarget(const std::string &path) const;
    bool isTargetValue(std::string_view rawValue) const; // exe= as in the trail

    // True when a raw line may belong to an event that concerns the program:
    // it holds the file's base name, plain or hex-encoded (in upper case,
    // as the kernel and the user-space tools write it), or, for sudo, a
    // USER_CMD record. Lines of events none of whose
    // lines passes this test are never taken apart.
    bool mayConcern(std::string_view line) const;
    // The byte strings mayConcern() looks for (empty: every line may).
    const std::vector<std::string> &needles() const { return needles_; }

    // True when one of the event's records names the program: an exe= that
    // is the file, a PATH record's name= that is the file (relative names
    // joined with the event's working directory), or, for sudo, a USER_CMD
    // record without exe= (older sudo writes it so).
    bool concerns(const std::vector<RecordLine> &records) const;

    // True when the program is sudo (a USER_CMD record without exe= is its).
    bool isSudo() const { return sudo_; }

private:
    std::string targets_[2];
    std::vector<std::string> needles_;
    bool sudo_ = false;
};

// The working directory of an event: its CWD record, else any cwd= field.
std::string eventCwd(const std::vector<RecordLine> &records);

} // namespace kvrtools
