#pragma once
// What must hold for the summary of any input, however damaged: every
// per-event figure and every count of distinct values is at most the number
// of events, a trail without a well-formed record counts nothing, and the
// log's time range runs forwards inside 1970-9999. Used by the summary's
// fuzz target and its replay driver; returns the first fault found, or an
// empty string. scan() reads bytes as one trail file through the shared
// trail reader, as aureport does.
#include "summaryscan.h"
#include "trailreader.h"

#include <string>
#include <string_view>

namespace summarycheck {

inline void scan(kvrreport::SummaryScanner &scanner, std::string_view bytes)
{
    kvrtools::TrailReader reader;
    reader.openBytes(bytes);
    std::string_view line;
    while (reader.next(&line) == kvrtools::TrailRead::Line)
        scanner.addTrailLine(line);
}

inline std::string check(const kvrreport::SummaryScanner &scan)
{
    const kvrreport::SummaryFigures &f = scan.figures();
    const uint64_t n = f.events;
    struct Figure {
        const char *name;
        uint64_t value;
    };
    const Figure perEvent[] = {
        {"logins", f.logins + f.failedLogins},
        {"authentications", f.authentications + f.failedAuthentications},
        {"users", f.users.size()},
        {"terminals", f.terminals.size()},
        {"hosts", f.hosts.size()},
        {"executables", f.executables.size()},
        {"commands", f.commands.size()},
        {"process ids", f.pids.size()},
        {"AVCs", f.avcs},
        {"failed system calls", f.failedSyscalls},
        {"crypto events", (f.crypto + 1) / 2}, // kernel and user-space ranges
        {"integrity events", f.integrity},
        {"virtualisation events", f.virt},
        {"anomaly responses", f.responses},
    };
    for (const Figure &fig : perEvent)
        if (fig.value > n)
            return std::string(fig.name) + " " + std::to_string(fig.value) + " exceed the "
                + std::to_string(n) + " events";
    if (!scan.hasRecords() && n != 0)
        return "events counted in a trail without a well-formed record";
    if (scan.hasRecords()) {
        const kvrreport::Stamp a = scan.firstStamp(), b = scan.lastStamp();
        if (a.sec < 0 || b.sec > kvrreport::kLastSecond || a.milli > 999 || b.milli > 999)
            return "a time stamp outside 1970-9999 was taken";
        if (a.sec > b.sec || (a.sec == b.sec && a.milli > b.milli))
            return "the log's time range runs backwards";
    }
    return {};
}

} // namespace summarycheck
