// Reading -ts/-te dates, the local range they select, and printing local
// time stamps (see dates.h).
#include "dates.h"

#include <cstdio>
#include <cstring>

namespace kvrtools {

namespace {

// Reads 1..maxDigits decimal digits at `p`, advancing it.
bool readNumber(const char *&p, int maxDigits, int *value, int *digits)
{
    int n = 0, d = 0;
    while (*p >= '0' && *p <= '9' && d < maxDigits) {
        n = n * 10 + (*p - '0');
        ++p;
        ++d;
    }
    if (d == 0 || (*p >= '0' && *p <= '9'))
        return false;
    *value = n;
    if (digits)
        *digits = d;
    return true;
}

bool parseTime(const std::string &text, int *h, int *m, int *s)
{
    const char *p = text.c_str();
    *s = 0;
    if (!readNumber(p, 2, h, nullptr) || *p != ':')
        return false;
    ++p;
    int d = 0;
    if (!readNumber(p, 2, m, &d) || d != 2)
        return false;
    if (*p == ':') {
        ++p;
        if (!readNumber(p, 2, s, &d) || d != 2)
            return false;
    }
    return *p == '\0' && *h <= 23 && *m <= 59 && *s <= 59;
}

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
int64_t daysFromCivil(int64_t y, int m, int d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(int64_t z, int *year, int *month, int *day)
{
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    *day = int(doy - (153 * mp + 2) / 5 + 1);
    *month = int(mp < 10 ? mp + 3 : mp - 9);
    *year = int(yoe + era * 400 + (*month <= 2));
}

int daysInMonth(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

// Floor division of milliseconds into seconds (times before 1970 included).
int64_t floorSeconds(int64_t ms)
{
    return ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
}

// More than any zone's distance from UTC (time-zone files keep it under 26
// hours; a POSIX TZ string under 25).
constexpr int64_t kMaxOffsetMs = 26 * 3600 * 1000LL;

} // namespace

bool looksLikeTime(const std::string &text)
{
    int h, m, s;
    return parseTime(text, &h, &m, &s);
}

int64_t civilWallMs(int year, int month, int day, int hour, int minute, int second)
{
    return (daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second) * 1000;
}

int64_t localWallMs(int64_t epochMs)
{
    // Records come in runs of the same second: look each second up once.
    static thread_local int64_t lastSec = INT64_MIN, lastOffset = 0;
    const int64_t sec = floorSeconds(epochMs);
    if (sec != lastSec) {
        const time_t t = time_t(sec);
        struct tm tm {
        };
        lastOffset = localtime_r(&t, &tm) ? int64_t(tm.tm_gmtoff) : 0;
        lastSec = sec;
    }
    return epochMs + lastOffset * 1000;
}

bool LocalRange::contains(int64_t epochMs) const
{
    if (hasStart && epochMs < startWallMs + kMaxOffsetMs
        && (epochMs < startWallMs - kMaxOffsetMs || localWallMs(epochMs) < startWallMs))
        return false;
    if (hasEnd && epochMs > endWallMs - kMaxOffsetMs
        && (epochMs > endWallMs + kMaxOffsetMs || localWallMs(epochMs) > endWallMs))
        return false;
    return true;
}

bool parseDate(const std::string &dateText, const std::string &timeText, bool isEnd, time_t now,
               int64_t *wallMs, std::string *error)
{
    if (dateText == "now") {
        if (!timeText.empty()) {
            *error = "a time cannot follow \"now\"";
            return false;
        }
        *wallMs = localWallMs(int64_t(now) * 1000) + (isEnd ? 999 : 0);
        return true;
    }
    // The keywords count calendar days from today's local date; no clock
    // change can move them off their day.
    struct tm today {
    };
    localtime_r(&now, &today);
    int64_t days = daysFromCivil(today.tm_year + 1900, today.tm_mon + 1, today.tm_mday);
    int year = 0, month = 0, day = 0;
    if (dateText == "today") {
    } else if (dateText == "yesterday") {
        days -= 1;
    } else if (dateText == "this-week" || dateText == "this-month" || dateText == "this-year") {
        if (!isEnd) {
            if (dateText == "this-week")
                days -= today.tm_wday;
            else if (dateText == "this-month")
                days -= today.tm_mday - 1;
            else
                days -= today.tm_yday;
        }
    } else {
        const char *p = dateText.c_str();
        int yd = 0;
        bool ok = readNumber(p, 2, &month, nullptr) && *p++ == '/'
            && readNumber(p, 2, &day, nullptr) && *p++ == '/' && readNumber(p, 4, &year, &yd)
            && *p == '\0' && (yd == 2 || yd == 4);
        if (!ok) {
            *error = "invalid date \"" + dateText
                + "\" (expected M/D/YY, MM/DD/YYYY, today, yesterday, this-week, "
                  "this-month, this-year or now)";
            return false;
        }
        if (yd == 2)
            year += year >= 69 ? 1900 : 2000;
        if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month)) {
            *error = "invalid date \"" + dateText + "\": no such day";
            return false;
        }
        days = daysFromCivil(year, month, day);
    }
    civilFromDays(days, &year, &month, &day);
    int h = 0, m = 0, s = 0;
    if (!timeText.empty() && !parseTime(timeText, &h, &m, &s)) {
        *error = "invalid time \"" + timeText + "\" (expected HH:MM or HH:MM:SS)";
        return false;
    }
    if (timeText.empty() && isEnd) {
        h = 23;
        m = 59;
        s = 59;
    }
    *wallMs = civilWallMs(year, month, day, h, m, s) + (isEnd ? 999 : 0);
    return true;
}

void appendLocalStamp(std::string &out, time_t sec, unsigned milli)
{
    // Events come in runs of the same second; convert each second once.
    static thread_local time_t lastSec = static_cast<time_t>(-1);
    static thread_local char lastText[64];
    if (sec != lastSec || lastSec == static_cast<time_t>(-1)) {
        struct tm tm {
        };
        if (!localtime_r(&sec, &tm))
            std::memset(&tm, 0, sizeof tm);
        std::snprintf(lastText, sizeof lastText, "%04d-%02d-%02d %02d:%02d:%02d",
                      (tm.tm_year + 1900) % 10000, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                      tm.tm_sec);
        lastSec = sec;
    }
    out.append(lastText);
    char ms[5] = {'.', char('0' + milli / 100 % 10), char('0' + milli / 10 % 10),
                  char('0' + milli % 10), 0};
    out.append(ms, 4);
}

std::string localStamp(time_t sec, unsigned milli)
{
    std::string s;
    appendLocalStamp(s, sec, milli);
    return s;
}

std::string localDate(time_t sec)
{
    return localStamp(sec, 0).substr(0, 10);
}

std::string wallStamp(int64_t wallMs)
{
    const int64_t sec = floorSeconds(wallMs);
    const int64_t milli = wallMs - sec * 1000;
    int64_t days = sec / 86400, rest = sec % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    int year, month, day;
    civilFromDays(days, &year, &month, &day);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", year, month, day,
                  int(rest / 3600), int(rest / 60 % 60), int(rest % 60), int(milli));
    return text;
}

} // namespace kvrtools
