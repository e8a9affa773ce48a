#include "toolcommon.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kvrtools {

std::string versionLine(const char *tool)
{
    return std::string(tool) + " (kvr-auditreport) " KVR_VERSION "\n";
}

namespace {

std::string reasonFor(const std::string &path, int err)
{
    return "cannot read " + path + ": " + std::strerror(err);
}

// Checks that `path` can be opened for reading (a clearer message than the
// one libauparse would leave in errno).
bool readable(const std::string &path, std::string *error)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *error = reasonFor(path, errno);
        return false;
    }
    ::close(fd);
    return true;
}

// The files of a directory read one after the other through one FILE*, so
// that libauparse streams them like a single log (its file-array source
// loads whole files into memory).
struct FileChain {
    std::vector<std::string> files;
    size_t next = 0;
    int fd = -1;
};

ssize_t chainRead(void *cookie, char *buf, size_t size)
{
    auto *chain = static_cast<FileChain *>(cookie);
    for (;;) {
        if (chain->fd < 0) {
            if (chain->next >= chain->files.size())
                return 0;
            chain->fd = ::open(chain->files[chain->next++].c_str(), O_RDONLY | O_CLOEXEC);
            if (chain->fd < 0)
                return -1;
        }
        ssize_t n = ::read(chain->fd, buf, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n != 0)
            return n;
        ::close(chain->fd);
        chain->fd = -1;
    }
}

int chainClose(void *cookie)
{
    auto *chain = static_cast<FileChain *>(cookie);
    if (chain->fd >= 0)
        ::close(chain->fd);
    delete chain;
    return 0;
}

} // namespace

auparse_state_t *openTrail(const TrailSource &source, std::string *error)
{
    if (source.path.empty()) {
        errno = 0;
        auparse_state_t *au = auparse_init(AUSOURCE_LOGS, nullptr);
        if (!au)
            *error = std::string("cannot read the system's audit logs: ")
                     + (errno ? std::strerror(errno) : "unknown error");
        return au;
    }
    struct stat st;
    if (::stat(source.path.c_str(), &st) != 0) {
        *error = reasonFor(source.path, errno);
        return nullptr;
    }
    if (S_ISDIR(st.st_mode)) {
        std::vector<std::string> files;
        if (!listTrailDirectory(source.path, &files, error))
            return nullptr;
        if (files.empty()) {
            *error = "no audit.log files in " + source.path;
            return nullptr;
        }
        for (const auto &f : files)
            if (!readable(f, error))
                return nullptr;
        auto *chain = new FileChain;
        chain->files = std::move(files);
        cookie_io_functions_t io = {chainRead, nullptr, nullptr, chainClose};
        FILE *f = fopencookie(chain, "r", io);
        if (!f) {
            *error = reasonFor(source.path, errno);
            delete chain;
            return nullptr;
        }
        auparse_state_t *au = auparse_init(AUSOURCE_FILE_POINTER, f);
        if (!au) {
            *error = reasonFor(source.path, errno ? errno : EIO);
            std::fclose(f);
        }
        return au;
    }
    FILE *f = std::fopen(source.path.c_str(), "re");
    if (!f) {
        *error = reasonFor(source.path, errno);
        return nullptr;
    }
    // libauparse owns the FILE from here on and closes it in auparse_destroy.
    auparse_state_t *au = auparse_init(AUSOURCE_FILE_POINTER, f);
    if (!au) {
        *error = reasonFor(source.path, errno ? errno : EIO);
        std::fclose(f);
    }
    return au;
}

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
    struct tm tm {};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = h;
    tm.tm_min = m;
    tm.tm_sec = s;
    tm.tm_isdst = -1;
    time_t t = std::mktime(&tm);
    if (t == (time_t)-1 && !(tm.tm_year == 69 && tm.tm_mon == 11 && tm.tm_mday == 31))
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

bool parseDate(const std::string &dateText, const std::string &timeText, bool isEnd,
               time_t now, int64_t *epochMs, std::string *error)
{
    int year = 0, month = 0, day = 0;
    struct tm today {};
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
                  && readNumber(p, 2, &day, nullptr) && *p++ == '/'
                  && readNumber(p, 4, &year, &yd) && *p == '\0' && (yd == 2 || yd == 4);
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
    if (month < 1 || month > 12 || day < 1 || day > 31 || !makeLocal(year, month, day, h, m, s, &t)) {
        *error = "invalid date \"" + dateText + "\": no such day";
        return false;
    }
    *epochMs = int64_t(t) * 1000 + (isEnd ? 999 : 0);
    return true;
}

