// ausearch: searches the audit trail for the events that the report pipelines
// of kvr-auditreport count, and prints them in the layout they split on.
#include "searchcore.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
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
        return ExitFound;
    }
    auparse_state_t *au = openTrail(resolveSource(options.input), &error);
    if (!au) {
        std::fprintf(stderr, "ausearch: %s\n", error.c_str());
        return ExitUnreadable;
    }
    bool writeFailed = false;
    size_t matched = runSearch(au, options, [&writeFailed](std::string &chunk) {
        if (!writeFailed && std::fwrite(chunk.data(), 1, chunk.size(), stdout) != chunk.size())
            writeFailed = true;
    });
    auparse_destroy(au);
    if (std::fflush(stdout) != 0 || writeFailed) {
        std::fprintf(stderr, "ausearch: cannot write the output: %s\n", std::strerror(errno));
        return ExitUnreadable;
    }
    if (matched == 0) {
        std::fputs("<no matches>\n", stderr);
        return ExitNothing;
    }
    return ExitFound;
}
