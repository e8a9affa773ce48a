// The value readers shared by the summary's record parsers: hex decoding the
// way the stock audit tools do it, bounded number reading, key=value field
// finders, quoted, hex and legacy values, login uids, file names (joined to
// the working directory when relative) and rule keys. Each reader stops at
// the record's NUL.
#include "recordfields.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace kvrreport {

// Hex decoding as the stock tools do it: a value in parentheses, such as
// "(null)", is taken as it is; otherwise the run of hex digits is decoded
// pairwise (an odd last digit gives its high nibble). Fails when there is
// nothing to decode. `raw` keeps embedded NULs; the result as text stops at
// the first NUL, as C strings do.
bool unescapeRaw(const char *buf, std::string *raw)
{
    const char *p = buf;
    if (*p == '(') {
        const char *close = std::strchr(p, ')');
        if (!close)
            return false;
        raw->assign(buf, close + 1);
        return true;
    }
    while (std::isxdigit(static_cast<unsigned char>(*p)))
        ++p;
    size_t len = p - buf;
    if (len < 2)
        return false;
    raw->clear();
    raw->reserve(len / 2 + 1);
    auto nibble = [](char c) -> unsigned {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return c <= '9' ? unsigned(c - '0') : unsigned(c - 'A' + 10);
    };
    for (size_t i = 0; i < len; i += 2) {
        unsigned v = nibble(buf[i]) << 4;
        if (i + 1 < len)
            v += nibble(buf[i + 1]);
        raw->push_back(static_cast<char>(v));
    }
    return true;
}

bool unescapeText(const char *buf, Value *out)
{
    std::string raw;
    if (!unescapeRaw(buf, &raw)) {
        out->clear();
        return false;
    }
    out->set = true;
    out->text.assign(raw.c_str());
    return true;
}

// Reads an unsigned number the way strtoul does on the text that ends at
// `term` (or at the end of the string when term is null). Returns false on
// overflow.
bool readNumber(char *ptr, char *term, int base, unsigned long *out)
{
    char saved = 0;
    if (term) {
        saved = *term;
        *term = 0;
    }
    errno = 0;
    *out = std::strtoul(ptr, nullptr, base);
    bool ok = errno == 0;
    if (term)
        *term = saved;
    return ok;
}

bool readNumberLL(char *ptr, char *term, int base)
{
    char saved = 0;
    if (term) {
        saved = *term;
        *term = 0;
    }
    errno = 0;
    (void)std::strtoull(ptr, nullptr, base);
    bool ok = errno == 0;
    if (term)
        *term = saved;
    return ok;
}

// Appends a file name (quoted text, "(null)" or hex) to the event's files;
// relative names are joined to the working directory. False: malformed.
bool parsePathValue(Items &s, char *path)
{
    std::string name;
    if (*path == '"') {
        ++path;
        char *term = std::strchr(path, '"');
        if (!term)
            return false;
        name.assign(path, term);
    } else if (std::strncmp(path, "(null)", 6) == 0) {
        s.files.emplace_back("(null)");
        return true;
    } else {
        if (!std::isxdigit(static_cast<unsigned char>(path[0])))
            return false;
        std::string raw;
        if (path[0] == '0' && path[1] == '0') { // abstract socket name
            if (!unescapeRaw(path + 2, &raw))
                return false;
        } else {
            if (!std::strchr(path, ' '))
                return false;
            if (!unescapeRaw(path, &raw))
                return false;
        }
        name.assign(raw.c_str());
    }
    if (name.size() >= 2 && name[0] == '.' && (name[1] == '.' || name[1] == '/') && s.cwd.set) {
        std::string joined = s.cwd.text + "/" + name;
        if (joined.size() > kPathMax - 1)
            joined.resize(kPathMax - 1);
        name.swap(joined);
    }
    s.files.push_back(std::move(name));
    return true;
}

