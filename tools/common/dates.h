#pragma once
// Dates of the audit tools: the -ts/-te arguments (parseDate, looksLikeTime)
// and the local time stamps they print (localStamp and friends).

#include <cstdint>
#include <ctime>
#include <string>

namespace kvrtools {

// Parses a -ts/-te value in the local time zone, whatever the locale:
// M/D/YY, MM/DD/YYYY, optionally followed by `timeText` HH:MM[:SS] (may be
// empty), or one of the keywords today, yesterday, this-week, this-month,
// this-year, now. A date without time starts at 00:00:00.000 for a start and
// ends at 23:59:59.999 for an end (isEnd); an end with a time covers that
// whole second. As an end, today/yesterday name the end of that day and
// this-week/this-month/this-year the end of the current day. Weeks start on
// Sunday. Two-digit years 69-99 are 19xx, 00-68 are 20xx. `now` is the
// reference clock. Result in milliseconds since the epoch. On failure
// returns false and sets `error`.
bool parseDate(const std::string &dateText, const std::string &timeText, bool isEnd, time_t now,
               int64_t *epochMs, std::string *error);

// True when `text` looks like HH:MM or HH:MM:SS (so a tool may take it as the
// time part that follows a date argument).
bool looksLikeTime(const std::string &text);

// "YYYY-MM-DD HH:MM:SS.mmm" in the local time zone.
std::string localStamp(time_t sec, unsigned milli);
// The same, appended to `out` (cheap for runs of events in the same second).
void appendLocalStamp(std::string &out, time_t sec, unsigned milli);
// "YYYY-MM-DD" in the local time zone.
std::string localDate(time_t sec);

} // namespace kvrtools
