// The search pipeline: read, group, select, sort, form runs, print (see
// searchcore.h).
#include "searchcore.h"

#include "eventassembler.h"
#include "eventsort.h"
#include "formatter.h"
#include "programpath.h"
#include "runs.h"

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
    std::string_view line;
    while (!result.failed && reader.next(&line) == TrailRead::Line) {
        assembler.add(line, !target.empty() && target.mayConcern(line));
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