// key= of a syscall or configuration record: quoted text, or hex holding
// several keys separated by 0x01.
bool parseKeyValue(Items &s, char *ptr, char **termOut)
{
    if (*ptr == '"') {
        ++ptr;
        char *term = std::strchr(ptr, '"');
        if (!term)
            return false;
        s.keys.emplace_back(ptr, term);
        *termOut = term;
        return true;
    }
    std::string raw;
    if (!unescapeRaw(ptr, &raw))
        return false;
    std::string text(raw.c_str());
    size_t pos = 0;
    while (pos < text.size()) {
        size_t sep = text.find('\x01', pos);
        if (sep == std::string::npos)
            sep = text.size();
        if (sep > pos)
            s.keys.emplace_back(text, pos, sep - pos);
        pos = sep + 1;
    }
    return true;
}

// The text from a quote at str to the next quote; *term points at the closing
// quote. False when the quote is not closed.
bool takeQuoted(char *str, Value *out, char **term)
{
    char *q = std::strchr(str + 1, '"');
    if (!q)
        return false;
    out->assign(str + 1, q);
    *term = q;
    return true;
}

// A quoted value ends at the next double quote; an unquoted one is hex.
// Returns false when the closing quote is missing. `term` is moved to the
// closing quote of a quoted value.
bool quotedOrHex(char *str, Value *out, char **term)
{
    if (*str == '"')
        return takeQuoted(str, out, term);
    unescapeText(str, out);
    return true;
}

// A value that is hex when made only of hex digits, else plain text up to
// the next blank (older user-space records).
void hexOrLegacy(char *str, Value *out, char **term)
{
    char *end = str;
    bool legacy = false;
    while (*end != ' ' && *end) {
        if (!std::isxdigit(static_cast<unsigned char>(*end)))
            legacy = true;
        ++end;
    }
    *term = end;
    if (!legacy)
        unescapeText(str, out);
    else
        out->assign(str, end);
}

// A quoted value, else a hex or legacy one (see hexOrLegacy). False when the
// closing quote is missing.
bool quotedOrHexOrLegacy(char *str, Value *out, char **term)
{
    if (*str == '"')
        return takeQuoted(str, out, term);
    hexOrLegacy(str, out, term);
    return true;
}

// The login uid after *term: "auid=" or, in older records, "loginuid=";
// *term is moved to the blank after it. False when it is missing or not a
// number.
bool readLoginUid(char **term, unsigned *out)
{
    Field f = numberField(*term, "auid=", out, term);
    if (f == Field::Absent)
        f = numberField(*term, "loginuid=", out, term);
    return f == Field::Read;
}

// The number after `key`; `mayEnd` lets it run to the end of the record.
static Field numberAfter(char *from, const char *key, int base, bool mayEnd, unsigned long *v,
                         char **term)
{
    char *str = std::strstr(from, key);
    if (!str)
        return Field::Absent;
    char *ptr = str + std::strlen(key);
    char *end = std::strchr(ptr, ' ');
    if ((!end && !mayEnd) || !readNumber(ptr, end, base, v))
        return Field::Bad;
    *term = end ? end : ptr;
    return Field::Read;
}

Field spacedNumber(char *from, const char *key, int base, unsigned long *v, char **term)
{
    return numberAfter(from, key, base, false, v, term);
}

Field lastNumber(char *from, const char *key, int base, unsigned long *v, char **term)
{
    return numberAfter(from, key, base, true, v, term);
}

Field resultField(char *from, Items &s)
{
    unsigned long v;
    char *term;
    const Field f = lastNumber(from, "res=", 10, &v, &term);
    if (f == Field::Read)
        s.success = outcomeOf(v);
    return f;
}

Field wordField(char *from, const char *key, char stop, Value *out, char **term)
{
    char *str = std::strstr(from, key);
    if (!str)
        return Field::Absent;
    str += std::strlen(key);
    char *end = std::strchr(str, stop);
    if (!end)
        end = std::strchr(str, ' ');
    if (!end)
        return Field::Bad;
    out->assign(str, end);
    *term = end;
    return Field::Read;
}

Field textField(char *from, const char *key, Value *out, char **term)
{
    char *str = std::strstr(from, key);
    if (!str)
        return Field::Absent;
    return quotedOrHex(str + std::strlen(key), out, term) ? Field::Read : Field::Bad;
}

} // namespace kvrreport
