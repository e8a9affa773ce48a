// Reading the "msg=audit(SEC.MMM:SERIAL)" stamp of an audit record, with the
// overflow and year checks both tools share (see auditstamp.h).
#include "auditstamp.h"

#include <ctime>

namespace kvrtools {

int64_t lastAuditSecond()
{
    static const int64_t last = [] {
        auto localYear = [](int64_t sec) {
            const time_t t = time_t(sec);
            struct tm tm {
            };
            return localtime_r(&t, &tm) ? tm.tm_year + 1900 : 10000;
        };
        if (localYear(kLastAuditSecond) <= 9999)
            return kLastAuditSecond;
        // The year ends at most a day and a few hours earlier in local time.
        int64_t lo = kLastAuditSecond - 3 * 86400, hi = kLastAuditSecond;
        while (hi - lo > 1) {
            const int64_t mid = lo + (hi - lo) / 2;
            (localYear(mid) <= 9999 ? lo : hi) = mid;
        }
        return lo;
    }();
    return last;
}

bool parseAuditStamp(std::string_view line, AuditStamp *stamp, size_t *after)
{
    static constexpr std::string_view marker = "msg=audit(";
    const size_t at = line.find(marker);
    if (at == std::string_view::npos)
        return false;
    size_t p = at + marker.size();
    auto digit = [&](size_t k) { return k < line.size() && line[k] >= '0' && line[k] <= '9'; };
    if (!digit(p))
        return false;
    int64_t sec = 0;
    for (; digit(p); ++p) {
        sec = sec * 10 + (line[p] - '0');
        if (sec > kLastAuditSecond)
            return false;
    }
    if (sec > lastAuditSecond() || p >= line.size() || line[p] != '.')
        return false;
    ++p;
    unsigned milli = 0;
    for (int k = 0; k < 3; ++k, ++p) {
        if (!digit(p))
            return false;
        milli = milli * 10 + unsigned(line[p] - '0');
    }
    if (p >= line.size() || line[p] != ':' || !digit(p + 1))
        return false;
    ++p;
    uint64_t serial = 0;
    for (; digit(p); ++p) {
        const unsigned d = unsigned(line[p] - '0');
        if (serial > (UINT64_MAX - d) / 10)
            return false;
        serial = serial * 10 + d;
    }
    if (p >= line.size() || line[p] != ')')
        return false;
    ++p;
    if (p < line.size() && line[p] == ':')
        ++p;
    stamp->sec = sec;
    stamp->milli = milli;
    stamp->serial = serial;
    if (after)
        *after = p;
    return true;
}

} // namespace kvrtools
