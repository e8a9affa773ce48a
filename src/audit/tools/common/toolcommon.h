#pragma once
// Shared by the project's ausearch and aureport: choosing and opening the
// audit trail, reading -ts/-te dates, local time stamps, and printing values
// that come from the trail so that they can never forge a line or a label.

#include <auparse.h>

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace kvrtools {

// Exit statuses shared by both tools.
enum ExitStatus { ExitFound = 0, ExitNothing = 1, ExitUsage = 2, ExitUnreadable = 3 };

// Where the events come from: the -if/--input argument when given, else the
// KVR_AUDITREPORT_LOG environment variable, else the system's audit logs.
// `path` may name a file or a directory of logs. Never standard input.
struct TrailSource {
    std::string path; // empty: the audit daemon's configured logs
};
TrailSource resolveSource(const std::string &inputOption);

// Opens the trail for libauparse. On failure returns nullptr and sets `error`
// to a one-line reason fit for stderr (the caller exits with ExitUnreadable).
auparse_state_t *openTrail(const TrailSource &source, std::string *error);

// Parses a -ts/-te value in the local time zone, whatever the locale:
// M/D/YY, MM/DD/YYYY, optionally followed by `timeText` HH:MM[:SS] (may be
// empty), or one of the keywords today, yesterday, this-week, this-month,
// this-year, now. A date without time starts at 00:00:00.000 for a start and
// ends at 23:59:59.999 for an end (isEnd). `now` is the reference clock.
// Result in milliseconds since the epoch. On failure returns false and sets
// `error`.
bool parseDate(const std::string &dateText, const std::string &timeText, bool isEnd,
               time_t now, int64_t *epochMs, std::string *error);

// True when `text` looks like HH:MM or HH:MM:SS (so a tool may take it as the
// time part that follows a date argument).
bool looksLikeTime(const std::string &text);

// "YYYY-MM-DD HH:MM:SS.mmm" in the local time zone.
std::string localStamp(time_t sec, unsigned milli);
// "YYYY-MM-DD" in the local time zone.
std::string localDate(time_t sec);

// Appends a value taken from the trail (or from the account database) to
// `out` so that it cannot start a line or carry a label: bytes below 0x20 and
// 0x7F are written as a backslash and three octal digits (\012), so is every
// byte of invalid UTF-8, a backslash becomes \134, and the colon of any
// "日期:", "用户id:" or "时间范围" occurrence... (see the implementation for the
// exact neutralisation). This is the only way a trail value reaches stdout.
void appendSafe(std::string &out, std::string_view value);

} // namespace kvrtools
