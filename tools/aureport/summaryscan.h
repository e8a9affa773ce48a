#pragma once
// The overall summary of an audit trail: reads raw or ENRICHED log lines,
// groups them into events the way the stock audit tools do (same serial,
// same time stamp, same node; an event ends after the end-of-event timeout
// or at once for single-record types), takes from each event the items the
// stock `aureport --summary` counts, and keeps the totals. Distinct values
// (users, terminals, files, ...) are kept as 64-bit hashes only, so memory
// stays small however large the trail is.

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

namespace kvrreport {

// Open-addressing set of 64-bit hashes; only the count of distinct keys is
// ever needed.
class HashSet64 {
public:
    void insert(uint64_t key);
    size_t size() const { return count_; }

private:
    void grow();
    std::vector<uint64_t> slots_;
    size_t count_ = 0;
    bool hasZero_ = false;
};

// The figures of the summary, in the stock tool's order.
struct SummaryFigures {
    uint64_t configChanges = 0;
    uint64_t accountChanges = 0;
    uint64_t logins = 0;
    uint64_t failedLogins = 0;
    uint64_t authentications = 0;
    uint64_t failedAuthentications = 0;
    HashSet64 users, terminals, hosts, executables, commands, files, keys, pids;
    uint64_t avcs = 0;
    uint64_t macEvents = 0;
    uint64_t failedSyscalls = 0;
    uint64_t anomalies = 0;
    uint64_t responses = 0;
    uint64_t crypto = 0;
    uint64_t integrity = 0;
    uint64_t virt = 0;
    uint64_t events = 0;
};

struct Stamp {
    int64_t sec = 0;
    unsigned milli = 0;
};

class SummaryScanner {
public:
    // startSec/endSec: only records whose second lies in [startSec, endSec]
    // are taken (0 = open). eoeTimeout: end-of-event timeout in seconds.
    SummaryScanner(int64_t startSec, int64_t endSec, long eoeTimeout);
    ~SummaryScanner();
    SummaryScanner(const SummaryScanner &) = delete;
    SummaryScanner &operator=(const SummaryScanner &) = delete;

    // Reads one log file to its end. `lastFile` completes every pending
    // event at the end (events may continue from one rotated file into the
    // next). Returns false on a read error (errno set).
    bool scanFile(std::FILE *in, bool lastFile);
    // Feeds one physical chunk of input as the stock reader sees it (at
    // most 8969 bytes, ending with its newline if it has one).
    void addLine(const char *line, size_t len);
    // Completes and counts every event still being assembled.
    void finish();

    const SummaryFigures &figures() const { return figures_; }
    // Earliest and latest time stamps of all well-formed records, whether
    // or not they lie in the selected range.
    bool hasRecords() const { return hasRecords_; }
    Stamp firstStamp() const { return first_; }
    Stamp lastStamp() const { return last_; }

private:
    struct Event;
    void checkEvents(int64_t sec);
    void completeEvent(size_t index);
    void countEvent(Event &ev);

    int64_t startSec_, endSec_;
    long eoeTimeout_;
    std::vector<Event *> building_;
    SummaryFigures figures_;
    bool hasRecords_ = false;
    Stamp first_, last_;
    std::string carry_; // a line split across two read buffers
};

// Size of the stock reader's line buffer: longer lines are read in pieces.
constexpr size_t kMaxAuditMessageLength = 8970;

} // namespace kvrreport
