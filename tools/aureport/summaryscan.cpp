#include "summaryscan.h"

// The message type table comes from libaudit (the library libauparse is built on).
#include <libaudit.h>

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstring>
#include <functional>
#include <string_view>
#include <unordered_map>

namespace kvrreport {

namespace {

// Record types that matter here (numbers of the kernel and libaudit).
enum : int {
    T_USER = 1005, T_LOGIN = 1006,
    T_USER_AUTH = 1100, T_USER_MGMT = 1102, T_USER_END = 1106, T_USER_AVC = 1107,
    T_USER_CHAUTHTOK = 1108, T_USYS_CONFIG = 1111, T_USER_LOGIN = 1112,
    T_ADD_USER = 1114, T_DEL_GROUP = 1117, T_GRP_AUTH = 1126, T_GRP_MGMT = 1132,
    T_LAST_USER_MSG = 1199,
    T_DAEMON_START = 1200, T_DAEMON_END = 1201, T_DAEMON_ABORT = 1202,
    T_DAEMON_CONFIG = 1203, T_DAEMON_ROTATE = 1205, T_DAEMON_RESUME = 1206,
    T_DAEMON_ACCEPT = 1207, T_DAEMON_CLOSE = 1208,
    T_SYSCALL = 1300, T_PATH = 1302, T_IPC = 1303, T_CONFIG_CHANGE = 1305,
    T_SOCKADDR = 1306, T_CWD = 1307, T_OBJ_PID = 1318, T_TTY = 1319, T_EOE = 1320,
    T_NETFILTER_PKT = 1324, T_NETFILTER_CFG = 1325, T_SECCOMP = 1326,
    T_PROCTITLE = 1327, T_FEATURE_CHANGE = 1328, T_EVENT_LISTENER = 1335,
    T_AVC = 1400, T_AVC_PATH = 1402, T_MAC_POLICY_LOAD = 1403,
    T_MAC_UNLBL_ALLOW = 1406, T_MAC_UNLBL_STCDEL = 1417, T_MAC_CALIPSO_DEL = 1419,
    T_FIRST_KERN_CRYPTO = 1600, T_LAST_KERN_CRYPTO = 1699,
    T_ANOM_PROMISCUOUS = 1700, T_ANOM_ABEND = 1701, T_ANOM_LINK = 1702,
    T_LAST_KERN_ANOM = 1799,
    T_INTEGRITY_DATA = 1800, T_INTEGRITY_RULE = 1805, T_INTEGRITY_LAST = 1899,
    T_KERNEL = 2000,
    T_FIRST_USER_MSG2 = 2100, T_FIRST_ANOM = 2100, T_LAST_ANOM = 2199,
    T_FIRST_ANOM_RESP = 2200, T_LAST_ANOM_RESP = 2299,
    T_FIRST_LSPP = 2300, T_ROLE_ASSIGN = 2301, T_ROLE_REMOVE = 2302,
    T_USER_MAC_CONFIG_CHANGE = 2312, T_LAST_LSPP = 2399,
    T_FIRST_CRYPTO = 2400, T_LAST_CRYPTO = 2499,
    T_FIRST_VIRT = 2500, T_VIRT_RESOURCE = 2501, T_LAST_VIRT = 2599,
    T_LAST_USER_MSG2 = 2999,
    T_FIRST_EVENT = 1300,
};

constexpr unsigned kUnsetLoginUid = 0xFFFFFFFEu; // "no login uid seen yet"
constexpr int kSuccessUnset = -1, kFailed = 0, kSucceeded = 1;
constexpr size_t kNameOffset = 28; // PATH/CWD values never start before this
constexpr size_t kPathMax = 4096;

int msgType(const char *name)
{
    static std::unordered_map<std::string, int> cache;
    auto it = cache.find(name);
    if (it != cache.end())
        return it->second;
    int t = audit_name_to_msg_type(name);
    if (cache.size() < 4096)
        cache.emplace(name, t);
    return t;
}

uint64_t hashOf(std::string_view s) { return std::hash<std::string_view>()(s); }

// A string value that may be absent.
struct Value {
    bool set = false;
    std::string text;
    void assign(const char *b, const char *e) { set = true; text.assign(b, e); }
    void assign(const char *s) { set = true; text.assign(s); }
    void clear() { set = false; text.clear(); }
};

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

// The items of one event that the summary counts.
struct Items {
    int pid = -1;
    int success = kSuccessUnset;
    unsigned loginuid = kUnsetLoginUid;
    int syscall = 0;
    Value hostname, cwd, exe, terminal, comm;
    std::vector<std::string> files;
    std::vector<std::string> keys;
};

// Appends a file name (quoted text, "(null)" or hex) to the event's files;
// relative names are joined to the working directory. Non-zero: malformed.
int parsePathValue(Items &s, char *path)
{
    std::string name;
    if (*path == '"') {
        ++path;
        char *term = std::strchr(path, '"');
        if (!term)
            return 2;
        name.assign(path, term);
    } else if (std::strncmp(path, "(null)", 6) == 0) {
        s.files.emplace_back("(null)");
        return 0;
    } else {
        if (!std::isxdigit(static_cast<unsigned char>(path[0])))
            return 4;
        std::string raw;
        if (path[0] == '0' && path[1] == '0') { // abstract socket name
            if (!unescapeRaw(path + 2, &raw))
                return 7;
        } else {
            if (!std::strchr(path, ' '))
                return 5;
            if (!unescapeRaw(path, &raw))
                return 7;
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
    return 0;
}

// key= of a syscall or configuration record: quoted text, or hex holding
// several keys separated by 0x01.
int parseKeyValue(Items &s, char *ptr, int errQuote, int errHex, char **termOut)
{
    if (*ptr == '"') {
        ++ptr;
        char *term = std::strchr(ptr, '"');
        if (!term)
            return errQuote;
        s.keys.emplace_back(ptr, term);
        *termOut = term;
        return 0;
    }
    std::string raw;
    if (!unescapeRaw(ptr, &raw))
        return errHex;
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
    return 0;
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
    char *ptr;
    if (char *str = std::strstr(*term, "auid="))
        ptr = str + 5;
    else if ((str = std::strstr(*term, "loginuid=")))
        ptr = str + 9;
    else
        return false;
    char *end = std::strchr(ptr, ' ');
    unsigned long v;
    if (!end || !readNumber(ptr, end, 10, &v))
        return false;
    *term = end;
    *out = static_cast<unsigned>(v);
    return true;
}

int parseTaskInfo(char *msg, Items &s)
{
    char *term = msg, *str, *ptr;
    unsigned long v;
    str = std::strstr(term, " pid=");
    if (!str)
        return 16;
    ptr = str + 5;
    term = std::strchr(ptr, ' ');
    if (!term)
        return 17;
    if (!readNumber(ptr, term, 10, &v))
        return 18;
    s.pid = static_cast<int>(v);

    if (!readLoginUid(&term, &s.loginuid))
        return 19;

    str = std::strstr(term, "tty=");
    if (str) {
        str += 4;
        term = std::strchr(str, ' ');
        if (!term)
            return 34;
        s.terminal.assign(str, term);
    }

    str = std::strstr(term, "comm=");
    if (!str)
        return 38;
    if (!quotedOrHex(str + 5, &s.comm, &term))
        return 37;

    str = std::strstr(msg, "exe=");
    if (!str)
        return 40;
    {
        char *t = term;
        if (!quotedOrHex(str + 4, &s.exe, &t))
            return 39;
        term = t;
    }

    str = std::strstr(term, "res=");
    if (str) {
        ptr = str + 4;
        term = std::strchr(ptr, ' ');
        if (!readNumber(ptr, term, 10, &v))
            return 43;
        s.success = static_cast<int>(v);
    }
    return 0;
}

int parseSyscall(char *msg, Items &s)
{
    char *term = msg, *str, *ptr;
    unsigned long v;
    str = std::strstr(term, "syscall=");
    if (!str)
        return 4;
    ptr = str + 8;
    term = std::strchr(ptr, ' ');
    if (!term)
        return 5;
    if (!readNumber(ptr, term, 10, &v))
        return 6;
    s.syscall = static_cast<int>(v);

    str = std::strstr(term, "success=");
    if (str) {
        ptr = str + 8;
        term = std::strchr(ptr, ' ');
        if (!term)
            return 7;
        s.success = (size_t(term - ptr) == 3 && std::strncmp(ptr, "yes", 3) == 0) ? kSucceeded
                                                                                   : kFailed;
    }
    for (const char *arg : {"a0=", "a1="}) {
        str = std::strstr(term, arg);
        if (!str)
            return 11;
        ptr = str + 3;
        term = std::strchr(ptr, ' ');
        if (!term)
            return 12;
        if (!readNumberLL(ptr, term, 16))
            return 13;
    }
    int ret = parseTaskInfo(msg, s);
    if (ret)
        return ret;
    str = std::strstr(term, "key=");
    if (str) {
        char *t = term;
        ret = parseKeyValue(s, str + 4, 44, 45, &t);
        if (ret)
            return ret;
    }
    return 0;
}

int parseCwd(char *msg, size_t len, Items &s)
{
    if (len < kNameOffset)
        return 0;
    char *str = std::strstr(msg + kNameOffset, " cwd=");
    if (!str)
        return 0;
    str += 5;
    if (*str == '"') {
        ++str;
        char *term = std::strchr(str, '"');
        if (!term)
            return 1;
        if (!s.cwd.set)
            s.cwd.assign(str, term);
    } else if (!s.cwd.set) {
        unescapeText(str, &s.cwd);
    }
    return 0;
}

int parsePathRecord(char *msg, size_t len, Items &s)
{
    if (len < kNameOffset)
        return 0;
    char *str = std::strstr(msg + kNameOffset, " name=");
    if (str)
        return parsePathValue(s, str + 6);
    return 0;
}

int parseAvcPath(char *msg, Items &s)
{
    char *str = std::strstr(msg, " path=");
    if (str)
        return parsePathValue(s, str + 6);
    return 1;
}

// Up to `stop` or else to the next blank; fails when neither follows.
char *endAt(char *str, char stop)
{
    char *term = std::strchr(str, stop);
    if (!term)
        term = std::strchr(str, ' ');
    return term;
}

int parseUser(char *msg, int type, Items &s)
{
    char *term = msg, *str, *ptr, *mptr;
    unsigned long v;
    str = std::strstr(term, "pid=");
    if (!str)
        return 1;
    ptr = str + 4;
    term = std::strchr(ptr, ' ');
    if (!term)
        return 2;
    if (!readNumber(ptr, term, 10, &v))
        return 3;
    s.pid = static_cast<int>(v);

    if (!readLoginUid(&term, &s.loginuid))
        return 7;

    if (type == T_VIRT_RESOURCE) {
        size_t skip = 6;
        str = std::strstr(term, " path=");
        if (!str) {
            skip = 10;
            str = std::strstr(term, " new-disk=");
        }
        if (str) {
            str += skip;
            int rc = parsePathValue(s, str);
            if (rc)
                return rc;
            term = str;
        }
    }
    mptr = term;

    str = std::strstr(mptr, "comm=");
    if (str) {
        if (!quotedOrHex(str + 5, &s.comm, &term))
            return 16;
    }

    str = std::strstr(mptr, "acct=");
    if (str) {
        ptr = str + 5;
        if (*ptr == '"') {
            term = ptr + 1;
            while (*term != '"' && *term)
                ++term;
        } else {
            Value acct;
            hexOrLegacy(ptr, &acct, &term);
        }
    }
    mptr = term;

    str = std::strstr(mptr, "hostname=");
    if (str) {
        str += 9;
        term = endAt(str, ',');
        if (!term)
            return 17;
        s.hostname.assign(str, term);
        if (s.hostname.text == "?") {
            ++term;
            str = std::strstr(term, "addr=");
            if (str) {
                str += 5;
                term = endAt(str, ',');
                if (!term)
                    return 18;
                s.hostname.assign(str, term);
            }
        }
    }

    str = std::strstr(mptr, "cwd=");
    if (str && !quotedOrHexOrLegacy(str + 4, &s.cwd, &term))
        return 20;

    str = std::strstr(mptr, "terminal=");
    if (str) {
        str += 9;
        term = std::strchr(str, ' ');
        if (!term) {
            term = std::strchr(str, ')');
            if (!term)
                return 19;
        }
        s.terminal.assign(str, term);
        *term = ' '; // the stock reader leaves a blank in place of a ')'
    }

    str = std::strstr(mptr, "exe=");
    if (str && !quotedOrHexOrLegacy(str + 4, &s.exe, &term))
        return 26;

    str = std::strstr(mptr, "res=");
    if (str) {
        ptr = str + 4;
        term = std::strchr(ptr, '\'');
        if (!term)
            return 21;
        s.success = (term - ptr >= 6 && std::strncmp(ptr, "failed", 6) == 0) ? kFailed : kSucceeded;
    } else if ((str = std::strstr(mptr, "result="))) {
        ptr = str + 7;
        term = std::strchr(ptr, ')');
        if (!term)
            return 22;
        s.success = (term - ptr == 7 && strncasecmp(ptr, "success", 7) == 0) ? kSucceeded : kFailed;
    }
    return 0;
}

int parseLogin(char *msg, Items &s)
{
    char *term = msg, *str, *ptr;
    unsigned long v;
    str = std::strstr(term, "pid=");
    if (!str)
        return 1;
    ptr = str + 4;
    term = std::strchr(ptr, ' ');
    if (!term)
        return 2;
    if (!readNumber(ptr, term, 10, &v))
        return 3;
    s.pid = static_cast<int>(v);

    if ((str = std::strstr(term, "new auid=")))
        ptr = str + 9;
    else if ((str = std::strstr(term, " auid=")))
        ptr = str + 6;
    else if ((str = std::strstr(term, "new loginuid=")))
        ptr = str + 13;
    else
        return 7;
    term = std::strchr(ptr, ' ');
    if (!readNumber(ptr, term, 10, &v))
        return 8;
    s.loginuid = static_cast<unsigned>(v);

    if (!term)
        term = msg;
    str = std::strstr(term, "res=");
    if (str) {
        ptr = str + 4;
        term = std::strchr(ptr, ' ');
        if (!readNumber(ptr, term, 10, &v))
            return 9;
        s.success = static_cast<int>(v);
    } else {
        s.success = kSucceeded; // older kernels: always successful
    }
    return 0;
}

// res= of the daemon records: a word; "failed..." means failure.
int daemonResult(char *str, Items &s, int err)
{
    char *ptr = str + 4, *term = ptr;
    while (std::isalpha(static_cast<unsigned char>(*term)))
        ++term;
    if (term == ptr)
        return err;
    s.success = (term - ptr >= 6 && std::strncmp(ptr, "failed", 6) == 0) ? kFailed : kSucceeded;
    return 0;
}

int parseDaemon1(char *msg, Items &s)
{
    char *mptr = std::strchr(msg, ')');
    if (!mptr)
        mptr = msg;
    char *str, *ptr, *term;
    unsigned long v;
    str = std::strstr(mptr, "auid=");
    if (!str)
        return 1;
    ptr = str + 5;
    term = std::strchr(ptr, ' ');
    if (!term)
        return 2;
    if (!readNumber(ptr, term, 10, &v))
        return 3;
    s.loginuid = static_cast<unsigned>(v);

    str = std::strstr(term, "pid=");
    if (!str)
        return 4;
    ptr = str + 4;
    term = std::strchr(ptr, ' ');
    if (!term)
        return 5;
    if (!readNumber(ptr, term, 10, &v))
        return 6;
    s.pid = static_cast<int>(v);

    str = std::strstr(mptr, "res=");
    if (str)
        return daemonResult(str, s, 12);
    return 0;
}

int parseDaemon2(char *msg, Items &s)
{
    char *term = msg, *str;
    str = std::strstr(term, "addr=");
    if (str) {
        str += 5;
        term = endAt(str, ':');
        if (!term)
            return 1;
        s.hostname.assign(str, term);
    }
    str = std::strstr(term, "res=");
    if (str)
        return daemonResult(str, s, 2);
    return 0;
}

int parseSockaddr(char *msg, Items &s)
{
    char *str = std::strstr(msg, "saddr=");
    if (!str)
        return 0;
    str += 6;
    size_t len = 0;
    if (*str == '(') {
        const char *close = std::strchr(str, ')');
        if (close)
            len = size_t(close - str) + 1;
    } else {
        while (std::isxdigit(static_cast<unsigned char>(str[len])))
            ++len;
        len /= 2;
    }
    std::string raw;
    if (!unescapeRaw(str, &raw)) {
        s.hostname.clear();
        return 4;
    }
    // The decoded bytes are read as a struct sockaddr; pad so that reading
    // the fixed-size structures never runs off the end.
    raw.resize(std::max<size_t>(raw.size() + 1, sizeof(sockaddr_in6) + 1), '\0');
    unsigned family = static_cast<unsigned char>(raw[0]) | (static_cast<unsigned char>(raw[1]) << 8);
    s.hostname.clear();
    if (family == AF_INET) {
        if (len < sizeof(sockaddr_in))
            return 1;
        len = sizeof(sockaddr_in);
    } else if (family == AF_INET6) {
        if (len < sizeof(sockaddr_in6))
            return 2;
        len = sizeof(sockaddr_in6);
    } else if (family == AF_UNIX) {
        if (len < 4)
            return 3;
        const char *sunPath = raw.data() + 2;
        s.files.emplace_back(sunPath[0] ? sunPath : sunPath + 1);
        return 0;
    } else {
        return 0;
    }
    sockaddr_storage ss{};
    std::memcpy(&ss, raw.data(), len);
    char name[NI_MAXHOST];
    if (getnameinfo(reinterpret_cast<sockaddr *>(&ss), socklen_t(len), name, sizeof(name),
                    nullptr, 0, NI_NUMERICHOST) == 0)
        s.hostname.assign(name);
    return 0;
}

int parseIntegrity(char *msg, Items &s)
{
    char *term = msg, *str, *ptr;
    unsigned long v;
    str = std::strstr(term, "pid=");
    if (str) {
        ptr = str + 4;
        term = std::strchr(ptr, ' ');
        if (!term)
            return 1;
        if (!readNumber(ptr, term, 10, &v))
            return 2;
        s.pid = static_cast<int>(v);
    }
    str = std::strstr(msg, "auid=");
    if (str) {
        ptr = str + 5;
        term = std::strchr(ptr, ' ');
        if (!term)
            return 5;
        if (!readNumber(ptr, term, 10, &v))
            return 6;
        s.loginuid = static_cast<unsigned>(v);
    }
    str = std::strstr(term, "comm=");
    if (str && !quotedOrHex(str + 5, &s.comm, &term))
        return 7;
    str = std::strstr(term, " name=");
    if (str && parsePathValue(s, str + 6))
        return 8;
    str = std::strstr(term, "res=");
    if (str) {
        ptr = str + 4;
        term = std::strchr(ptr, ' ');
        if (!readNumber(ptr, term, 10, &v))
            return 9;
        s.success = static_cast<int>(v);
    }
    return 0;
}

int parseAvc(char *msg, size_t len, int type, Items &s)
{
    char *term = msg, *str;
    unsigned long v;
    char *end = msg + len;
    str = std::strstr(term, "avc: ");
    if (str) {
        str += 5;
        term = std::strchr(str, '{');
        if (!term) {
            term = msg;
        } else {
            *term = 0;
            s.success = std::strstr(str, "denied") ? kFailed : kSucceeded;
            *term = '{';
            str = term + 1;
            while (*str == ' ')
                ++str;
            term = std::strchr(str, '}');
            if (!term)
                return 2;
            while (*(term - 1) == ' ')
                --term;
            *term = ' '; // the stock reader leaves a blank here
        }
    }
    if (type == T_USER_AVC) {
        int rc = parseUser(msg, type, s);
        return rc > 20 ? 0 : rc;
    }
    str = std::strstr(term, "pid=");
    if (str) {
        str += 4;
        term = std::strchr(str, ' ');
        if (!term)
            return 3;
        if (!readNumber(str, term, 10, &v))
            return 4;
        s.pid = static_cast<int>(v);
    }
    if (!s.comm.set) {
        str = std::strstr(term, "comm=");
        if (!str)
            return 5;
        str += 5;
        if (*str == '"') {
            ++str;
            term = std::strchr(str, '"');
            if (!term)
                return 6;
            s.comm.assign(str, term);
        } else {
            if (!unescapeText(str, &s.comm))
                return 11;
            term = str + 6;
        }
    }
    str = std::strstr(term, " path=");
    if (!str)
        str = std::strstr(term, " name=");
    if (str) {
        int rc = parsePathValue(s, str + 6);
        if (rc)
            return rc;
        term = term + 7 < end ? term + 7 : end;
    }
    if (term > end)
        term = end;
    if (!std::strstr(term, "tclass="))
        return 9;
    return 0;
}

int parseKernelAnomaly(char *msg, int type, Items &s)
{
    char *term = msg, *str, *ptr;
    unsigned long v;
    str = std::strstr(term, "auid=");
    if (!str)
        return 1;
    ptr = str + 5;
    term = std::strchr(ptr, ' ');
    if (!readNumber(ptr, term, 10, &v))
        return 2;
    s.loginuid = static_cast<unsigned>(v);
    if (!term)
        term = ptr;
    if (type == T_ANOM_PROMISCUOUS)
        return 0;
    str = std::strstr(term, "pid=");
    if (str) {
        ptr = str + 4;
        term = std::strchr(ptr, ' ');
        if (!term)
            return 10;
        if (!readNumber(ptr, term, 10, &v))
            return 11;
        s.pid = static_cast<int>(v);
    }
    str = std::strstr(term, "comm=");
    if (str && !quotedOrHex(str + 5, &s.comm, &term))
        return 12;
    str = std::strstr(term, "exe=");
    if (str) {
        if (!quotedOrHex(str + 4, &s.exe, &term))
            return 13;
    } else if (type != T_ANOM_ABEND) {
        return 14;
    }
    if (type == T_SECCOMP) {
        str = std::strstr(term, "arch=");
        if (!str)
            return 0;
        ptr = str + 5;
        term = std::strchr(ptr, ' ');
        if (!term)
            return 15;
        if (!readNumber(ptr, term, 16, &v))
            return 16;
        str = std::strstr(term, "syscall=");
        if (!str)
            return 17;
        ptr = str + 8;
        term = std::strchr(ptr, ' ');
        if (!term)
            return 18;
        if (!readNumber(ptr, term, 10, &v))
            return 19;
        s.syscall = static_cast<int>(v);
    }
    str = std::strstr(term, "res=");
    if (str) {
        ptr = str + 4;
        term = std::strchr(ptr, ' ');
        if (!readNumber(ptr, term, 10, &v))
            return 68;
        s.success = static_cast<int>(v);
    }
    return 0;
}

int parseSimpleMessage(char *msg, int type, Items &s)
{
    char *term = msg, *str, *ptr;
    unsigned long v;
    str = std::strstr(term, "auid=");
    if (!str && type != T_CONFIG_CHANGE)
        return 1;
    if (str) {
        ptr = str + 5;
        term = std::strchr(ptr, ' ');
        if (!readNumber(ptr, term, 10, &v))
            return 2;
        s.loginuid = static_cast<unsigned>(v);
        if (!term)
            term = ptr;
    }
    str = std::strstr(term, "key=");
    if (str) {
        int rc = parseKeyValue(s, str + 4, 6, 8, &term);
        if (rc)
            return rc;
    }
    if (type == T_CONFIG_CHANGE)
        s.success = kSucceeded;
    str = std::strstr(term, "res=");
    if (str) {
        ptr = str + 4;
        term = std::strchr(ptr, ' ');
        if (!readNumber(ptr, term, 10, &v))
            return 7;
        s.success = static_cast<int>(v);
    }
    return 0;
}

int parseTty(char *msg, Items &s)
{
    char *term = msg, *str, *ptr;
    unsigned long v;
    str = std::strstr(msg, "pid=");
    if (str) {
        ptr = str + 4;
        term = std::strchr(ptr, ' ');
        if (!term)
            return 1;
        if (!readNumber(ptr, term, 10, &v))
            return 2;
        s.pid = static_cast<int>(v);
    }
    str = std::strstr(term, "auid=");
    if (!str)
        return 5;
    ptr = str + 5;
    term = std::strchr(ptr, ' ');
    if (!readNumber(ptr, term, 10, &v))
        return 6;
    s.loginuid = static_cast<unsigned>(v);
    if (!term)
        term = ptr;
    str = std::strstr(term, "comm=");
    if (str && !quotedOrHex(str + 5, &s.comm, &term))
        return 11;
    return 0;
}

int parsePacket(char *msg, Items &s)
{
    char *str = std::strstr(msg, "saddr=");
    if (str) {
        char *ptr = str + 6;
        char *term = std::strchr(ptr, ' ');
        if (!term)
            return 1;
        s.hostname.assign(ptr, term);
    }
    return 0;
}

// Netfilter configuration and event-listener records: fill what earlier
// records of the event left unset.
int parseKernelRecord(char *msg, Items &s)
{
    char *term = msg, *str, *ptr;
    unsigned long v;
    if (s.pid == -1) {
        str = std::strstr(term, " pid=");
        if (!str)
            return 54;
        ptr = str + 5;
        term = std::strchr(ptr, ' ');
        if (!term)
            return 52;
        if (!readNumber(ptr, term, 10, &v))
            return 53;
        s.pid = static_cast<int>(v);
    }
    if (s.loginuid == kUnsetLoginUid) {
        str = std::strstr(term, "auid=");
        if (str) {
            ptr = str + 5;
            term = std::strchr(ptr, ' ');
            if (!term)
                return 57;
            if (!readNumber(ptr, term, 10, &v))
                return 58;
            s.loginuid = static_cast<unsigned>(v);
        } else {
            s.loginuid = 0xFFFFFFFFu;
        }
    }
    if (!s.terminal.set) {
        str = std::strstr(term, "tty=");
        if (str) {
            str += 4;
            term = std::strchr(str, ' ');
            if (!term)
                return 59;
            s.terminal.assign(str, term);
        } else {
            s.terminal.assign("(none)");
        }
    }
    if (!s.comm.set) {
        str = std::strstr(term, "comm=");
        if (!str)
            return 66;
        if (!quotedOrHex(str + 5, &s.comm, &term))
            return 65;
    }
    if (!s.exe.set) {
        str = std::strstr(msg, "exe=");
        if (str) {
            if (!quotedOrHex(str + 4, &s.exe, &term))
                return 67;
        } else {
            s.exe.assign("(null)");
        }
    }
    str = std::strstr(term, "res=");
    if (str) {
        ptr = str + 4;
        term = std::strchr(ptr, ' ');
        if (!readNumber(ptr, term, 10, &v))
            return 69;
        s.success = static_cast<int>(v);
    }
    return 0;
}

bool isUserMessage(int t)
{
    return t == T_USER || (t >= T_USER_AUTH && t <= T_USER_END) ||
           (t >= T_USER_CHAUTHTOK && t <= T_LAST_USER_MSG) ||
           (t >= T_FIRST_USER_MSG2 && t <= T_LAST_USER_MSG2);
}

// Takes one record's items into the event. Non-zero: the record is
// malformed, and the stock tool then leaves the whole event out.
int parseRecord(int type, char *msg, size_t len, Items &s)
{
    if (isUserMessage(type))
        return parseUser(msg, type, s);
    if (type >= T_MAC_POLICY_LOAD && type <= T_MAC_UNLBL_STCDEL)
        return parseSimpleMessage(msg, type, s);
    if (type >= T_INTEGRITY_DATA && type <= T_INTEGRITY_RULE)
        return parseIntegrity(msg, s);
    switch (type) {
    case T_SYSCALL: return parseSyscall(msg, s);
    case T_CWD: return parseCwd(msg, len, s);
    case T_AVC_PATH: return parseAvcPath(msg, s);
    case T_PATH: return parsePathRecord(msg, len, s);
    case T_SOCKADDR: return parseSockaddr(msg, s);
    case T_LOGIN: return parseLogin(msg, s);
    case T_DAEMON_START:
    case T_DAEMON_END:
    case T_DAEMON_ABORT:
    case T_DAEMON_CONFIG:
    case T_DAEMON_ROTATE:
    case T_DAEMON_RESUME:
        return parseDaemon1(msg, s);
    case T_DAEMON_ACCEPT:
    case T_DAEMON_CLOSE:
        return parseDaemon2(msg, s);
    case T_CONFIG_CHANGE: {
        int rc = parseSimpleMessage(msg, type, s);
        // Newer kernels name the rules file; older ones have no path=.
        (void)parseAvcPath(msg, s);
        return rc;
    }
    case T_AVC:
    case T_USER_AVC:
        return parseAvc(msg, len, type, s);
    case T_NETFILTER_PKT: return parsePacket(msg, s);
    case T_FEATURE_CHANGE:
    case T_ANOM_LINK:
        return parseTaskInfo(msg, s);
    case T_SECCOMP:
    case T_ANOM_PROMISCUOUS:
    case T_ANOM_ABEND:
        return parseKernelAnomaly(msg, type, s);
    case T_TTY: return parseTty(msg, s);
    case T_NETFILTER_CFG:
    case T_EVENT_LISTENER:
        return parseKernelRecord(msg, s);
    default:
        return 0; // nothing the summary needs (EXECVE, PROCTITLE, ...)
    }
}

// strsplit of the audit userspace: words separated by one or more blanks.
struct Splitter {
    char *rest = nullptr;
    char *next(char *start)
    {
        if (start) {
            rest = start;
        } else {
            if (!rest)
                return nullptr;
            ++rest;
        }
        while (true) {
            char *blank = std::strchr(rest, ' ');
            if (blank) {
                if (blank == rest) {
                    ++rest;
                    continue;
                }
                char *word = rest;
                *blank = 0;
                rest = blank;
                return word;
            }
            char *word = rest;
            rest = nullptr;
            return *word ? word : nullptr;
        }
    }
};

} // namespace

void HashSet64::insert(uint64_t key)
{
    if (key == 0) {
        if (!hasZero_) {
            hasZero_ = true;
            ++count_;
        }
        return;
    }
    if ((count_ + 1) * 2 > slots_.size())
        grow();
    size_t mask = slots_.size() - 1;
    size_t i = size_t(key ^ (key >> 29)) & mask;
    while (slots_[i] != 0) {
        if (slots_[i] == key)
            return;
        i = (i + 1) & mask;
    }
    slots_[i] = key;
    ++count_;
}

void HashSet64::grow()
{
    std::vector<uint64_t> old;
    old.swap(slots_);
    slots_.assign(old.empty() ? 64 : old.size() * 2, 0);
    size_t mask = slots_.size() - 1;
    for (uint64_t key : old) {
        if (key == 0)
            continue;
        size_t i = size_t(key ^ (key >> 29)) & mask;
        while (slots_[i] != 0)
            i = (i + 1) & mask;
        slots_[i] = key;
    }
}

struct SummaryScanner::Event {
    int64_t sec = 0;
    unsigned milli = 0;
    unsigned long serial = 0;
    bool hasNode = false;
    std::string node;
    int firstType = 0;
    struct Record {
        int type;
        std::string text;
    };
    std::vector<Record> records;
};

SummaryScanner::SummaryScanner(int64_t startSec, int64_t endSec, long eoeTimeout)
    : startSec_(startSec), endSec_(endSec), eoeTimeout_(eoeTimeout)
{
}

SummaryScanner::~SummaryScanner()
{
    for (Event *ev : building_)
        delete ev;
}

namespace {

// Time stamp of "msg=audit(SEC.MILLI:SERIAL)". False: malformed.
bool readStamp(char *s, long eoeTimeout, int64_t *sec, unsigned *milli, unsigned long *serial)
{
    errno = 0;
    unsigned long v = std::strtoul(s, nullptr, 10);
    if (errno || v > static_cast<unsigned long>(LONG_MAX - eoeTimeout - 1))
        return false;
    *sec = static_cast<int64_t>(v);
    char *ptr = std::strchr(s, '.');
    if (ptr) {
        ++ptr;
        unsigned long m = std::strtoul(ptr, nullptr, 10);
        if (errno || m > 999)
            return false;
        *milli = static_cast<unsigned>(m);
        s = ptr;
    } else {
        *milli = 0;
    }
    ptr = std::strchr(s, ':');
    if (ptr) {
        *serial = std::strtoul(ptr + 1, nullptr, 10);
        if (errno)
            return false;
    } else {
        *serial = 0;
    }
    return true;
}

} // namespace

void SummaryScanner::addLine(const char *line, size_t len)
{
    // The record is a C string: anything after a NUL byte is not seen.
    len = strnlen(line, len);
    if (len == 0)
        return;

    // Node, type and time stamp from the first words of the line.
    char head[344];
    size_t headLen = std::min(len, size_t(line[0] == 'n' ? 340 : 80));
    std::memcpy(head, line, headLen);
    head[headLen] = 0;
    char *headEnd = head + headLen;
    Splitter split;
    char *word = split.next(head);
    if (!word)
        return;
    const char *node = nullptr;
    if (*word == 'n') {
        node = std::min(word + 5, headEnd);
        word = split.next(nullptr);
    }
    const char *typeName = word ? std::min(word + 5, headEnd) : headEnd;
    char *msg = split.next(nullptr);
    if (!msg || strnlen(msg, 20) <= 18)
        return;
    char *ptr = msg[9] == '(' ? msg + 9 : std::strchr(msg, '(');
    if (!ptr)
        return;
    ++ptr;
    if (char *close = std::strchr(ptr, ')'))
        *close = 0;
    int64_t sec;
    unsigned milli;
    unsigned long serial;
    if (!readStamp(ptr, eoeTimeout_, &sec, &milli, &serial))
        return; // malformed time stamp: the line is skipped
    if (!hasRecords_ || sec < first_.sec || (sec == first_.sec && milli < first_.milli))
        first_ = {sec, milli};
    if (!hasRecords_ || sec > last_.sec || (sec == last_.sec && milli > last_.milli))
        last_ = {sec, milli};
    hasRecords_ = true;
    if ((startSec_ && sec < startSec_) || (endSec_ && sec > endSec_))
        return;
    int type = msgType(typeName);

    // The record text: up to the ENRICHED separator, else without newline.
    std::string_view text(line, len);
    size_t cut = text.find('\x1d');
    if (cut != std::string_view::npos)
        text = text.substr(0, cut);
    else if (size_t nl = text.rfind('\n'); nl != std::string_view::npos)
        text = text.substr(0, nl);

    for (Event *ev : building_) {
        if (ev->serial == serial && ev->milli == milli && ev->sec == sec &&
            ev->hasNode == (node != nullptr) && (!node || ev->node == node)) {
            ev->records.push_back({type, std::string(text)});
            return;
        }
    }
    if (type == T_EOE)
        return; // its event was already complete
    auto *ev = new Event;
    ev->sec = sec;
    ev->milli = milli;
    ev->serial = serial;
    if (node) {
        ev->hasNode = true;
        ev->node = node;
    }
    ev->firstType = type;
    ev->records.push_back({type, std::string(text)});
    building_.push_back(ev);
    checkEvents(sec);
}

void SummaryScanner::checkEvents(int64_t sec)
{
    for (size_t i = 0; i < building_.size();) {
        const Event *ev = building_[i];
        int t = ev->firstType;
        bool done = ev->sec + eoeTimeout_ <= sec || t == T_PROCTITLE || t < T_FIRST_EVENT ||
                    t >= T_FIRST_ANOM || t == T_KERNEL ||
                    (t >= T_MAC_UNLBL_ALLOW && t <= T_MAC_CALIPSO_DEL);
        if (done)
            completeEvent(i);
        else
            ++i;
    }
}

void SummaryScanner::completeEvent(size_t index)
{
    Event *ev = building_[index];
    building_.erase(building_.begin() + static_cast<std::ptrdiff_t>(index));
    countEvent(*ev);
    delete ev;
}

void SummaryScanner::finish()
{
    while (!building_.empty())
        completeEvent(0);
}

void SummaryScanner::countEvent(Event &ev)
{
    Items s;
    for (auto &rec : ev.records) {
        if (parseRecord(rec.type, rec.text.data(), rec.text.size(), s) != 0)
            return; // malformed: the whole event is left out
    }
    auto has = [&ev](int lo, int hi) {
        for (const auto &rec : ev.records)
            if (rec.type >= lo && rec.type <= hi)
                return true;
        return false;
    };
    auto hasType = [&has](int t) { return has(t, t); };
    SummaryFigures &f = figures_;
    ++f.events;

    for (int t : {int(T_CONFIG_CHANGE), int(T_DAEMON_CONFIG), int(T_USYS_CONFIG),
                  int(T_NETFILTER_CFG), int(T_FEATURE_CHANGE), int(T_USER_MAC_CONFIG_CHANGE)})
        f.configChanges += hasType(t);
    f.configChanges += has(T_MAC_POLICY_LOAD, T_MAC_UNLBL_STCDEL);

    f.accountChanges += hasType(T_USER_CHAUTHTOK);
    f.accountChanges += has(T_ADD_USER, T_DEL_GROUP);
    f.accountChanges += hasType(T_USER_MGMT);
    f.accountChanges += hasType(T_GRP_MGMT);
    f.accountChanges += has(T_ROLE_ASSIGN, T_ROLE_REMOVE);

    f.crypto += has(T_FIRST_KERN_CRYPTO, T_LAST_KERN_CRYPTO);
    f.crypto += has(T_FIRST_CRYPTO, T_LAST_CRYPTO);

    if (hasType(T_USER_LOGIN)) {
        f.logins += s.success == kSucceeded;
        f.failedLogins += s.success == kFailed;
    }
    if (hasType(T_USER_AUTH) || (!hasType(T_USER_MGMT) && hasType(T_GRP_AUTH))) {
        f.authentications += s.success == kSucceeded;
        f.failedAuthentications += s.success == kFailed;
    } else if (hasType(T_USER_MGMT)) {
        f.failedAuthentications += s.success == kFailed;
    }

    if (s.loginuid != kUnsetLoginUid)
        f.users.insert(s.loginuid + 1ull); // never 0: uid 0 is a user too
    if (s.terminal.set)
        f.terminals.insert(hashOf(s.terminal.text));
    if (s.hostname.set)
        f.hosts.insert(hashOf(s.hostname.text));
    if (s.exe.set)
        f.executables.insert(hashOf(s.exe.text));
    if (s.comm.set)
        f.commands.insert(hashOf(s.comm.text));
    for (const auto &file : s.files)
        f.files.insert(hashOf(file));

    f.avcs += hasType(T_AVC) || hasType(T_USER_AVC);
    f.macEvents += has(T_MAC_POLICY_LOAD, T_MAC_UNLBL_STCDEL);
    f.macEvents += has(T_FIRST_LSPP, T_LAST_LSPP);
    f.virt += has(T_FIRST_VIRT, T_LAST_VIRT);
    f.integrity += has(T_INTEGRITY_DATA, T_INTEGRITY_LAST);
    f.failedSyscalls += s.success == kFailed && s.syscall > 0;
    if (s.pid != -1)
        f.pids.insert(static_cast<uint32_t>(s.pid) + 1ull);
    f.anomalies += has(T_FIRST_ANOM, T_LAST_ANOM);
    f.anomalies += has(T_ANOM_PROMISCUOUS, T_LAST_KERN_ANOM);
    f.responses += has(T_FIRST_ANOM_RESP, T_LAST_ANOM_RESP);
    for (const auto &key : s.keys)
        if (key != "(null)")
            f.keys.insert(hashOf(key));
}

bool SummaryScanner::scanFile(std::FILE *in, bool lastFile)
{
    // Lines are cut like fgets into a buffer of kMaxAuditMessageLength bytes.
    constexpr size_t kPiece = kMaxAuditMessageLength - 1;
    std::vector<char> buf(1 << 20);
    carry_.clear();
    while (true) {
        size_t n = std::fread(buf.data(), 1, buf.size(), in);
        if (n == 0)
            break;
        const char *p = buf.data();
        const char *end = p + n;
        while (p < end) {
            size_t room = kPiece - carry_.size();
            size_t avail = std::min(size_t(end - p), room);
            const char *nl = static_cast<const char *>(std::memchr(p, '\n', avail));
            if (nl) {
                size_t take = size_t(nl - p) + 1;
                if (carry_.empty()) {
                    addLine(p, take);
                } else {
                    carry_.append(p, take);
                    addLine(carry_.data(), carry_.size());
                    carry_.clear();
                }
                p += take;
            } else if (avail == room) {
                carry_.append(p, avail);
                addLine(carry_.data(), carry_.size());
                carry_.clear();
                p += avail;
            } else {
                carry_.append(p, avail);
                p += avail;
            }
        }
    }
    if (std::ferror(in))
        return false;
    if (!carry_.empty()) {
        addLine(carry_.data(), carry_.size());
        carry_.clear();
    }
    if (lastFile)
        finish();
    return true;
}

} // namespace kvrreport
