// Decoding trail values and printing them safely (see safetext.h).
#include "safetext.h"

namespace kvrtools {

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
    // Sized once and written in place: this runs for every encoded field.
    scratch.resize(raw.size() / 2);
    size_t end = 0;
    for (size_t i = 0; i < raw.size(); i += 2) {
        const char c = char(hexDigit(raw[i]) << 4 | hexDigit(raw[i + 1]));
        scratch[i / 2] = c == '\0' ? ' ' : c;
        if (c != '\0' && c != ' ')
            end = i / 2 + 1;
    }
    scratch.resize(end);
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
        "name",  "path", "comm", "exe",   "cwd",  "proctitle", "cmd",      "acct", "key",
        "ocomm", "dir",  "file", "watch", "data", "new-name",  "old-name", "grp",  "new_name"};
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

} // namespace kvrtools
