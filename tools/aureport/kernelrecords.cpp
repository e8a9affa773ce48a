// The summary's parsers of kernel records: system calls and their working
// directory and path items, sockets, AVCs, integrity, anomaly, seccomp, TTY,
// netfilter and configuration-change records. Each returns false on a
// malformed record; every scan stays inside the record text.
#include "recordfields.h"

#include <libaudit.h>

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace kvrreport {

bool parseTaskInfo(char *msg, Items &s)
{
    char *term = msg;
    if (numberField(term, " pid=", &s.pid, &term) != Field::Read)
        return false;
    if (!readLoginUid(&term, &s.loginuid))
        return false;
    if (wordField(term, "tty=", ' ', &s.terminal, &term) == Field::Bad)
        return false;
    if (textField(term, "comm=", &s.comm, &term) != Field::Read)
        return false;
    if (textField(msg, "exe=", &s.exe, &term) != Field::Read)
        return false;
    return resultField(term, s) != Field::Bad;
}

bool parseSyscall(char *msg, Items &s)
{
    char *term = msg, *str, *ptr;
    if (numberField(term, "syscall=", &s.syscall, &term) != Field::Read)
        return false;

    str = std::strstr(term, "success=");
    if (str) {
        ptr = str + 8;
        term = std::strchr(ptr, ' ');
        if (!term)
            return false;
        s.success = (size_t(term - ptr) == 3 && std::strncmp(ptr, "yes", 3) == 0)
            ? Outcome::Succeeded
            : Outcome::Failed;
    }
    for (const char *arg : {"a0=", "a1="}) {
        str = std::strstr(term, arg);
        if (!str)
            return false;
        ptr = str + 3;
        term = std::strchr(ptr, ' ');
        if (!term)
            return false;
        if (!readNumberLL(ptr, term, 16))
            return false;
    }
    if (!parseTaskInfo(msg, s))
        return false;
    str = std::strstr(term, "key=");
    if (str) {
        char *t = term;
        if (!parseKeyValue(s, str + 4, &t))
            return false;
    }
    return true;
}

bool parseCwd(char *msg, size_t len, Items &s)
{
    if (len < kNameOffset)
        return true;
    char *str = std::strstr(msg + kNameOffset, " cwd=");
    if (!str)
        return true;
    str += 5;
    if (*str == '"') {
        ++str;
        char *term = std::strchr(str, '"');
        if (!term)
            return false;
        if (!s.cwd.set)
            s.cwd.assign(str, term);
    } else if (!s.cwd.set) {
        unescapeText(str, &s.cwd);
    }
    return true;
}

bool parsePathRecord(char *msg, size_t len, Items &s)
{
    if (len < kNameOffset)
        return true;
    char *str = std::strstr(msg + kNameOffset, " name=");
    if (str)
        return parsePathValue(s, str + 6);
    return true;
}

bool parseAvcPath(char *msg, Items &s)
{
    char *str = std::strstr(msg, " path=");
    if (str)
        return parsePathValue(s, str + 6);
    return false;
}

bool parseSockaddr(char *msg, Items &s)
{
    char *str = std::strstr(msg, "saddr=");
    if (!str)
        return true;
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
        return false;
    }
    // The decoded bytes are read as a struct sockaddr; pad so that reading
    // the fixed-size structures never runs off the end.
    raw.resize(std::max<size_t>(raw.size() + 1, sizeof(sockaddr_in6) + 1), '\0');
    unsigned family =
        static_cast<unsigned char>(raw[0]) | (static_cast<unsigned char>(raw[1]) << 8);
    s.hostname.clear();
    if (family == AF_INET) {
        if (len < sizeof(sockaddr_in))
            return false;
        len = sizeof(sockaddr_in);
    } else if (family == AF_INET6) {
        if (len < sizeof(sockaddr_in6))
            return false;
        len = sizeof(sockaddr_in6);
    } else if (family == AF_UNIX) {
        if (len < 4)
            return false;
        const char *sunPath = raw.data() + 2;
        s.files.emplace_back(sunPath[0] ? sunPath : sunPath + 1);
        return true;
    } else {
        return true;
    }
    sockaddr_storage ss{};
    std::memcpy(&ss, raw.data(), len);
    char name[NI_MAXHOST];
    if (getnameinfo(reinterpret_cast<sockaddr *>(&ss), socklen_t(len), name, sizeof(name), nullptr,
                    0, NI_NUMERICHOST)
        == 0)
        s.hostname.assign(name);
    return true;
}

bool parseIntegrity(char *msg, Items &s)
{
    char *term = msg;
    if (numberField(term, "pid=", &s.pid, &term) == Field::Bad)
        return false;
    if (numberField(msg, "auid=", &s.loginuid, &term) == Field::Bad)
        return false;
    if (textField(term, "comm=", &s.comm, &term) == Field::Bad)
        return false;
    char *str = std::strstr(term, " name=");
    if (str && !parsePathValue(s, str + 6))
        return false;
    return resultField(term, s) != Field::Bad;
}

