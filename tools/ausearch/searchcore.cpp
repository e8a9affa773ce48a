// The search pipeline: read, group, select, sort, form runs, print (see
// searchcore.h).
#include "searchcore.h"

#include "auditstamp.h"
#include "eventassembler.h"
#include "eventsort.h"
#include "formatter.h"
#include "programpath.h"
#include "runs.h"
#include "runsfile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_set>

namespace kvrtools {

namespace {

constexpr size_t kFlushAt = 1 << 20;

// Splits an event's text into parsed records; false when none parses.
bool parseEvent(std::string_view text, std::vector<RecordLine> &records, bool withFields)
{
    size_t n = 0;
    while (!text.empty()) {
        const size_t nl = text.find('\n');
        const std::string_view line = text.substr(0, nl);
        text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
        if (records.size() <= n)
            records.emplace_back();
        // The records of an event mostly share their stamp's text.
        const StampHint hint =
            n ? StampHint{records[n - 1].stampText, records[n - 1].stamp} : StampHint();
        const StampHint *known = n ? &hint : nullptr;
        if (withFields ? records[n].parse(line, known) : records[n].parseHeader(line, false, known))
            ++n;
    }
    records.resize(n);
    return n > 0;
}

// The text "SEC.MMM:SERIAL" of the line's first "msg=audit(...)"; false
// when the line has none.
constexpr std::string_view kStampMarker = "msg=audit(";
bool stampKey(std::string_view line, std::string_view *key)
{
    size_t at = line.find(kStampMarker);
    if (at == std::string_view::npos)
        return false;
    const size_t from = at + kStampMarker.size();
    const size_t to = line.find(')', from);
    if (to == std::string_view::npos)
        return false;
    *key = line.substr(from, to - from);
    return true;
}

// A hash of the line's node and its stamp key (FNV-1a), the same for every
// record of one event.
uint64_t eventKeyHash(std::string_view line, std::string_view key)
{
    uint64_t h = 1469598103934665603ull;
    auto mix = [&h](std::string_view s) {
        for (unsigned char c : s)
            h = (h ^ c) * 1099511628211ull;
    };
    if (line.substr(0, 5) == "node=")
        mix(line.substr(5, line.find(' ') - 5));
    mix("|");
    mix(key);
    return h;
}

bool eventKeyHash(std::string_view line, uint64_t *hash)
{
    std::string_view key;
    if (!stampKey(line, &key))
        return false;
    *hash = eventKeyHash(line, key);
    return true;
}

// The earliest and the latest stamp of the trail's records, taken from each
// line's stamp key (stampKey()) by the event assembler's rule for a record:
// "[node=NAME ]type=TYPE msg=audit(SEC.MMM:SERIAL)", read as
// parseAuditStamp() reads it. A key whose SEC.MMM lies within the span found
// so far cannot widen it, whatever the rest of its line: it is compared as
// text and read no further, so that mostly only the first line of each new
// latest event is read.
class RecordSpan
{
public:
    void line(std::string_view text, std::string_view key)
    {
        // Most lines carry the stamp of the latest record so far (the rest
        // of its event, in a trail written in time order).
        if (!lastText_.empty() && key.size() > lastText_.size() && key[lastText_.size()] == ':'
            && key.substr(0, lastText_.size()) == lastText_)
            return;
        const std::string_view at = secMilli(key);
        if (within(at) || !inPlace(text, key))
            return;
        const int64_t ms = keyMs(key);
        if (ms < 0)
            return;
        if (ms < first_) {
            first_ = ms;
            firstText_.assign(at);
        }
        if (ms > last_) {
            last_ = ms;
            lastText_.assign(at);
        }
    }
    // A record the event assembler took (when the lines do not go through
    // line() instead).
    void note(int64_t ms)
    {
        first_ = std::min(first_, ms);
        last_ = std::max(last_, ms);
    }
    void into(SearchResult &result) const
    {
        result.spanned = first_ <= last_;
        result.firstMs = result.spanned ? first_ : 0;
        result.lastMs = result.spanned ? last_ : 0;
    }

private:
    // The key's SEC.MMM without leading zeros (one kept before the dot);
    // empty when the key has no dot followed by three characters.
    static std::string_view secMilli(std::string_view key)
    {
        const size_t dot = key.find('.');
        if (dot == std::string_view::npos || dot + 4 > key.size())
            return {};
        size_t from = 0;
        while (from + 1 < dot && key[from] == '0')
            ++from;
        return key.substr(from, dot + 4 - from);
    }
    // Numeric order of two SEC.MMM texts without leading zeros (a longer
    // one is later), for texts of digits; others are never within a span.
    static bool notAfter(std::string_view a, std::string_view b)
    {
        return a.size() != b.size() ? a.size() < b.size() : a <= b;
    }
    bool within(std::string_view at) const
    {
        return !at.empty() && first_ <= last_ && notAfter(firstText_, at)
            && notAfter(at, lastText_);
    }
    // True when the key's "msg=audit(" follows "type=TYPE " (TYPE not
    // empty) at the start of the line or after "node=NAME ".
    static bool inPlace(std::string_view text, std::string_view key)
    {
        const size_t at = size_t(key.data() - text.data()) - kStampMarker.size();
        size_t from = 0;
        if (text.substr(0, 5) == "node=") {
            from = text.find(' ');
            if (from == std::string_view::npos)
                return false;
            ++from;
        }
        if (text.substr(from, 5) != "type=")
            return false;
        const size_t blank = text.find(' ', from);
        return blank != std::string_view::npos && blank > from + 5 && blank + 1 == at;
    }
    // SEC.MMM:SERIAL in epoch milliseconds, -1 when parseAuditStamp() would
    // refuse it (malformed, overflowing or out of range).
    int64_t keyMs(std::string_view key) const
    {
        auto digit = [](char c) { return c >= '0' && c <= '9'; };
        size_t p = 0;
        int64_t sec = 0;
        for (; p < key.size() && digit(key[p]); ++p) {
            sec = sec * 10 + (key[p] - '0');
            if (sec > kLastAuditSecond)
                return -1;
        }
        if (p == 0 || sec > lastSecond_ || p + 5 >= key.size() || key[p] != '.'
            || !digit(key[p + 1]) || !digit(key[p + 2]) || !digit(key[p + 3]) || key[p + 4] != ':')
            return -1;
        const int64_t milli =
            (key[p + 1] - '0') * 100 + (key[p + 2] - '0') * 10 + (key[p + 3] - '0');
        uint64_t serial = 0;
        for (p += 5; p < key.size(); ++p) {
            if (!digit(key[p]))
                return -1;
            const unsigned d = unsigned(key[p] - '0');
            if (serial > (UINT64_MAX - d) / 10)
                return -1;
            serial = serial * 10 + d;
        }
        return sec * 1000 + milli;
    }

