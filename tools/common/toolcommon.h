#pragma once
// Shared by the project's ausearch and aureport: choosing and opening the
// audit trail, reading -ts/-te dates, local time stamps, decoding trail
// values, account names, and printing values that come from the trail so
// that they can never forge a line or a label.

#include "auditstamp.h"
#include "options.h"
#include "trailreader.h"

#include <auparse.h>

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kvrtools {

// Exit statuses shared by both tools. ExitWriteFailed: the output could not
// be written whole (a full disk, a file-size limit), so what was written is
// not the whole answer.
enum ExitStatus {
    ExitFound = 0,
    ExitNothing = 1,
    ExitUsage = 2,
    ExitUnreadable = 3,
    ExitWriteFailed = 4
};

// The first line of `TOOL --version`: "TOOL (kvr-auditreport) VERSION". Only
// the project's own tools print it; the window checks for it at start-up.
std::string versionLine(const char *tool);

// Opens the trail for libauparse. On failure returns nullptr and sets `error`
// to a one-line reason fit for stderr (the caller exits with ExitUnreadable).
// The caller frees the state with auparse_destroy().
auparse_state_t *openTrail(const TrailSource &source, std::string *error);

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
bool parseDate(const std::string &dateText, const std::string &timeText, bool isEnd,
               time_t now, int64_t *epochMs, std::string *error);

// True when `text` looks like HH:MM or HH:MM:SS (so a tool may take it as the
// time part that follows a date argument).
bool looksLikeTime(const std::string &text);

// "YYYY-MM-DD HH:MM:SS.mmm" in the local time zone.
std::string localStamp(time_t sec, unsigned milli);
// The same, appended to `out` (cheap for runs of events in the same second).
void appendLocalStamp(std::string &out, time_t sec, unsigned milli);
// "YYYY-MM-DD" in the local time zone.
std::string localDate(time_t sec);

// Appends a value taken from the trail (or from the account database) to
// `out` so that it cannot start a line or carry a label:
//  - bytes below 0x20 and 0x7F are written as a backslash and three octal
//    digits (a newline becomes \012), and so is a backslash itself (\134),
//    which keeps every escape unambiguous;
//  - every byte of invalid UTF-8 (stray continuation bytes, truncated or
//    overlong sequences, surrogates, code points above U+10FFFF) is written
//    the same way, so the output stays valid UTF-8;
//  - the labels the report pipelines split on are neutralised wherever they
//    occur inside a value: the colon of "日期:" and of "用户id:" is written
//    \072, and the first character of "时间范围" is written as its three
//    escaped bytes \346\227\266;
//  - with `asWord`, blanks are escaped as well (\040) and an empty value is
//    written as "-", so the result is exactly one non-empty blank-free word.
// Every value a tool prints goes through this function.
void appendSafe(std::string &out, std::string_view value, bool asWord = false);

// Decodes a field value as the trail stores it: a value in double quotes is
// the text between them; an unquoted value made of an even number of hex
// digits is hex-encoded text when `mayBeHex` (fields the kernel encodes:
// names, paths, comm, exe, proctitle, execve arguments, cmd, ...); anything
// else is returned as it is. NUL bytes of decoded text (argument separators
// of a proctitle) become blanks.
std::string decodeValue(std::string_view raw, bool mayBeHex);
// The same without allocating: returns a view of `raw` or of `scratch`
// (which it overwrites when it decodes hex).
std::string_view decodeValueInto(std::string_view raw, bool mayBeHex, std::string &scratch);

// True for field names whose values the kernel or the user-space tools may
// hex-encode (the untrusted strings).
bool isEncodedField(std::string_view name, std::string_view recordType);

// Account and group names, looked up once per id in the local databases.
// Unknown ids give their decimal number; 4294967295 and -1 give "unset".
// A returned reference stays valid until the next call.
class IdNames {
public:
    const std::string &user(std::string_view id);
    const std::string &group(std::string_view id);

private:
    const std::string &lookup(std::string_view id, bool group);
    // Small numeric ids (the common case) are cached by index, others by text.
    std::vector<std::string> smallUsers_, smallGroups_;
    std::unordered_map<std::string, std::string> users_, groups_;
};

// True when the id text means "not set" (4294967295 or -1).
bool isUnsetId(std::string_view id);

} // namespace kvrtools