bool parseAvc(char *msg, size_t len, int type, Items &s)
{
    char *term = msg, *str;
    char *end = msg + len;
    str = std::strstr(term, "avc: ");
    if (str) {
        str += 5;
        term = std::strchr(str, '{');
        if (!term) {
            term = msg;
        } else {
            *term = 0;
            s.success = std::strstr(str, "denied") ? Outcome::Failed : Outcome::Succeeded;
            *term = '{';
            str = term + 1;
            while (*str == ' ')
                ++str;
            term = std::strchr(str, '}');
            if (!term)
                return false;
            while (*(term - 1) == ' ')
                --term;
            *term = ' '; // the stock reader leaves a blank here
        }
    }
    if (type == AUDIT_USER_AVC) {
        // Faults in the trailing fields of the user-space part (exe=, res=)
        // do not make an AVC malformed.
        return parseUser(msg, type, s) != UserParse::Malformed;
    }
    if (numberField(term, "pid=", &s.pid, &term) == Field::Bad)
        return false;
    if (!s.comm.set) {
        str = std::strstr(term, "comm=");
        if (!str)
            return false;
        str += 5;
        if (*str == '"') {
            ++str;
            term = std::strchr(str, '"');
            if (!term)
                return false;
            s.comm.assign(str, term);
        } else {
            if (!unescapeText(str, &s.comm))
                return false;
            // The search for path=/name= resumes six bytes on, as the stock
            // reader does, but never beyond the end of a short value.
            term = str + strnlen(str, 6);
        }
    }
    str = std::strstr(term, " path=");
    if (!str)
        str = std::strstr(term, " name=");
    if (str) {
        if (!parsePathValue(s, str + 6))
            return false;
        term = term + 7 < end ? term + 7 : end;
    }
    if (term > end)
        term = end;
    if (!std::strstr(term, "tclass="))
        return false;
    return true;
}

bool parseKernelAnomaly(char *msg, int type, Items &s)
{
    char *term = msg;
    if (lastNumberField(term, "auid=", &s.loginuid, &term) != Field::Read)
        return false;
    if (type == AUDIT_ANOM_PROMISCUOUS)
        return true;
    if (numberField(term, "pid=", &s.pid, &term) == Field::Bad)
        return false;
    if (textField(term, "comm=", &s.comm, &term) == Field::Bad)
        return false;
    const Field exe = textField(term, "exe=", &s.exe, &term);
    if (exe == Field::Bad || (exe == Field::Absent && type != AUDIT_ANOM_ABEND))
        return false;
    if (type == AUDIT_SECCOMP) {
        unsigned long arch;
        const Field f = spacedNumber(term, "arch=", 16, &arch, &term);
        if (f != Field::Read)
            return f == Field::Absent;
        if (numberField(term, "syscall=", &s.syscall, &term) != Field::Read)
            return false;
    }
    return resultField(term, s) != Field::Bad;
}

bool parseSimpleMessage(char *msg, int type, Items &s)
{
    char *term = msg;
    const Field auid = lastNumberField(term, "auid=", &s.loginuid, &term);
    if (auid == Field::Bad || (auid == Field::Absent && type != AUDIT_CONFIG_CHANGE))
        return false;
    if (char *str = std::strstr(term, "key=")) {
        if (!parseKeyValue(s, str + 4, &term))
            return false;
    }
    if (type == AUDIT_CONFIG_CHANGE)
        s.success = Outcome::Succeeded;
    return resultField(term, s) != Field::Bad;
}

bool parseTty(char *msg, Items &s)
{
    char *term = msg;
    if (numberField(msg, "pid=", &s.pid, &term) == Field::Bad)
        return false;
    if (lastNumberField(term, "auid=", &s.loginuid, &term) != Field::Read)
        return false;
    return textField(term, "comm=", &s.comm, &term) != Field::Bad;
}

bool parsePacket(char *msg, Items &s)
{
    char *str = std::strstr(msg, "saddr=");
    if (str) {
        char *ptr = str + 6;
        char *term = std::strchr(ptr, ' ');
        if (!term)
            return false;
        s.hostname.assign(ptr, term);
    }
    return true;
}

// Netfilter configuration and event-listener records: fill what earlier
// records of the event left unset.
bool parseKernelRecord(char *msg, Items &s)
{
    char *term = msg;
    if (s.pid == -1 && numberField(term, " pid=", &s.pid, &term) != Field::Read)
        return false;
    if (s.loginuid == kUnsetLoginUid) {
        const Field f = numberField(term, "auid=", &s.loginuid, &term);
        if (f == Field::Bad)
            return false;
        if (f == Field::Absent)
            s.loginuid = 0xFFFFFFFFu;
    }
    if (!s.terminal.set) {
        const Field f = wordField(term, "tty=", ' ', &s.terminal, &term);
        if (f == Field::Bad)
            return false;
        if (f == Field::Absent)
            s.terminal.assign("(none)");
    }
    if (!s.comm.set && textField(term, "comm=", &s.comm, &term) != Field::Read)
        return false;
    if (!s.exe.set) {
        const Field f = textField(msg, "exe=", &s.exe, &term);
        if (f == Field::Bad)
            return false;
        if (f == Field::Absent)
            s.exe.assign("(null)");
    }
    return resultField(term, s) != Field::Bad;
}

} // namespace kvrreport