    const int64_t lastSecond_ = lastAuditSecond();
    std::string firstText_, lastText_; // SEC.MMM of first_ and last_ from the prefilter's lines
    int64_t first_ = INT64_MAX, last_ = INT64_MIN;
};

// Sorted events handed from the reading thread to the printing thread, a
// few batches at most, so memory stays bounded.
struct Batch {
    // An event: `len` bytes at `data`, text the sorter keeps until the end,
    // or (data null) at `at` in `copies`, for text the sorter reuses.
    struct Item {
        const char *data;
        size_t at, len;
    };
    std::vector<Item> items;
    std::string copies;
    size_t bytes = 0;
};

class BatchQueue
{
public:
    explicit BatchQueue(size_t limit)
    {
        for (size_t i = 0; i < limit; ++i)
            free_.push_back(std::make_unique<Batch>());
    }
    std::unique_ptr<Batch> takeFree() { return take(free_); }
    void giveBack(std::unique_ptr<Batch> b)
    {
        b->items.clear();
        b->copies.clear();
        b->bytes = 0;
        put(free_, std::move(b));
    }
    void push(std::unique_ptr<Batch> b) { put(full_, std::move(b)); } // nullptr: no more
    std::unique_ptr<Batch> pop() { return take(full_); }

private:
    using Queue = std::deque<std::unique_ptr<Batch>>;
    // The first batch of `queue`, once there is one.
    std::unique_ptr<Batch> take(Queue &queue)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&queue] { return !queue.empty(); });
        auto b = std::move(queue.front());
        queue.pop_front();
        return b;
    }
    void put(Queue &queue, std::unique_ptr<Batch> b)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue.push_back(std::move(b));
        changed_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    Queue free_, full_;
};

} // namespace

