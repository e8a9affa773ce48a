#pragma once
// The overall summary of an audit trail: takes the trail's lines (from the
// shared trail reader), cuts them into records the way the stock reader
// does, groups the records into events (same
// serial, same time stamp, same node; an event ends after the end-of-event
// timeout or at once for single-record types), has each record parsed as it
// arrives (recordparse.h), and counts each complete event into the totals.
// Distinct values (users, terminals, files, ...) are kept as 64-bit hashes.
// Memory is bounded whatever the input (the reader skips lines over 1 MiB):
// a trail that keeps too many events open at once or holds too many
// distinct values stops the scan with an overflow() instead of growing.

#include "auditstamp.h"
#include "dates.h"

#include <cstdint>
#include <ctime>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kvrreport {

// Open-addressing set of 64-bit hashes; only the count of distinct keys is
// ever needed.
class HashSet64
{
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

// Size of the stock reader's line buffer: longer lines are read in pieces.
constexpr size_t kMaxAuditMessageLength = 8970;
// The last second of the year 9999 (UTC): later time stamps are malformed,
// and so are those whose local time lies past the year 9999
// (kvrtools::lastAuditSecond()).
constexpr int64_t kLastSecond = 253402300799;
// At most this many distinct values (all kinds together) are counted.
constexpr size_t kMaxDistinctValues = 1500000;

class SummaryScanner
{
public:
    // Only records whose second lies in [startSec, endSec] are taken; use
    // INT64_MIN / INT64_MAX for an open side. eoeTimeout: end-of-event
    // timeout in seconds.
    SummaryScanner(int64_t startSec, int64_t endSec, long eoeTimeout);
    // Only records whose local time lies in `range` (-ts/-te) are taken.
    SummaryScanner(const kvrtools::LocalRange &range, long eoeTimeout);
    ~SummaryScanner();
    SummaryScanner(const SummaryScanner &) = delete;
    SummaryScanner &operator=(const SummaryScanner &) = delete;

    // Takes one line of the trail, without its newline. Events may continue
    // from one file into the next.
    void addTrailLine(std::string_view line);
    // Completes and counts every event still being assembled.
    void finish();

    const SummaryFigures &figures() const { return figures_; }
    // Earliest and latest time stamps of all well-formed records, whether
    // or not they lie in the selected range.
    bool hasRecords() const { return hasRecords_; }
    Stamp firstStamp() const { return first_; }
    Stamp lastStamp() const { return last_; }
    // Why the scan stopped early (the figures are then incomplete and must
    // not be shown): more distinct values than kMaxDistinctValues, or more
    // events open at once than fit the memory bound.
    enum class Overflow { None, TooManyValues, TooManyOpenEvents };
    Overflow overflow() const { return overflow_; }
    // Most bytes the events being assembled held at one time (estimate).
    size_t peakPendingBytes() const { return peakPendingBytes_; }

private:
    struct Event;
    using EventList = std::list<Event>;

    // Cuts a line into pieces as the stock reader does.
    void addPieces(const char *line, size_t len);
    // One piece of input as the stock reader sees it (at most 8969 bytes,
    // ending with its newline if it has one).
    void addLine(const char *line, size_t len);

    void completeDue(int64_t sec);
    void completeEvent(EventList::iterator it);
    void countEvent(const Event &ev);

    int64_t startSec_, endSec_;
    kvrtools::LocalRange range_;
    long eoeTimeout_;
    // Events being assembled, oldest first, found by key and by time.
    EventList pending_;
    std::unordered_multimap<uint64_t, EventList::iterator> byKey_;
    std::multimap<int64_t, EventList::iterator> bySecond_;
    size_t pendingBytes_ = 0, peakPendingBytes_ = 0;
    SummaryFigures figures_;
    bool hasRecords_ = false;
    Overflow overflow_ = Overflow::None;
    Stamp first_, last_;
    std::string line_;    // a line with its newline, as the stock reader sees it
    std::string scratch_; // a record's text, for the parser to scan in place
};

} // namespace kvrreport
