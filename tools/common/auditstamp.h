#pragma once
// The time stamp of an audit record, "msg=audit(SEC.MMM:SERIAL)", read the
// same way by both tools. A record whose stamp is missing, overflows, or
// lies outside the years 1970-9999 (UTC) is malformed and skipped by both;
// so is one whose local time lies past 9999-12-31 (east of UTC the last
// hours of the year 9999 are already the year 10000 there), since the
// tools print four-digit local years.
//
//   AuditStamp s;
//   size_t after;
//   if (parseAuditStamp(line, &s, &after)) ... // line.substr(after) follows "):"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kvrtools {

struct AuditStamp {
    int64_t sec = 0;    // seconds since the epoch, 0 .. lastAuditSecond()
    unsigned milli = 0; // 0 .. 999, never negative
    uint64_t serial = 0;
    int64_t ms() const { return sec * 1000 + milli; }
};

// 9999-12-31 23:59:59 UTC.
constexpr int64_t kLastAuditSecond = 253402300799;

// The last second a record may carry: kLastAuditSecond, or earlier where
// the local time zone (TZ, read once) has already reached the year 10000.
int64_t lastAuditSecond();

// Finds the first "msg=audit(" of `line` and reads SEC.MMM:SERIAL) after it:
// SEC decimal digits, MMM exactly three digits, SERIAL decimal digits that
// fit 64 bits, then ')'. On success sets *stamp and, when `after` is given,
// the offset just past the ')' (and a following ':' when there is one).
bool parseAuditStamp(std::string_view line, AuditStamp *stamp, size_t *after = nullptr);

} // namespace kvrtools
