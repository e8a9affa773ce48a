// parseRecord(): sends each record type to its parser (see recordfields.h);
// types the summary takes nothing from are accepted as they are.
#include "recordfields.h"

#include <libaudit.h>

namespace kvrreport {

namespace {

bool isUserMessage(int t)
{
    return t == AUDIT_USER || (t >= AUDIT_USER_AUTH && t <= AUDIT_USER_END)
        || (t >= AUDIT_USER_CHAUTHTOK && t <= AUDIT_LAST_USER_MSG)
        || (t >= AUDIT_FIRST_USER_MSG2 && t <= AUDIT_LAST_USER_MSG2);
}

} // namespace

// Takes one record's items into the event. False: the record is malformed,
// and the stock tool then leaves the whole event out.
bool parseRecord(int type, char *msg, size_t len, Items &s)
{
    if (isUserMessage(type))
        return parseUser(msg, type, s) == UserParse::Ok;
    if (type >= AUDIT_MAC_POLICY_LOAD && type <= AUDIT_MAC_UNLBL_STCDEL)
        return parseSimpleMessage(msg, type, s);
    if (type >= AUDIT_INTEGRITY_DATA && type <= AUDIT_INTEGRITY_RULE)
        return parseIntegrity(msg, s);
    switch (type) {
    case AUDIT_SYSCALL:
        return parseSyscall(msg, s);
    case AUDIT_CWD:
        return parseCwd(msg, len, s);
    case AUDIT_AVC_PATH:
        return parseAvcPath(msg, s);
    case AUDIT_PATH:
        return parsePathRecord(msg, len, s);
    case AUDIT_SOCKADDR:
        return parseSockaddr(msg, s);
    case AUDIT_LOGIN:
        return parseLogin(msg, s);
    case AUDIT_DAEMON_START:
    case AUDIT_DAEMON_END:
    case AUDIT_DAEMON_ABORT:
    case AUDIT_DAEMON_CONFIG:
    case AUDIT_DAEMON_ROTATE:
    case AUDIT_DAEMON_RESUME:
        return parseDaemon1(msg, s);
    case AUDIT_DAEMON_ACCEPT:
    case AUDIT_DAEMON_CLOSE:
        return parseDaemon2(msg, s);
    case AUDIT_CONFIG_CHANGE: {
        bool ok = parseSimpleMessage(msg, type, s);
        // Newer kernels name the rules file; older ones have no path=.
        (void)parseAvcPath(msg, s);
        return ok;
    }
    case AUDIT_AVC:
    case AUDIT_USER_AVC:
        return parseAvc(msg, len, type, s);
    case AUDIT_NETFILTER_PKT:
        return parsePacket(msg, s);
    case AUDIT_FEATURE_CHANGE:
    case AUDIT_ANOM_LINK:
        return parseTaskInfo(msg, s);
    case AUDIT_SECCOMP:
    case AUDIT_ANOM_PROMISCUOUS:
    case AUDIT_ANOM_ABEND:
        return parseKernelAnomaly(msg, type, s);
    case AUDIT_TTY:
        return parseTty(msg, s);
    case AUDIT_NETFILTER_CFG:
    case AUDIT_EVENT_LISTENER:
        return parseKernelRecord(msg, s);
    default:
        return true; // nothing the summary needs (EXECVE, PROCTITLE, ...)
    }
}

} // namespace kvrreport
