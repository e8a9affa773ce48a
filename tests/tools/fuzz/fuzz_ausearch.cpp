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
    std::string out;
    size_t events = kvrtools::searchBytes(reinterpret_cast<const char *>(data), size, options, &out);
    std::string fault = layoutcheck::check(out, events);
    if (!fault.empty()) {
        std::fprintf(stderr, "layout fault: %s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