void appendLocalStamp(std::string &out, time_t sec, unsigned milli)
{
    // Events come in runs of the same second; convert each second once.
    static thread_local time_t lastSec = (time_t)-1;
    static thread_local char lastText[24];
    if (sec != lastSec || lastSec == (time_t)-1) {
        struct tm tm {};
        if (!localtime_r(&sec, &tm))
            std::memset(&tm, 0, sizeof tm);
        std::snprintf(lastText, sizeof lastText, "%04d-%02d-%02d %02d:%02d:%02d",
                      (tm.tm_year + 1900) % 10000, tm.tm_mon + 1, tm.tm_mday,
                      tm.tm_hour, tm.tm_min, tm.tm_sec);
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

namespace {

inline void appendOctal(std::string &out, unsigned char c)
{
    char buf[4] = {'\\', char('0' + (c >> 6)), char('0' + ((c >> 3) & 7)), char('0' + (c & 7))};
    out.append(buf, 4);
}

// Length of the valid UTF-8 sequence at p (at most n bytes), 0 when invalid.
size_t utf8Length(const unsigned char *p, size_t n)
{
    unsigned char c = p[0];
    if (c < 0x80)
        return 1;
    size_t len;
    unsigned char lo = 0x80, hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF)
        len = 2;
    else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        if (c == 0xE0)
            lo = 0xA0; // overlong
        else if (c == 0xED)
            hi = 0x9F; // surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        if (c == 0xF0)
            lo = 0x90; // overlong
        else if (c == 0xF4)
            hi = 0x8F; // above U+10FFFF
    } else
        return 0;
    if (n < len || p[1] < lo || p[1] > hi)
        return 0;
    for (size_t i = 2; i < len; ++i)
        if (p[i] < 0x80 || p[i] > 0xBF)
            return 0;
    return len;
}

bool endsWith(const std::string_view text, size_t end, std::string_view tail)
{
    return end >= tail.size() && text.substr(end - tail.size(), tail.size()) == tail;
}

} // namespace

void appendSafe(std::string &out, std::string_view value, bool asWord)
{
    static constexpr std::string_view dateLabel = "日期";
    static constexpr std::string_view userLabel = "用户id";
    static constexpr std::string_view rangeLabel = "时间范围";
    if (asWord && value.empty()) {
        out += '-';
        return;
    }
    // Bytes that need a closer look: controls, DEL, backslash, the colon
    // (label ends), non-ASCII (labels, invalid UTF-8), and blanks for a word.
    struct Table {
        bool special[2][256]; // [asWord][byte]
        Table()
        {
            for (int c = 0; c < 256; ++c) {
                special[0][c] = c < 0x20 || c >= 0x7F || c == '\\' || c == ':';
                special[1][c] = special[0][c] || c == ' ';
            }
        }
    };
    static const Table table;
    const bool *special = table.special[asWord ? 1 : 0];
    const auto *p = reinterpret_cast<const unsigned char *>(value.data());
    const size_t n = value.size();
    size_t i = 0;
    while (i < n) {
        // Fast path: a run of bytes that are printed as they are.
        size_t run = i;
        while (run < n && !special[p[run]])
            ++run;
        if (run > i) {
            out.append(value.data() + i, run - i);
            i = run;
            continue;
        }
        unsigned char c = p[i];
        if (c == ':') {
            if (endsWith(value, i, dateLabel) || endsWith(value, i, userLabel))
                out += "\\072";
            else
                out += ':';
            ++i;
        } else if (c == ' ') {
            if (asWord)
                out += "\\040";
            else
                out += ' ';
            ++i;
        } else if (c < 0x20 || c == 0x7F || c == '\\') {
            appendOctal(out, c);
            ++i;
        } else {
            size_t len = utf8Length(p + i, n - i);
            if (len == 0) {
                appendOctal(out, c);
                ++i;
            } else if (len == 2 && c == 0xC2 && p[i + 1] < 0xA0) {
                // C1 control characters (U+0080..U+009F): a terminal may act on them.
                appendOctal(out, c);
                appendOctal(out, p[i + 1]);
                i += 2;
            } else if (value.substr(i, rangeLabel.size()) == rangeLabel) {
                for (size_t k = 0; k < 3; ++k)
                    appendOctal(out, p[i + k]);
                i += 3;
            } else {
                out.append(value.data() + i, len);
                i += len;
            }
        }
    }
}

