#pragma once
// The runs file: one line per run of the -f program (runs.h), written in the
// same pass as the search's output when KVR_AUDITREPORT_RUNS names a path,
// so that the window can say what each counted run was and how it ended.
//
//   # kvr-auditreport runs 1
//   TIME<TAB>SERIAL<TAB>NODE<TAB>LOGIN<TAB>ACTING<TAB>TERMINAL<TAB>RESULT<TAB>COMMAND
//
//   # file PATH
//   # span FIRST LAST
//   # day YYYY-MM-DD N
//
// one line per run, in the order of the runs' "用户id:" lines:
//  - TIME SEC.MMM and SERIAL of the run's first event (its audit event id);
//  - NODE its node= name, "-" when its records carry none;
//  - LOGIN exactly the word the search printed after "用户id:" for the run;
//  - ACTING whom the program ran as: sudo its target account (the acct= of
//    its credential and session records), su the account it switches to,
//    any other program the uid of its exec (else of the run's first record
//    with one), named as the login user is; "-" when the trail does not say;
//  - TERMINAL the first tty=/terminal= of the run, else its remote host or
//    address, "-" when none;
//  - RESULT "failed" when the run was an exec that failed (the file was
//    found, so it counts), "refused" when the program's own records deny
//    the request (a USER_CMD, authentication, account check or account
//    change record with res=failed that no later record of the same type
//    made good: sudo's refusals, a wrong password for su), else "success";
//  - COMMAND sudo's command line (cmd=), su's target account, for any other
//    program (and for these two when their records lack it) the arguments
//    of its exec (EXECVE) joined by blanks; "-" when none.
// Every field goes through appendSafe() (NODE, LOGIN, ACTING and TERMINAL as
// words, COMMAND with its blanks), so no field holds a tab or a line end.
// The trailer follows the runs: one "# file" line per trail file in reading
// order (PATH through appendSafe() with its blanks), then "# span" with the
// SEC.MMM stamps of the earliest and the latest record read, selected or
// not (left out when no record was read), then one "# day YYYY-MM-DD N"
// line per local day, in day order, with the number of "用户id:" lines the
// output holds on that day (what the per-user figures count; with any -f,
// and without it too, where every event is counted).
//
// The first line is written last: until the search has ended well the file
// starts with kUnfinished, a line as long as the header that no reader takes
// for one, so a search that fails or is stopped half-way never leaves a file
// that reads as complete.
//
// A run's outcome may show only in a later event of its process (sudo's
// USER_CMD follows its exec), so a line is written once its run is done:
// its process left it (RunTracker::ended()), the search moved an hour past
// its last event, or the search ended. Lines wait for the runs before them;
// when the waiting lines hold more than kMaxPendingBytes, the oldest is
// written as it stands.
//
//   RunsFile runs("/usr/bin/sudo");
//   if (!runs.open(path, &error)) fail(error);
//   for each event: runs.add(tracker, part, records, userWord);
//   runs.finish();
//   if (!runs.complete(trailFiles, span, runsPerDay)) fail(runs.error());

#include "recordline.h"
#include "runs.h"
#include "toolcommon.h"

#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kvrtools {

class RunsFile
{
public:
    static constexpr size_t kMaxPendingBytes = 16u << 20;
    static constexpr int64_t kSettleMs = 3600 * 1000;
    static constexpr std::string_view kHeader = "# kvr-auditreport runs 1\n";
    static constexpr std::string_view kUnfinished = "# kvr-auditreport runs ?\n";
    static_assert(kHeader.size() == kUnfinished.size());

    // `program`: the normalised -f path (empty: no program, no runs).
    explicit RunsFile(const std::string &program);
    ~RunsFile();
    RunsFile(const RunsFile &) = delete;
    RunsFile &operator=(const RunsFile &) = delete;

    // Creates or truncates `path` (never through a symbolic link, never a
    // file with other names or one that is not a regular file), mode 0600,
    // and writes kUnfinished. False with a reason in `error`.
    bool open(const std::string &path, std::string *error);
    // An event the tracker has just classified as `part`; `loginUser` is the
    // word printed after "用户id:" when the event started a run.
    void add(const RunTracker &tracker, RunPart part, const std::vector<RecordLine> &records,
             std::string_view loginUser);
    // Writes the runs still waiting. False when any write failed (see
    // error()).
    bool finish();
    // Writes the trailer (`span`: the first and the last record's stamps in
    // epoch milliseconds, none when no record was read; `runsPerDay`: the
    // days in order with their "用户id:" lines), then the header over
    // kUnfinished, and closes the file. False when any write failed.
    bool complete(const std::vector<std::string> &trailFiles,
                  std::optional<std::pair<int64_t, int64_t>> span,
                  const std::vector<std::pair<std::string, size_t>> &runsPerDay);
    const std::string &error() const { return error_; }

private:
    struct Run;
    void absorb(Run &run, const std::vector<RecordLine> &records);
    void writeSettled(int64_t nowMs);
    void writeLine(const Run &run);
    void flushBuffer();
    void fail(const char *what, int err);

    enum class Kind { Other, Sudo, Su } kind_ = Kind::Other;
    int fd_ = -1;
    std::string path_, buffer_, error_;
    std::deque<Run> pending_; // runs pending_.front().id, +1, ... in order
    uint64_t written_ = 0;    // runs before this number are written
    size_t pendingBytes_ = 0;
    IdNames names_;
    EnrichedNames enriched_;
};

} // namespace kvrtools
