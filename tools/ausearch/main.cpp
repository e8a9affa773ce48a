// ausearch: searches the audit trail for the events that the report pipelines
// of kvr-auditreport count, and prints them in the layout they split on.
#include "runsfile.h"
#include "searchcore.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <utility>
#include <vector>

int main(int argc, char **argv)
{
    using namespace kvrtools;
    tzset(); // dates are read and printed in the local time zone (TZ)
    std::vector<std::string> args(argv + 1, argv + argc);
    SearchOptions options;
    std::string error;
    if (parseSearchOptions(args, std::time(nullptr), &options, &error) != ExitFound) {
        std::fprintf(stderr, "ausearch: %s\nTry 'ausearch --help'.\n", error.c_str());
        return ExitUsage;
    }
    if (options.help) {
        std::fputs(searchUsage(), stdout);
        return std::fflush(stdout) == 0 ? ExitFound : ExitWriteFailed;
    }
    if (options.version) {
        std::fputs(versionLine("ausearch").c_str(), stdout);
        return std::fflush(stdout) == 0 ? ExitFound : ExitWriteFailed;
    }
    // The runs file the window reads beside the output (runsfile.h), opened
    // before the trail so that a refusal costs no search and a trail that
    // cannot be read leaves no earlier search's runs behind: the file reads
    // as a runs file only once this search has ended well.
    RunsFile runsFile(options.file);
    const char *runsPath = std::getenv("KVR_AUDITREPORT_RUNS");
    const bool withRuns = runsPath && *runsPath;
    if (withRuns && !runsFile.open(runsPath, &error)) {
        std::fprintf(stderr, "ausearch: %s\n", error.c_str());
        return ExitWriteFailed;
    }
    TrailReader reader;
    switch (reader.open(resolveSource(options.input), &error)) {
    case TrailOpen::Ok:
        break;
    case TrailOpen::Usage:
        std::fprintf(stderr, "ausearch: %s\n", error.c_str());
        return ExitUsage;
    case TrailOpen::Unreadable:
        std::fprintf(stderr, "ausearch: %s\n", error.c_str());
        return ExitUnreadable;
    case TrailOpen::NoDescriptors:
        std::fprintf(stderr, "ausearch: %s\n", error.c_str());
        return ExitNoDescriptors;
    }
    // The output is written on the printing thread; its errno is kept here,
    // since errno belongs to the thread that set it.
    int writeError = 0;
    const SearchResult result = runSearch(
        reader, options,
        [&writeError](std::string &chunk) {
            if (!writeError && std::fwrite(chunk.data(), 1, chunk.size(), stdout) != chunk.size())
                writeError = errno ? errno : EIO;
        },
        withRuns ? &runsFile : nullptr);
    if (result.failed) {
        // A read error of the trail mostly comes before any output (the
        // output is written once the whole trail has been read); a
        // temporary file of the sort, or a trail cut or rewritten while it
        // is read again for printing, leaves the output short: an error too.
        std::fprintf(stderr, "ausearch: %s\n", result.error.c_str());
        if (result.noDescriptors)
            return ExitNoDescriptors;
        return result.sortFailed ? ExitTooLarge : ExitUnreadable;
    }
    if (!writeError && std::fflush(stdout) != 0)
        writeError = errno ? errno : EIO;
    if (writeError) {
        std::fprintf(stderr, "ausearch: cannot write the output: %s\n", std::strerror(writeError));
        return ExitWriteFailed;
    }
    if (withRuns) {
        std::vector<std::string> files;
        for (size_t i = 0; i < reader.fileCount(); ++i)
            files.push_back(reader.fileName(i));
        std::optional<std::pair<int64_t, int64_t>> span;
        if (result.spanned)
            span.emplace(result.firstMs, result.lastMs);
        if (!runsFile.complete(files, span, result.runsPerDay)) {
            std::fprintf(stderr, "ausearch: %s\n", runsFile.error().c_str());
            return ExitWriteFailed;
        }
    }
    if (result.events == 0) {
        std::fputs("<no matches>\n", stderr);
        return ExitNothing;
    }
    return ExitFound;
}
