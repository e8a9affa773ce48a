#pragma once
// Runs of the program that -f names. A run is one process that executed
// the program; the search prints one "用户id:" per run, on the first record
// line printed for it, so that the report pipelines count runs, not events.
//
// The rule, applied to the selected events in time order:
//  - a successful exec (execve/execveat, by the record's architecture) of
//    the program starts a run;
//  - a failed exec of the program is a run (an attempt) only when the file
//    was found: a PATH record naming it carries an inode; a failed look-up
//    (ENOENT, ENOTDIR) is no run;
//  - any other event whose exe= is the program (for sudo also a USER_CMD
//    record without exe=) belongs to the run of its process, the same node,
//    process id and session, when that process's last run is still going
//    on; otherwise, when its parent (ppid=) is in a run in the same session
//    it is a fork of that run (su's helpers before they exec) and belongs
//    to it; otherwise (no exec in the trail, the pid reused in another
//    session) it starts a run with its first record;
//  - an event that names the file without running it (another program's
//    exec, a PATH of another program) belongs to no run;
//  - a process whose last selected event ran another program leaves its
//    run: a reused pid starts a new one;
//  - an event none of whose records carries a session or a login uid (ses=,
//    auid=: a malformed record, such as a kernel module writes) neither
//    starts nor ends a run: it joins the run its process is in, if any, and
//    is otherwise no run.
//
// Runs are numbered from 0 in the order of their first events (the order of
// their "用户id:" lines). The tracker says which run each event started or
// joined, and which runs can take no further event: their process left them
// (it ran another program, or its pid was reused), or they were a single
// event (a failed exec, an event without a process id).

#include "programpath.h"
#include "recordline.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace kvrtools {

enum class RunPart {
    Starts, // the first event of a run: carries 用户id:
    Joins,  // a later event of a run already counted
    NoRun   // the event names the program but is no run of it
};

// The facts of one event that the rule needs.
struct ProcessFacts {
    std::string node, pid, ppid, ses;
    bool hasPid = false;
    bool hasSession = false;  // some record carries ses= or auid=
    bool isExec = false;      // a SYSCALL record of execve or execveat
    bool success = false;     // success=yes of that record
    bool runsTarget = false;  // its exe= is the program (sudo: USER_CMD)
    bool namesTarget = false; // a PATH record names the program
    bool foundTarget = false; // ... and carries an inode
};
ProcessFacts processFacts(const std::vector<RecordLine> &records, const ProgramTarget &target);

// True when the system call number `syscall` of architecture `arch` (the
// trail's hex AUDIT_ARCH value) is execve or execveat.
bool isExecSyscall(std::string_view arch, std::string_view syscall);

class RunTracker
{
public:
    explicit RunTracker(const ProgramTarget &target) : target_(target) {}
    // Feed the selected events in time order.
    RunPart classify(const std::vector<RecordLine> &records);
    // The run the last event started or joined (Starts, Joins).
    uint64_t run() const { return run_; }
    // The runs that the last event closed (it may be one of them).
    const std::vector<uint64_t> &ended() const { return ended_; }

private:
    struct Process {
        std::string ses;
        bool running = false;
        uint64_t run = 0;
        bool forked = false; // joined its parent's run: leaving it ends nothing
    };
    // Starts run number next_ in `p` (nullptr: a run of one event).
    RunPart start(Process *p, const std::string &ses);
    void leave(Process &p);

    const ProgramTarget &target_;
    std::map<std::string, Process> processes_; // by node and pid
    uint64_t next_ = 0, run_ = 0;
    std::vector<uint64_t> ended_;
};

} // namespace kvrtools
