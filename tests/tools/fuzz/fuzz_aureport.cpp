// libFuzzer target: arbitrary bytes as an audit trail for the summary's
// record parser and event grouping (aureport), read as one file and as two
// files cut at a line; any input must give sound figures (summarycheck.h),
// the same whichever way it was cut.
#include "summarycheck.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const char *text = reinterpret_cast<const char *>(data);
    kvrreport::SummaryScanner whole(INT64_MIN, INT64_MAX, 2);
    summarycheck::scan(whole, std::string_view(text, size));
    whole.finish();
    std::string fault = summarycheck::check(whole);
    if (fault.empty()) {
        const void *nl = std::memchr(text, '\n', size / 2 + 1 < size ? size / 2 + 1 : size);
        const size_t cut = nl ? size_t(static_cast<const char *>(nl) - text) + 1 : 0;
        kvrreport::SummaryScanner split(INT64_MIN, INT64_MAX, 2);
        summarycheck::scan(split, std::string_view(text, cut));
        summarycheck::scan(split, std::string_view(text + cut, size - cut));
        split.finish();
        if (split.figures().events != whole.figures().events
            || split.figures().files.size() != whole.figures().files.size())
            fault = "cutting the trail at a line changed the figures";
    }
    if (!fault.empty()) {
        std::fprintf(stderr, "summary fault: %s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
