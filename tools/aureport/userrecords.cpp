// The summary's parsers of user-space and daemon records: the messages of
// PAM, sudo, the shadow tools and other programs (pid, login uid, command,
// host, terminal, executable, result), login records and the audit daemon's
// own start, stop and connection records.
#include "recordfields.h"

#include <libaudit.h>

#include <strings.h>

#include <cctype>
#include <cstring>

namespace kvrreport {

UserParse parseUser(char *msg, int type, Items &s)
{
    char *term = msg, *str, *ptr, *mptr;
    if (numberField(term, "pid=", &s.pid, &term) != Field::Read)
        return UserParse::Malformed;

    if (!readLoginUid(&term, &s.loginuid))
        return UserParse::Malformed;

    if (type == AUDIT_VIRT_RESOURCE) {
        size_t skip = 6;
        str = std::strstr(term, " path=");
        if (!str) {
            skip = 10;
            str = std::strstr(term, " new-disk=");
        }
        if (str) {
            str += skip;
            if (!parsePathValue(s, str))
                return UserParse::Malformed;
            term = str;
        }
    }
    mptr = term;

    str = std::strstr(mptr, "comm=");
    if (str) {
        if (!quotedOrHex(str + 5, &s.comm, &term))
            return UserParse::Malformed;
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

    const Field host = wordField(mptr, "hostname=", ',', &s.hostname, &term);
    if (host == Field::Bad)
        return UserParse::Malformed;
    if (host == Field::Read && s.hostname.text == "?") {
        ++term;
        if (wordField(term, "addr=", ',', &s.hostname, &term) == Field::Bad)
            return UserParse::Malformed;
    }

    str = std::strstr(mptr, "cwd=");
    if (str && !quotedOrHexOrLegacy(str + 4, &s.cwd, &term))
        return UserParse::Malformed;

    str = std::strstr(mptr, "terminal=");
    if (str) {
        str += 9;
        term = std::strchr(str, ' ');
        if (!term) {
            term = std::strchr(str, ')');
            if (!term)
                return UserParse::Malformed;
        }
        s.terminal.assign(str, term);
        *term = ' '; // the stock reader leaves a blank in place of a ')'
    }

    str = std::strstr(mptr, "exe=");
    if (str && !quotedOrHexOrLegacy(str + 4, &s.exe, &term))
        return UserParse::BadTail;

    str = std::strstr(mptr, "res=");
    if (str) {
        ptr = str + 4;
        term = std::strchr(ptr, '\'');
        if (!term)
            return UserParse::BadTail;
        s.success = (term - ptr >= 6 && std::strncmp(ptr, "failed", 6) == 0) ? Outcome::Failed
                                                                             : Outcome::Succeeded;
    } else if ((str = std::strstr(mptr, "result="))) {
        ptr = str + 7;
        term = std::strchr(ptr, ')');
        if (!term)
            return UserParse::BadTail;
        s.success = (term - ptr == 7 && strncasecmp(ptr, "success", 7) == 0) ? Outcome::Succeeded
                                                                             : Outcome::Failed;
    }
    return UserParse::Ok;
}

bool parseLogin(char *msg, Items &s)
{
    char *term = msg, *str, *ptr;
    unsigned long v;
    if (numberField(term, "pid=", &s.pid, &term) != Field::Read)
        return false;

    if ((str = std::strstr(term, "new auid=")))
        ptr = str + 9;
    else if ((str = std::strstr(term, " auid=")))
        ptr = str + 6;
    else if ((str = std::strstr(term, "new loginuid=")))
        ptr = str + 13;
    else
        return false;
    term = std::strchr(ptr, ' ');
    if (!readNumber(ptr, term, 10, &v))
        return false;
    s.loginuid = static_cast<unsigned>(v);

    if (!term)
        term = msg;
    const Field res = resultField(term, s);
    if (res == Field::Absent)
        s.success = Outcome::Succeeded; // older kernels: always successful
    return res != Field::Bad;
}

// res= of the daemon records: a word; "failed..." means failure.
bool daemonResult(char *str, Items &s)
{
    char *ptr = str + 4, *term = ptr;
    while (std::isalpha(static_cast<unsigned char>(*term)))
        ++term;
    if (term == ptr)
        return false;
    s.success = (term - ptr >= 6 && std::strncmp(ptr, "failed", 6) == 0) ? Outcome::Failed
                                                                         : Outcome::Succeeded;
    return true;
}

bool parseDaemon1(char *msg, Items &s)
{
    char *mptr = std::strchr(msg, ')');
    if (!mptr)
        mptr = msg;
    char *term = mptr;
    if (numberField(mptr, "auid=", &s.loginuid, &term) != Field::Read)
        return false;
    if (numberField(term, "pid=", &s.pid, &term) != Field::Read)
        return false;
    char *str = std::strstr(mptr, "res=");
    if (str)
        return daemonResult(str, s);
    return true;
}

bool parseDaemon2(char *msg, Items &s)
{
    char *term = msg;
    if (wordField(msg, "addr=", ':', &s.hostname, &term) == Field::Bad)
        return false;
    if (char *str = std::strstr(term, "res="))
        return daemonResult(str, s);
    return true;
}

} // namespace kvrreport
