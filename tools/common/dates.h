#pragma once
// Dates of the audit tools: the -ts/-te arguments (parseDate, looksLikeTime),
// the range they select (LocalRange) and the local time stamps the tools
// print (localStamp and friends).
//
// The range compares local wall-clock times, the date and time of day that
// the tools print, never instants that a date was turned into: a day ends
// where the next local day begins, whatever the clock did in between. So
// an hour that a zone lives through twice (the clocks go back) belongs to
// its day both times, a day or midnight that a zone skipped starts at its
// first existing instant, and -ts D / -te D select exactly the records that
// the search prints with day D.

#include <cstdint>
#include <ctime>
#include <string>

namespace kvrtools {

// Local wall-clock time in milliseconds: the local calendar date and time of
// day of an instant, counted as if they were UTC. Instants that print the
// same local time have the same wall time.
int64_t localWallMs(int64_t epochMs);

// The wall time of a calendar date and time of day (no time zone involved).
int64_t civilWallMs(int year, int month, int day, int hour, int minute, int second);

// The -ts/-te range as wall times, both ends included.
struct LocalRange {
    bool hasStart = false, hasEnd = false;
    int64_t startWallMs = 0, endWallMs = 0;

    // True when the local time of the instant lies in the range. Instants
    // more than a day away from an end are decided without a time-zone
    // look-up (no zone's offset reaches 26 hours).
    bool contains(int64_t epochMs) const;
};

// Parses a -ts/-te value, whatever the locale: M/D/YY, MM/DD/YYYY,
// optionally followed by `timeText` HH:MM[:SS] (may be empty), or one of the
// keywords today, yesterday, this-week, this-month, this-year, now. A date
// without time starts at 00:00:00.000 for a start and ends at 23:59:59.999
// for an end (isEnd); an end with a time covers that whole second. As an
// end, today/yesterday name the end of that day and this-week/this-month/
// this-year the end of the current day. Weeks start on Sunday. Two-digit
// years 69-99 are 19xx, 00-68 are 20xx. `now` is the reference clock; its
// local date gives the keywords' days. Result: a wall time (see above),
// which needs no day to exist in the local zone. On failure returns false
// and sets `error`.
bool parseDate(const std::string &dateText, const std::string &timeText, bool isEnd, time_t now,
               int64_t *wallMs, std::string *error);

// True when `text` looks like HH:MM or HH:MM:SS (so a tool may take it as the
// time part that follows a date argument).
bool looksLikeTime(const std::string &text);

// "YYYY-MM-DD HH:MM:SS.mmm" in the local time zone.
std::string localStamp(time_t sec, unsigned milli);
// The same, appended to `out` (cheap for runs of events in the same second).
void appendLocalStamp(std::string &out, time_t sec, unsigned milli);
// "YYYY-MM-DD" in the local time zone.
std::string localDate(time_t sec);
// "YYYY-MM-DD HH:MM:SS.mmm" of a wall time.
std::string wallStamp(int64_t wallMs);

} // namespace kvrtools
