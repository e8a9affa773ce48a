#pragma once
// Why a query found nothing, as far as it can be established: no audit
// daemon installed, auditing switched off, the daemon not running, or no
// loaded rule watching the program asked for. Also tells a trail that has
// never been written from one that cannot be read. Asks `auditctl` (found on
// PATH) for the kernel's audit status and its loaded rules.

#include <QString>
#include <QStringList>

namespace emptycause {

enum class Cause {
    None,             // nothing found to blame: the message alone
    NoAuditDaemon,    // auditctl is not installed
    AuditingOff,      // "enabled 0"
    DaemonNotRunning, // "pid 0": no daemon takes the kernel's events
    NoRuleForProgram, // no loaded rule watches the program
};

// What `auditctl -s` printed: whether auditing is enabled and a daemon runs.
struct AuditStatus {
    bool known = false; // false when the output held neither figure
    bool enabled = true;
    bool daemonRunning = true;
};
AuditStatus parseStatus(const QString &statusOutput);

// The same program under the other half of a merged /usr: /bin/chown and
// /usr/bin/chown, /sbin/reboot and /usr/sbin/reboot. Empty when it has none.
QString mergedUsrTwin(const QString &path);

// Whether one of the rules `auditctl -l` listed records runs of `program`:
// a watch (-w) on the program or its twin with execute permission (or no
// permission filter), a syscall rule on execve filtered by path=, exe= or
// dir= that matches it, or an execve rule with no such filter at all.
bool rulesWatch(const QStringList &ruleLines, const QString &program);

// Establishes the cause for a query of `program` (empty: every program of
// the event-type list) by running auditctl -s and auditctl -l.
Cause establish(const QString &program);

// The installed audit rules file of the program.
QString rulesFile();

// The commented-out rule of the rules file at `rulesPath` that records runs of
// `program` once its "#" is removed (as the file writes it, e.g. "#-w /bin/cp
// -p x -k kvr-auditreport"; the costly programs are shipped that way). Empty
// when the file cannot be read, holds no such line, or already has an active
// rule for the program.
QString disabledRule(const QString &program, const QString &rulesPath = rulesFile());

// The text added to the empty-report message for `cause` (translated in the
// MainWindow context); empty for Cause::None. For a program whose rule the
// rules file at `rulesPath` holds commented out, it names that line.
QString causeText(Cause cause, const QString &program, const QString &rulesPath = rulesFile());

// Where the audit tools read the trail: $KVR_AUDITREPORT_LOG, else the
// log_file of the daemon's configuration (default /var/log/audit/audit.log).
QString trailPath(const QString &auditdConf = QStringLiteral("/etc/audit/auditd.conf"));

// True when the trail at `path` has not been written yet: neither the file
// nor, for a directory, any audit.log file in it exists, and the place is
// visible to this process (an unreadable parent means "cannot read").
bool trailNeverWritten(const QString &path);

// The message of a query whose trail the audit tools could not read: "no
// audit trail has been written yet" (with the cause, when one is found) when
// trailNeverWritten(trailPath()), else the message that it cannot be read.
QString unreadableTrailText();

} // namespace emptycause