SearchResult runSearch(TrailReader &reader, const SearchOptions &options,
                       const std::function<void(std::string &)> &flush, RunsFile *runsFile)
{
    SearchResult result;
    const ProgramTarget target(options.file);
    EventAssembler assembler;
    EventSorter sorter;
    std::vector<RecordLine> records;
    AssembledEvent event;
    // An event whose records lie next to each other in a file the reader
    // keeps open is not copied into the sort: its text is read there again
    // when it is printed.
    sorter.setFetch([&reader](const EventPlace &place, size_t size, std::string_view *bytes,
                              std::string *error) {
        if (reader.fetch(place.file, place.offset, size, bytes))
            return true;
        *error = reader.error();
        return false;
    });
    auto sortFailed = [&result, &sorter] {
        result.failed = true;
        result.sortFailed = !sorter.trailFailed();
        result.noDescriptors = sorter.errorNumber() == EMFILE || sorter.errorNumber() == ENFILE;
        if (result.error.empty())
            result.error = sorter.error();
    };

    // Selection: the date range, then (-f) the raw-byte test, then the
    // program test on the records of the events that passed it.
    auto select = [&](AssembledEvent &e) {
        const int64_t ms = e.stamp.ms();
        if (!options.range.contains(ms))
            return;
        if (!target.empty()) {
            if (!e.marked || !parseEvent(e.text, records, true) || !target.concerns(records))
                return;
        }
        const EventPlace place{e.file, e.offset};
        const bool placed = e.whole && reader.keeps(e.file);
        if (!sorter.add(ms, e.stamp.serial, e.text, placed ? &place : nullptr))
            sortFailed();
    };
    // With -f, a first pass over the raw bytes finds the lines that hold the
    // program's name and notes their events; the second pass groups only
    // those events' records. Without -f every line is taken.
    // The set of wanted events is bounded (a short name such as "cp" may be
    // in most lines): past kMaxWanted the first pass is given up and every
    // line is grouped, as without -f.
    static constexpr size_t kMaxWanted = 500000;
    bool prefilter = !target.empty() && !target.needles().empty();
    std::unordered_set<uint64_t> wanted;
    if (prefilter) {
        bool tooMany = false;
        reader.scanFor(target.needles(), [&wanted, &tooMany](std::string_view line) {
            uint64_t h;
            if (!tooMany && eventKeyHash(line, &h)) {
                wanted.insert(h);
                tooMany = wanted.size() > kMaxWanted;
            }
        });
        if (tooMany) {
            prefilter = false;
            std::unordered_set<uint64_t>().swap(wanted);
        }
    }
    // The runs file's trailer gives the span of every record read.
    const bool spanning = runsFile != nullptr;
    RecordSpan span;
    std::string_view line;
    while (!result.failed && !reader.failed() && reader.next(&line) == TrailRead::Line) {
        if (prefilter) {
            std::string_view key;
            if (!stampKey(line, &key))
                continue;
            if (spanning)
                span.line(line, key);
            if (wanted.empty() || !wanted.count(eventKeyHash(line, key)))
                continue;
        }
        // A hash collision only brings an event to the program test, which
        // then turns it down.
        if (assembler.add(line, prefilter || (!target.empty() && target.mayConcern(line)),
                          reader.spot())
            && spanning && !prefilter)
            span.note(assembler.lastStamp().ms());
        while (assembler.takeComplete(&event))
            select(event);
    }
    span.into(result);
    if (reader.failed()) {
        result.failed = true;
        result.noDescriptors = reader.outOfDescriptors();
        result.error = reader.error();
        return result;
    }
    assembler.finish();
    while (!result.failed && assembler.takeComplete(&event))
        select(event);
    if (result.failed || !sorter.finish()) {
        sortFailed();
        return result;
    }

    // Printing: this thread reads the sorted events into batches, a second
    // one takes them apart, forms runs, formats and hands the text to
    // `flush`, in the same order.
    static constexpr size_t kBatchBytes = 1 << 20;
    BatchQueue queue(4);
    size_t printed = 0, runCount = 0;
    std::map<std::string, size_t, std::less<>> perDay;
    std::thread printer([&] {
        Formatter formatter;
        RunTracker runs(target);
        std::vector<RecordLine> parsed;
        std::string out, unprinted;
        const bool tracking = runsFile && !target.empty();
        out.reserve(kFlushAt + 64 * 1024);
        // Events come in time order: most fall on the day of the one before.
        size_t *dayCount = nullptr;
        std::string_view lastDay;
        while (std::unique_ptr<Batch> b = queue.pop()) {
            for (const Batch::Item &item : b->items) {
                const std::string_view text(item.data ? item.data : b->copies.data() + item.at,
                                            item.len);
                ++printed;
                if (!options.interpret)
                    Formatter::raw(text, out);
                // The runs file needs the runs and their users in raw output too.
                if ((options.interpret || tracking) && parseEvent(text, parsed, true)) {
                    RunPart part = RunPart::Starts;
                    if (!target.empty())
                        part = runs.classify(parsed);
                    const bool withUser = part == RunPart::Starts;
                    if (options.interpret)
                        runCount += withUser;
                    formatter.interpreted(parsed, withUser, options.interpret ? out : unprinted);
                    if (runsFile && options.interpret && withUser) {
                        if (!dayCount || formatter.day() != lastDay) {
                            auto it = perDay.try_emplace(std::string(formatter.day())).first;
                            dayCount = &it->second;
                            lastDay = it->first;
                        }
                        ++*dayCount;
                    }
                    if (tracking)
                        runsFile->add(runs, part, parsed, formatter.userWord());
                    unprinted.clear();
                }
                if (out.size() >= kFlushAt) {
                    flush(out);
                    out.clear();
                }
            }
            queue.giveBack(std::move(b));
        }
        if (!out.empty())
            flush(out);
        if (runsFile)
            runsFile->finish();
    });
    std::unique_ptr<Batch> batch = queue.takeFree();
    std::string_view text;
    bool lasting = false;
    while (sorter.next(&text, &lasting)) {
        if (lasting) {
            batch->items.push_back({text.data(), 0, text.size()});
        } else {
            batch->items.push_back({nullptr, batch->copies.size(), text.size()});
            batch->copies.append(text);
        }
        batch->bytes += text.size();
        if (batch->bytes >= kBatchBytes) {
            queue.push(std::move(batch));
            batch = queue.takeFree();
        }
    }
    if (!batch->items.empty())
        queue.push(std::move(batch));
    queue.push(nullptr);
    printer.join();
    result.events = printed;
    result.runs = runCount;
    result.runsPerDay.assign(perDay.begin(), perDay.end());
    if (sorter.failed())
        sortFailed();
    return result;
}

size_t searchBytes(const char *data, size_t size, const SearchOptions &options, std::string *out,
                   size_t *runs)
{
    out->clear();
    TrailReader reader;
    reader.openBytes(std::string_view(data, size));
    const SearchResult r =
        runSearch(reader, options, [out](std::string &chunk) { out->append(chunk); });
    if (runs)
        *runs = r.runs;
    return r.events;
}

} // namespace kvrtools
