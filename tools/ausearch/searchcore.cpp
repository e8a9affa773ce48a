// The search pipeline: read, group, select, sort, form runs, print (see
// searchcore.h).
#include "searchcore.h"

#include "eventassembler.h"
#include "eventsort.h"
#include "formatter.h"
#include "programpath.h"
#include "runs.h"

#include <cstring>
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
        if (withFields ? records[n].parse(line) : records[n].parseHeader(line))
            ++n;
    }
    records.resize(n);
    return n > 0;
}

// A hash of the line's node and "SEC.MMM:SERIAL" (FNV-1a), the same for
// every record of one event; false when the line has no stamp.
bool eventKeyHash(std::string_view line, uint64_t *hash)
{
    static constexpr std::string_view marker = "msg=audit(";
    size_t at = line.find(marker);
    if (at == std::string_view::npos)
        return false;
    const size_t from = at + marker.size();
    const size_t to = line.find(')', from);
    if (to == std::string_view::npos)
        return false;
    uint64_t h = 1469598103934665603ull;
    auto mix = [&h](std::string_view s) {
        for (unsigned char c : s)
            h = (h ^ c) * 1099511628211ull;
    };
    if (line.substr(0, 5) == "node=")
        mix(line.substr(5, line.find(' ') - 5));
    mix("|");
    mix(line.substr(from, to - from));
    *hash = h;
    return true;
}

} // namespace

SearchResult runSearch(TrailReader &reader, const SearchOptions &options,
                       const std::function<void(std::string &)> &flush)
{
    SearchResult result;
    const ProgramTarget target(options.file);
    EventAssembler assembler;
    EventSorter sorter;
    std::vector<RecordLine> records;
    AssembledEvent event;

    // Selection: the date range, then (-f) the raw-byte test, then the
    // program test on the records of the events that passed it.
    auto select = [&](AssembledEvent &e) {
        const int64_t ms = e.stamp.ms();
        if ((options.hasStart && ms < options.startMs) || (options.hasEnd && ms > options.endMs))
            return;
        if (!target.empty()) {
            if (!e.marked || !parseEvent(e.text, records, true) || !target.concerns(records))
                return;
        }
        if (!sorter.add(ms, e.stamp.serial, e.text)) {
            result.failed = true;
            result.error = sorter.error();
        }
    };
    // With -f, a first pass over the raw bytes finds the lines that hold the
    // program's name and notes their events; the second pass groups only
    // those events' records. Without -f every line is taken.
    const bool prefilter = !target.empty() && !target.needles().empty();
    std::unordered_set<uint64_t> wanted;
    if (prefilter) {
        reader.scanFor(target.needles(), [&wanted](std::string_view line) {
            uint64_t h;
            if (eventKeyHash(line, &h))
                wanted.insert(h);
        });
    }
    std::string_view line;
    while (!result.failed && !reader.failed() && reader.next(&line) == TrailRead::Line) {
        if (prefilter) {
            uint64_t h;
            if (wanted.empty() || !eventKeyHash(line, &h) || !wanted.count(h))
                continue;
        }
        // A hash collision only brings an event to the program test, which
        // then turns it down.
        assembler.add(line, prefilter || (!target.empty() && target.mayConcern(line)));
        while (assembler.takeComplete(&event))
            select(event);
    }
    if (reader.failed()) {
        result.failed = true;
        result.error = reader.error();
        return result;
    }
    assembler.finish();
    while (!result.failed && assembler.takeComplete(&event))
        select(event);
    if (result.failed || !sorter.finish()) {
        result.failed = true;
        if (result.error.empty())
            result.error = sorter.error();
        return result;
    }

    Formatter formatter;
    RunTracker runs(target);
    std::string out;
    out.reserve(kFlushAt + 64 * 1024);
    std::string_view text;
    while (sorter.next(&text)) {
        ++result.events;
        if (!options.interpret) {
            Formatter::raw(text, out);
        } else if (parseEvent(text, records, true)) {
            bool withUser = true;
            if (!target.empty())
                withUser = runs.classify(records) == RunPart::Starts;
            result.runs += withUser;
            formatter.interpreted(records, withUser, out);
        }
        if (out.size() >= kFlushAt) {
            flush(out);
            out.clear();
        }
    }
    if (sorter.failed()) {
        result.failed = true;
        result.error = sorter.error();
        return result;
    }
    if (!out.empty())
        flush(out);
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