namespace {

inline int hexDigit(unsigned char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

std::string_view decodeValueInto(std::string_view raw, bool mayBeHex, std::string &scratch)
{
    if (raw.size() >= 2 && raw.front() == '"' && raw.back() == '"')
        return raw.substr(1, raw.size() - 2);
    if (!mayBeHex || raw.empty() || raw.size() % 2 != 0)
        return raw;
    for (unsigned char c : raw)
        if (hexDigit(c) < 0)
            return raw;
    scratch.clear();
    for (size_t i = 0; i < raw.size(); i += 2) {
        char c = char(hexDigit(raw[i]) << 4 | hexDigit(raw[i + 1]));
        scratch += c == '\0' ? ' ' : c;
    }
    while (!scratch.empty() && scratch.back() == ' ')
        scratch.pop_back();
    return scratch;
}

std::string decodeValue(std::string_view raw, bool mayBeHex)
{
    std::string scratch;
    return std::string(decodeValueInto(raw, mayBeHex, scratch));
}

bool isEncodedField(std::string_view name, std::string_view recordType)
{
    static constexpr std::string_view encoded[] = {
        "name", "path", "comm", "exe", "cwd", "proctitle", "cmd", "acct", "key",
        "ocomm", "dir", "file", "watch", "data", "new-name", "old-name", "grp", "new_name"};
    for (auto e : encoded)
        if (name == e)
            return true;
    // Arguments of an EXECVE record: a0, a1, ..., and the pieces a3[0], a3[1]
    // of a long argument. Elsewhere aN are numbers.
    if (recordType == "EXECVE" && name.size() >= 2 && name[0] == 'a' && name[1] >= '0'
        && name[1] <= '9')
        return true;
    return false;
}

bool isUnsetId(std::string_view id)
{
    return id == "4294967295" || id == "-1";
}

namespace {

bool parseId(std::string_view text, unsigned long *id)
{
    if (text.empty() || text.size() > 10)
        return false;
    unsigned long n = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        n = n * 10 + unsigned(c - '0');
    }
    *id = n;
    return true;
}

} // namespace

const std::string &IdNames::user(std::string_view id)
{
    return lookup(id, false);
}

const std::string &IdNames::group(std::string_view id)
{
    return lookup(id, true);
}

const std::string &IdNames::lookup(std::string_view id, bool group)
{
    static constexpr unsigned long smallLimit = 65536;
    unsigned long n = 0;
    // Canonical decimal only, so "007" and "7" do not share a cache slot.
    const bool numeric = parseId(id, &n) && (id.size() == 1 || id[0] != '0');
    auto &small = group ? smallGroups_ : smallUsers_;
    if (numeric && n < smallLimit && n < small.size() && !small[n].empty())
        return small[n];
    auto &byText = group ? groups_ : users_;
    if (!(numeric && n < smallLimit)) {
        auto it = byText.find(std::string(id));
        if (it != byText.end())
            return it->second;
    }
    std::string name(id);
    if (isUnsetId(id)) {
        name = "unset";
    } else if (numeric && n <= UINT_MAX) {
        std::vector<char> buf(16384);
        if (group) {
            struct group gr, *res = nullptr;
            if (getgrgid_r(gid_t(n), &gr, buf.data(), buf.size(), &res) == 0 && res
                && res->gr_name && *res->gr_name)
                name = res->gr_name;
        } else {
            struct passwd pw, *res = nullptr;
            if (getpwuid_r(uid_t(n), &pw, buf.data(), buf.size(), &res) == 0 && res
                && res->pw_name && *res->pw_name)
                name = res->pw_name;
        }
    }
    if (name.empty())
        name = std::string(id);
    if (numeric && n < smallLimit && !name.empty()) {
        if (small.size() <= n)
            small.resize(n + 1);
        small[n] = std::move(name);
        return small[n];
    }
    return byText.emplace(std::string(id), std::move(name)).first->second;
}

} // namespace kvrtools
