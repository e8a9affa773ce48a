// libFuzzer target: arbitrary bytes as an audit trail for ausearch -i. Any
// input must give output in the tool's own layout (see layoutcheck.h).
#include "layoutcheck.h"
#include "searchcore.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const kvrtools::SearchOptions options = [] {
        kvrtools::SearchOptions o;
        o.interpret = true;
        return o;
    }();
    static const kvrtools::SearchOptions filtered = [] {
        kvrtools::SearchOptions o = options;
        o.file = "/usr/bin/sudo";
        return o;
    }();
    std::string out;
    size_t events =
        kvrtools::searchBytes(reinterpret_cast<const char *>(data), size, options, &out);
    std::string fault = layoutcheck::check(out, events);
    if (fault.empty()) { // with -f: at most one 用户id: per event, one per run
        size_t runs = 0;
        events = kvrtools::searchBytes(reinterpret_cast<const char *>(data), size, filtered, &out,
                                       &runs);
        fault = layoutcheck::check(out, events, long(runs));
    }
    if (!fault.empty()) {
        std::fprintf(stderr, "layout fault: %s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
