// Reading -ts/-te dates and printing local time stamps (see dates.h).
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

// Local time of the given calendar fields; false when the fields do not
// name a real day (e.g. 2/30) or mktime fails.
bool makeLocal(int year, int month, int day, int h, int m, int s, time_t *out)
{
    struct tm tm {
    };
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = h;
    tm.tm_min = m;
    tm.tm_sec = s;
    tm.tm_isdst = -1;
    time_t t = std::mktime(&tm);
    if (t == static_cast<time_t>(-1) && !(tm.tm_year == 69 && tm.tm_mon == 11 && tm.tm_mday == 31))
        return false;
    if (tm.tm_year != year - 1900 || tm.tm_mon != month - 1 || tm.tm_mday != day)
        return false;
    *out = t;
    return true;
}

} // namespace

bool looksLikeTime(const std::string &text)
{
    int h, m, s;
    return parseTime(text, &h, &m, &s);
}

bool parseDate(const std::string &dateText, const std::string &timeText, bool isEnd, time_t now,
               int64_t *epochMs, std::string *error)
{
    int year = 0, month = 0, day = 0;
    struct tm today {
    };
    localtime_r(&now, &today);
    if (dateText == "now") {
        if (!timeText.empty()) {
            *error = "a time cannot follow \"now\"";
            return false;
        }
        *epochMs = int64_t(now) * 1000 + (isEnd ? 999 : 0);
        return true;
    }
    year = today.tm_year + 1900;
    month = today.tm_mon + 1;
    day = today.tm_mday;
    if (dateText == "today") {
    } else if (dateText == "yesterday") {
        struct tm t = today;
        t.tm_mday -= 1;
        t.tm_hour = 12; // clear of any daylight-saving gap
        t.tm_isdst = -1;
        std::mktime(&t);
        year = t.tm_year + 1900;
        month = t.tm_mon + 1;
        day = t.tm_mday;
    } else if (dateText == "this-week" || dateText == "this-month" || dateText == "this-year") {
        if (!isEnd) {
            struct tm t = today;
            if (dateText == "this-week")
                t.tm_mday -= t.tm_wday;
            else if (dateText == "this-month")
                t.tm_mday = 1;
            else {
                t.tm_mday = 1;
                t.tm_mon = 0;
            }
            t.tm_hour = 12;
            t.tm_isdst = -1;
            std::mktime(&t);
            year = t.tm_year + 1900;
            month = t.tm_mon + 1;
            day = t.tm_mday;
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
    }
    int h = 0, m = 0, s = 0;
    bool hasTime = !timeText.empty();
    if (hasTime && !parseTime(timeText, &h, &m, &s)) {
        *error = "invalid time \"" + timeText + "\" (expected HH:MM or HH:MM:SS)";
        return false;
    }
    if (!hasTime && isEnd) {
        h = 23;
        m = 59;
        s = 59;
    }
    time_t t;
    if (month < 1 || month > 12 || day < 1 || day > 31
        || !makeLocal(year, month, day, h, m, s, &t)) {
        *error = "invalid date \"" + dateText + "\": no such day";
        return false;
    }
    *epochMs = int64_t(t) * 1000 + (isEnd ? 999 : 0);
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

} // namespace kvrtools
