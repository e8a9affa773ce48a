// Runs, not events: hand-made trails of each shape a real trail takes (sudo
// allowed and refused, old and new USER_CMD, su, useradd and userdel with
// their several records, an exec-watched chown with relative and failed
// execs, a pid reused in another session, interleaved runs, a rule logging
// every system call of one run, malformed records and forks inside a run),
// run through the built ausearch -f and the program's three fixed
// statistics pipelines with /bin/sh, checking each user's number of runs
// and the first and last dates; the runs file of each kind of program
// (outcome, acting user, terminal, command, hostile values); and days
// across clock changes, where the tools' -ts/-te, the per-day file and the
// chart's days must count every run once.
#include "audit/querycore.h"
#include "audit/runsfile.h"
#include "commandtable.h"
#include "files.h"
#include "gentrail.h"
#include "searchtool.h"

#include <QDateTime>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <numeric>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// 2024-03-05 10:00:00 UTC and onwards, one second per step.
constexpr qint64 kBase = 1709632800;
// 9999-12-31 23:59:59 UTC, the last second a time stamp may carry.
constexpr qint64 kLastStampSecond = 253402300799;

struct Who {
    QByteArray auid; // number
    QByteArray name; // ENRICHED AUID name; empty: no ENRICHED part
};
const Who alice{"1001", "alice"}, bob{"1002", "bob"}, carol{"1003", "carol"};

QByteArray stamp(qint64 sec, int serial)
{
    return "msg=audit(" + QByteArray::number(kBase + sec) + ".100:" + QByteArray::number(serial)
        + "): ";
}

QByteArray enriched(const Who &w)
{
    return w.name.isEmpty() ? QByteArray()
                            : "\x1d"
                              "UID=\"root\" AUID=\""
            + w.name + "\"";
}

// An execve event (x86_64, syscall 59) of `path` as the caller wrote it.
// success false: exit=-13 (found, no permission) when `inode`, else -2.
QByteArray exec(qint64 sec, int serial, int pid, int ses, const Who &w, const QByteArray &exe,
                const QByteArray &path, bool success = true, bool inode = true,
                const QByteArray &cwd = "/home/u")
{
    const QByteArray ts = stamp(sec, serial);
    QByteArray out = "type=SYSCALL " + ts
        + "arch=c000003e syscall=59 success=" + (success ? "yes" : "no") + " exit="
        + (success     ? "0"
               : inode ? "-13"
                       : "-2")
        + " a0=5 a1=6 items=2 ppid=10 pid=" + QByteArray::number(pid) + " auid=" + w.auid
        + " uid=0 gid=0 euid=0 ses=" + QByteArray::number(ses) + " tty=pts0 comm=\"x\" exe=\"" + exe
        + "\" key=\"exec\""
        + (w.name.isEmpty() ? QByteArray()
                            : "\x1d"
                              "ARCH=x86_64 SYSCALL=execve AUID=\""
                   + w.name + "\"")
        + "\n";
    out += "type=EXECVE " + ts + "argc=1 a0=\"x\"\n";
    out += "type=CWD " + ts + "cwd=\"" + cwd + "\"\n";
    out += "type=PATH " + ts + "item=0 name=\"" + path + "\""
        + (inode ? " inode=4242 dev=fd:00 mode=0100755" : "")
        + " nametype=" + (inode ? "NORMAL" : "UNKNOWN") + "\n";
    out += "type=PROCTITLE " + ts + "proctitle=78\n";
    return out;
}

// A user-space record; `exe` empty: none (older sudo's USER_CMD); `what`:
// the message's fields before exe=.
QByteArray user(const QByteArray &type, qint64 sec, int serial, int pid, int ses, const Who &w,
                const QByteArray &exe, const QByteArray &res = "success",
                const QByteArray &what = "op=x acct=\"root\"")
{
    return "type=" + type + " " + stamp(sec, serial) + "pid=" + QByteArray::number(pid)
        + " uid=1000 auid=" + w.auid + " ses=" + QByteArray::number(ses) + " msg='" + what
        + (exe.isEmpty() ? "" : " exe=\"" + exe + "\"")
        + " hostname=? addr=? terminal=pts/0 res=" + res + "'" + enriched(w) + "\n";
}

// An exec event with the EXECVE record `execve` (empty: none, as after a
// failed exec).
QByteArray withArgs(QByteArray event, const QByteArray &execve)
{
    const int at = event.indexOf("type=EXECVE ");
    const int end = event.indexOf('\n', at) + 1;
    const QByteArray line = event.mid(at, end - at);
    return event.replace(
        line, execve.isEmpty() ? QByteArray() : line.left(line.indexOf("argc=")) + execve + "\n");
}

// Another system call of a running program (a rule on every call).
QByteArray call(qint64 sec, int serial, int pid, int ses, const Who &w, const QByteArray &exe,
                int nr)
{
    return "type=SYSCALL " + stamp(sec, serial) + "arch=c000003e syscall=" + QByteArray::number(nr)
        + " success=yes exit=0 items=0 ppid=10 pid=" + QByteArray::number(pid) + " auid=" + w.auid
        + " uid=0 ses=" + QByteArray::number(ses) + " comm=\"x\" exe=\"" + exe + "\"" + enriched(w)
        + "\n";
}

QByteArray sudoRun(qint64 sec, int serial, int pid, int ses, const Who &w, bool watched)
{
    const QByteArray exe = "/usr/bin/sudo";
    QByteArray out;
    if (watched)
        out += exec(sec, serial++, pid, ses, w, exe, exe);
    for (const char *t : {"USER_ACCT", "USER_CMD", "CRED_REFR", "USER_START"})
        out += user(t, sec, serial++, pid, ses, w, exe);
    // the command sudo runs: another process, another program
    out += exec(sec + 1, serial++, pid + 1, ses, w, "/usr/bin/id", "/usr/bin/id");
    for (const char *t : {"USER_END", "CRED_DISP"})
        out += user(t, sec + 2, serial++, pid, ses, w, exe);
    return out;
}

// ausearch -i -f `program` on `log`, its output written to result.log in the
// data directory, where the statistics pipelines read it; returns its exit.
int searchInto(const QString &dataDir, const QString &program, const QString &log)
{
    testsupport::ToolOptions options;
    options.timeoutMs = 60000;
    const testsupport::ToolRun r =
        testsupport::runAusearch({"-i", "-f", program, "-if", log}, options);
    if (!testsupport::writeAll(dataDir + "/result.log", r.out))
        return -1;
    return r.exit;
}

QByteArray hex(const QByteArray &text)
{
    return text.toHex().toUpper();
}

// A PAM record's fields and sudo's USER_CMD fields.
QByteArray pam(const QByteArray &op, const QByteArray &acct)
{
    return "op=PAM:" + op + " grantors=pam_unix acct=\"" + acct + "\"";
}
QByteArray cmdOf(const QByteArray &commandLine)
{
    return "cwd=\"/home/u\" cmd=" + hex(commandLine);
}

// A system call without session or login uid (arch=, auid=, ses= missing),
// as a kernel module writes it in the middle of a run.
QByteArray sessionless(qint64 sec, int serial, int pid, const QByteArray &exe)
{
    return "type=SYSCALL " + stamp(sec, serial)
        + "syscall=0 success=yes exit=832 a0=3 a1=7ffe a2=340 a3=7f88 items=0 ppid=10 pid="
        + QByteArray::number(pid) + " uid=0 gid=0 euid=0 suid=0 fsuid=0 comm=\"x\" exe=\"" + exe
        + "\"\n";
}

// A line of the runs file for a run whose first event is at kBase + sec.
QString runLine(qint64 sec, int serial, const QString &login, const QString &acting,
                const QString &terminal, const QString &result, const QString &command,
                const QString &node = "-")
{
    return QStringList{QString::number(kBase + sec) + ".100",
                       QString::number(serial),
                       node,
                       login,
                       acting,
                       terminal,
                       result,
                       command}
        .join('\t');
}

// The runs file's trailer for a trail whose records run from kBase + first
// to kBase + last: "# file" for each of `files` ("%1": the test's directory,
// names as the file writes them), then "# span".
QStringList trailer(qint64 first, qint64 last, const QStringList &files = {"%1/runs-shape.log"})
{
    QStringList lines;
    for (const QString &file : files)
        lines << "# file " + file;
    return lines << QString("# span %1.100 %2.100").arg(kBase + first).arg(kBase + last);
}

// The "# day" lines the runs file ends with, found the other way: the
// output's lines that name a user, counted on the day of their "日期:" word.
QStringList dayLines(const QByteArray &output)
{
    QMap<QString, int> days;
    for (const QByteArray &line : output.split('\n'))
        if (line.contains("用户id:"))
            ++days[QString::fromUtf8(line.mid(line.indexOf("日期: ") + 8, 10))];
    QStringList lines;
    for (auto it = days.cbegin(); it != days.cend(); ++it)
        lines << QString("# day %1 %2").arg(it.key()).arg(it.value());
    return lines;
}

// The permission bits of a file.
unsigned modeOf(const QString &path)
{
    struct stat st {
    };
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : ~0u;
}

// ausearch -i -f `program` on `log` writing the runs file `runs`.
testsupport::ToolRun searchWithRuns(const QString &program, const QString &log, const QString &runs,
                                    const QStringList &more = {})
{
    testsupport::ToolOptions options;
    options.env = QStringList{"KVR_AUDITREPORT_RUNS=" + runs};
    return testsupport::runAusearch(QStringList{"-i", "-f", program, "-if", log} + more, options);
}

} // namespace

class TestAusearchRuns : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void runsPerUser_data();
    void runsPerUser();
    void generatedTrailRuns();
    void runsFile_data();
    void runsFile();
    void runsFileRefusals();
    void daysAcrossClockChanges_data();
    void daysAcrossClockChanges();

private:
    QTemporaryDir tmp;
};

void TestAusearchRuns::initTestCase()
{
    QVERIFY(tmp.isValid());
    qputenv("KVR_AUDITREPORT_DATA_DIR", tmp.path().toUtf8());
    qputenv("TZ", "UTC");
}

void TestAusearchRuns::runsPerUser_data()
{
    QTest::addColumn<QByteArray>("trail");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("perUser"); // "name runs", sorted
    QTest::addColumn<QString>("first");       // date of the earliest run's event
    QTest::addColumn<QString>("last");

    const QByteArray sudo = "/usr/bin/sudo";
    QByteArray t;
    // allowed, newer sudo with exe= everywhere, exec watched
    t += sudoRun(0, 100, 4000, 3, alice, true);
    // refused: USER_AUTH, USER_ACCT and two failed USER_CMD
    t += user("USER_AUTH", 10, 120, 4010, 3, bob, sudo, "failed");
    t += user("USER_ACCT", 10, 121, 4010, 3, bob, sudo);
    t += user("USER_CMD", 11, 122, 4010, 3, bob, sudo, "failed");
    t += user("USER_CMD", 11, 123, 4010, 3, bob, sudo, "failed");
    // older sudo: a failed command leaves one USER_CMD without exe=
    t += user("USER_CMD", 20, 130, 4020, 5, Who{"3999999", ""}, QByteArray(), "failed");
    // a look-up that failed is no run: /nonexistent/../usr/bin/sudo, ENOENT
    t += exec(30, 140, 4030, 3, bob, "/usr/bin/bash", "/nonexistent/../usr/bin/sudo", false, false);
    QTest::newRow("sudo allowed and refused, old and new USER_CMD")
        << t << "/usr/bin/sudo" << QStringList{"3999999 1", "alice 1", "bob 1"} << "2024-03-05"
        << "2024-03-05";

    // the same pid in two sessions hours apart, no exec watch; two runs
    // interleaved record by record
    t = sudoRun(0, 200, 7000, 4, alice, false) + sudoRun(7200, 300, 7000, 13, alice, false);
    QByteArray a = sudoRun(90000, 400, 7100, 6, bob, false),
               b = sudoRun(90000, 500, 7200, 6, bob, false);
    QList<QByteArray> la = a.split('\n'), lb = b.split('\n');
    for (int i = 0; i < la.size(); ++i)
        t += la[i] + (la[i].isEmpty() ? "" : "\n") + lb.value(i)
            + (lb.value(i).isEmpty() ? "" : "\n");
    QTest::newRow("pid reused in another session, interleaved runs")
        << t << "/usr/bin/sudo" << QStringList{"alice 2", "bob 2"} << "2024-03-05"
        << "2024-03-06";

    const QByteArray su = "/usr/bin/su";
    t = exec(0, 600, 5000, 7, alice, su, "/bin/su");
    for (const char *type : {"USER_AUTH", "USER_ACCT", "CRED_ACQ", "USER_START"})
        t += user(type, 1, 610 + t.count('\n'), 5000, 7, alice, su);
    t += exec(2, 650, 5001, 7, alice, "/usr/bin/bash", "/bin/bash");
    t += sudoRun(3, 660, 5100, 7, alice, true); // sudo is not su
    t += user("USER_END", 50, 700, 5000, 7, alice, su);
    t += user("CRED_DISP", 50, 701, 5000, 7, alice, su);
    QTest::newRow("su") << t << "/bin/su" << QStringList{"alice 1"} << "2024-03-05"
                        << "2024-03-05";

    // useradd: its records from its own pid; the administrator's name was
    // unknown when they were written (ids 3999998 and 3999999 are taken to
    // have no local account)
    const QByteArray useradd = "/usr/sbin/useradd", userdel = "/usr/sbin/userdel";
    const Who admin{"0", "unknown(0)"}, gone{"3999998", "unknown(3999998)"};
    t = exec(0, 800, 6000, 2, admin, useradd, "/sbin/useradd");
    t += user("ADD_GROUP", 1, 801, 6000, 2, admin, useradd);
    t += user("ADD_GROUP", 1, 802, 6000, 2, admin, useradd);
    t += user("ADD_USER", 1, 803, 6000, 2, admin, useradd);
    t += user("ADD_USER", 1, 804, 6000, 2, gone, useradd).replace("pid=6000", "pid=6001");
    t += exec(5, 810, 6010, 2, admin, userdel, "/usr/sbin/userdel");
    t += user("DEL_GROUP", 6, 811, 6010, 2, admin, userdel);
    t += user("DEL_USER", 6, 812, 6010, 2, admin, userdel);
    QTest::newRow("useradd, unknown(N) names")
        << t << "/usr/sbin/useradd" << QStringList{"3999998 1", "root 1"} << "2024-03-05"
        << "2024-03-05";
    QTest::newRow("userdel") << t << "/usr/sbin/userdel" << QStringList{"root 1"} << "2024-03-05"
                             << "2024-03-05";

    const QByteArray chown = "/usr/bin/chown";
    t = exec(0, 900, 9000, 8, alice, chown, "/bin/chown");
    t += exec(1, 901, 9001, 8, alice, chown, "/usr/bin/chown");
    t += exec(2, 902, 9002, 9, bob, chown, "chown", true, true, "/usr/bin");
    t += exec(3, 903, 9003, 9, bob, chown, "./../bin/chown", true, true, "/usr/bin");
    // found but not allowed (EACCES): an attempt, a run
    t += exec(4, 904, 9004, 10, carol, "/usr/bin/bash", "/usr/bin/chown", false, true);
    // /bin/chown/. (ENOTDIR): no run
    t += exec(5, 905, 9005, 10, carol, "/usr/bin/bash", "/bin/chown/.", false, false);
    // another program: /usr/local/bin/chown
    t += exec(6, 906, 9006, 10, carol, "/usr/local/bin/chown", "/usr/local/bin/chown");
    QTest::newRow("exec-watched chown, relative and failed execs")
        << t << "/bin/chown" << QStringList{"alice 2", "bob 2", "carol 1"} << "2024-03-05"
        << "2024-03-05";

    // a rule on every system call: one cp run of alice writes dozens of
    // events; bob's cp was already running when the trail starts; written
    // out of time order (bob's run is older)
    const QByteArray cp = "/usr/bin/cp";
    t = exec(86400, 1000, 8000, 11, alice, cp, "/bin/cp");
    for (int i = 0; i < 40; ++i)
        t += call(86400 + i / 10, 1001 + i, 8000, 11, alice, cp, i % 2 ? 0 : 1);
    for (int i = 0; i < 5; ++i)
        t += call(i, 1100 + i, 8100, 12, bob, cp, 1);
    QTest::newRow("syscall rule, out of order")
        << t << "/bin/cp" << QStringList{"alice 1", "bob 1"} << "2024-03-05"
        << "2024-03-06";

    // a kernel module's records without session or login uid in the middle
    // of a cp run (as in a real research trail): one run, nothing for root
    t = exec(0, 1200, 8200, 11, alice, cp, "/bin/cp");
    for (int i = 0; i < 6; ++i)
        t += i % 3 == 1 ? sessionless(1, 1201 + i, 8200, cp)
                        : call(1, 1201 + i, 8200, 11, alice, cp, 1);
    QTest::newRow("records without a session inside a run")
        << t << "/bin/cp" << QStringList{"alice 1"} << "2024-03-05"
        << "2024-03-05";
}

void TestAusearchRuns::runsPerUser()
{
    QFETCH(QByteArray, trail);
    QFETCH(QString, program);
    QFETCH(QStringList, perUser);
    QFETCH(QString, first);
    QFETCH(QString, last);
    const QString log = testsupport::writeFixture(tmp.filePath("shape.log"), trail);
    QCOMPARE(searchInto(tmp.path(), program, log), 0);
    for (const QString &command : querycore::statisticsCommands())
        QCOMPARE(querycore::runShell(command).exitCode, 0);
    QFile tongji(tmp.filePath("tongji.log"));
    QVERIFY(tongji.open(QIODevice::ReadOnly));
    QStringList lines = QString::fromUtf8(tongji.readAll()).split('\n', Qt::SkipEmptyParts);
    QVERIFY2(lines.size() >= 2, qPrintable(lines.join('|')));
    QCOMPARE(lines.takeFirst(), first);
    QCOMPARE(lines.takeFirst(), last);
    lines.sort();
    QCOMPARE(lines, perUser);
}

// The generator's --expect (runs per login uid of each of the 28 commands)
// against what the search and the pipelines make of its trail.
void TestAusearchRuns::generatedTrailRuns()
{
    const QString log = tmp.filePath("generated.log");
    const testsupport::ToolRun gen =
        testsupport::generateTrail({"--events", "20000", "--seed", "7", "--expect"}, log);
    QVERIFY2(gen.exit == 0, gen.err.constData());
    QMap<QString, QStringList> expected; // command -> "name runs"
    for (const QByteArray &line : gen.out.split('\n')) {
        const QList<QByteArray> w = line.split(' ');
        if (w.size() != 3 || w[1] == "*")
            continue;
        const uint auid = w[1].toUInt();
        const passwd *pw = auid == 4294967295u ? nullptr : getpwuid(auid);
        const QString name = auid == 4294967295u ? "unset"
            : pw                                 ? QString::fromUtf8(pw->pw_name)
                                                 : QString::number(auid);
        expected[QString::fromUtf8(w[0])] << name + " " + QString::fromUtf8(w[2]);
    }
    QVERIFY(expected.size() >= 20);
    for (const auto &command : kvrcommands::kCommands) {
        QStringList want = expected.value(command.name);
        QCOMPARE(searchInto(tmp.path(), command.path, log), want.isEmpty() ? 1 : 0);
        for (const QString &c : querycore::statisticsCommands())
            QCOMPARE(querycore::runShell(c).exitCode, 0);
        QFile tongji(tmp.filePath("tongji.log"));
        QVERIFY(tongji.open(QIODevice::ReadOnly));
        const QStringList lines =
            QString::fromUtf8(tongji.readAll()).split('\n', Qt::SkipEmptyParts).mid(2);
        // Names come from the account database, which other programs on the
        // machine may change meanwhile: compare each user's count, by count.
        auto counts = [](const QStringList &perUser) {
            QList<int> n;
            for (const QString &l : perUser)
                n << l.section(' ', -1).toInt();
            std::sort(n.begin(), n.end());
            return n;
        };
        QVERIFY2(
            counts(lines) == counts(want),
            qPrintable(QString(command.name) + ": " + lines.join(',') + " / " + want.join(',')));
    }
}

void TestAusearchRuns::runsFile_data()
{
    QTest::addColumn<QByteArray>("trail");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("lines"); // the runs file after its header
    // The trail: `trail` in runs-shape.log, or with `dir` set, a directory
    // of that name holding `trail` as audit.log and `older` as audit.log.1,
    // audit.log.2, ...
    QTest::addColumn<QString>("dir");
    QTest::addColumn<QByteArrayList>("older");
    QTest::addColumn<QStringList>("trailer"); // the lines after the runs

    const QByteArray chown = "/usr/bin/chown";
    QByteArray t = withArgs(exec(0, 900, 9000, 8, alice, chown, "/bin/chown"),
                            "argc=3 a0=\"chown\" a1=\"root\" a2_len=14 a2[0]=" + hex("/tmp/lon")
                                + " a2[1]=" + hex("g file"));
    t += withArgs(exec(4, 904, 9004, 10, carol, "/usr/bin/bash", chown, false, true), "");
    t += withArgs(exec(5, 905, 9005, 10, carol, "/usr/bin/bash", "/bin/chown/.", false, false), "");
    QTest::newRow("exec watch: allowed, failed exec, failed look-up")
        << t << "/bin/chown"
        << QStringList{runLine(0, 900, "alice", "root", "pts0", "success",
                               "chown root /tmp/long file"),
                       runLine(4, 904, "carol", "root", "pts0", "failed", "-")}
        << QString() << QByteArrayList() << trailer(0, 5);

    const QByteArray sudo = "/usr/bin/sudo";
    // allowed, exec watched: the target account from its credential records
    t = withArgs(exec(0, 100, 4000, 3, alice, sudo, sudo),
                 "argc=4 a0=\"sudo\" a1=\"chmod\" a2=\"644\" a3=\"f\"");
    t += user("USER_ACCT", 0, 101, 4000, 3, alice, sudo, "success", pam("accounting", "alice"));
    t += user("USER_CMD", 0, 102, 4000, 3, alice, sudo, "success", cmdOf("chmod 644 f"));
    t += user("CRED_REFR", 0, 103, 4000, 3, alice, sudo, "success", pam("setcred", "root"));
    t += user("USER_START", 0, 104, 4000, 3, alice, sudo, "success", pam("session_open", "root"));
    t += exec(1, 105, 4001, 3, alice, "/usr/bin/chmod", "/usr/bin/chmod");
    t += user("USER_END", 2, 106, 4000, 3, alice, sudo, "success", pam("session_close", "root"));
    // refused: two failed USER_CMD after a good password
    t += user("USER_AUTH", 10, 120, 4010, 4, bob, sudo, "success", pam("authentication", "bob"));
    t += user("USER_ACCT", 10, 121, 4010, 4, bob, sudo, "success", pam("accounting", "bob"));
    t += user("USER_CMD", 11, 122, 4010, 4, bob, sudo, "failed", cmdOf("/usr/bin/touch /x"));
    t += user("USER_CMD", 11, 123, 4010, 4, bob, sudo, "failed", cmdOf("/usr/bin/touch /x"));
    // a wrong password, then the right one: allowed
    t += user("USER_AUTH", 20, 130, 4020, 5, carol, sudo, "failed", pam("authentication", "carol"));
    t +=
        user("USER_AUTH", 21, 131, 4020, 5, carol, sudo, "success", pam("authentication", "carol"));
    t += user("USER_CMD", 21, 132, 4020, 5, carol, sudo, "success", cmdOf("id"));
    t += user("CRED_REFR", 21, 133, 4020, 5, carol, sudo, "success", pam("setcred", "root"));
    // sudo -n refused: USER_CMD and USER_ERR
    t += user("USER_CMD", 30, 140, 4030, 3, alice, sudo, "failed", cmdOf("/usr/bin/touch /y"));
    t += user("USER_ERR", 30, 141, 4030, 3, alice, sudo, "failed", pam("authentication", "alice"));
    // two runs whose outcomes come after both started: lines in run order
    t += exec(40, 150, 4040, 6, bob, sudo, sudo);
    t += exec(41, 151, 4050, 7, carol, sudo, sudo);
    t += user("USER_CMD", 42, 152, 4040, 6, bob, sudo, "failed", cmdOf("id"));
    t += user("USER_CMD", 43, 153, 4050, 7, carol, sudo, "success", cmdOf("true"));
    t += user("CRED_REFR", 43, 154, 4050, 7, carol, sudo, "success", pam("setcred", "nobody"));
    QTest::newRow("sudo 1.9: allowed, refused, retried password, -n, late outcomes")
        << t << "/usr/bin/sudo"
        << QStringList{runLine(0, 100, "alice", "root", "pts0", "success", "chmod 644 f"),
                       runLine(10, 120, "bob", "-", "pts/0", "refused", "/usr/bin/touch /x"),
                       runLine(20, 130, "carol", "root", "pts/0", "success", "id"),
                       runLine(30, 140, "alice", "-", "pts/0", "refused", "/usr/bin/touch /y"),
                       runLine(40, 150, "bob", "-", "pts0", "refused", "id"),
                       runLine(41, 151, "carol", "nobody", "pts0", "success", "true")}
        << QString() << QByteArrayList() << trailer(0, 43);

    // older sudo: USER_CMD without exe=
    t = user("USER_CMD", 0, 200, 7000, 4, alice, QByteArray(), "success", cmdOf("ls /root"));
    t += user("CRED_REFR", 0, 201, 7000, 4, alice, sudo, "success", pam("setcred", "root"));
    t += user("USER_CMD", 10, 210, 7010, 4, bob, QByteArray(), "failed", cmdOf("apt update"));
    QTest::newRow("sudo before 1.9: USER_CMD without exe=")
        << t << "/usr/bin/sudo"
        << QStringList{runLine(0, 200, "alice", "root", "pts/0", "success", "ls /root"),
                       runLine(10, 210, "bob", "-", "pts/0", "refused", "apt update")}
        << QString() << QByteArrayList() << trailer(0, 10);

    // su allowed, with a helper it forks and a record without session in
    // its run; su refused
    const QByteArray su = "/usr/bin/su";
    t = withArgs(exec(0, 600, 5000, 7, alice, su, "/bin/su"), "argc=2 a0=\"su\" a1=\"bob\"");
    t += call(1, 601, 5001, 7, alice, su, 33).replace("ppid=10", "ppid=5000");
    t += sessionless(1, 602, 5000, su);
    t += user("USER_AUTH", 1, 603, 5000, 7, alice, su, "success", pam("authentication", "bob"));
    t += user("USER_ACCT", 1, 604, 5000, 7, alice, su, "success", pam("accounting", "bob"));
    t += user("USER_START", 1, 605, 5000, 7, alice, su, "success", pam("session_open", "bob"));
    t += withArgs(exec(10, 610, 5010, 7, bob, su, "/usr/bin/su"), "argc=1 a0=\"su\"");
    t += user("USER_AUTH", 12, 611, 5010, 7, bob, su, "failed", pam("authentication", "root"));
    QTest::newRow("su allowed (forked helper, record without session), su refused")
        << t << "/bin/su"
        << QStringList{runLine(0, 600, "alice", "bob", "pts0", "success", "bob"),
                       runLine(10, 610, "bob", "root", "pts0", "refused", "root")}
        << QString() << QByteArrayList() << trailer(0, 12);

    // the shadow utilities: their own records decide; groupadd unwatched
    const QByteArray useradd = "/usr/sbin/useradd", groupadd = "/usr/sbin/groupadd";
    const Who admin{"0", "unknown(0)"};
    t = withArgs(exec(0, 800, 6000, 2, admin, useradd, "/sbin/useradd"),
                 "argc=3 a0=\"useradd\" a1=\"-m\" a2=\"ann\"");
    t += user("ADD_GROUP", 1, 801, 6000, 2, admin, useradd, "success", "op=add-group acct=\"ann\"");
    t += user("ADD_USER", 1, 802, 6000, 2, admin, useradd, "success", "op=add-user acct=\"ann\"");
    t += withArgs(exec(5, 810, 6010, 2, admin, useradd, "/sbin/useradd"),
                  "argc=2 a0=\"useradd\" a1=\"ann\"");
    t += user("ADD_USER", 6, 811, 6010, 2, admin, useradd, "failed", "op=add-user acct=\"ann\"");
    for (int i = 0; i < 3; ++i)
        t += user("ADD_GROUP", 20, 820 + i, 6100, 2, admin, groupadd, "success",
                  "op=add-group acct=\"g\"");
    QTest::newRow("useradd allowed and refused")
        << t << "/usr/sbin/useradd"
        << QStringList{runLine(0, 800, "root", "root", "pts0", "success", "useradd -m ann"),
                       runLine(5, 810, "root", "root", "pts0", "refused", "useradd ann")}
        << QString() << QByteArrayList() << trailer(0, 20);
    QTest::newRow("groupadd without exec watch")
        << t << "/usr/sbin/groupadd"
        << QStringList{runLine(20, 820, "root", "root", "pts/0", "success", "-")} << QString()
        << QByteArrayList() << trailer(0, 20);

    const QByteArray passwd = "/usr/bin/passwd";
    t = withArgs(exec(0, 1000, 6200, 2, alice, passwd, "/usr/bin/passwd"), "argc=1 a0=\"passwd\"");
    t += user("USER_CHAUTHTOK", 9, 1001, 6200, 2, alice, passwd, "success",
              "op=PAM:chauthtok acct=\"alice\"");
    t +=
        withArgs(exec(10, 1010, 6210, 2, alice, passwd, "/usr/bin/passwd"), "argc=1 a0=\"passwd\"");
    t += user("USER_AUTH", 12, 1011, 6210, 2, alice, passwd, "failed",
              pam("authentication", "alice"));
    t += user("USER_CHAUTHTOK", 12, 1012, 6210, 2, alice, passwd, "failed",
              "op=PAM:chauthtok acct=\"alice\"");
    QTest::newRow("passwd changed and refused")
        << t << "/usr/bin/passwd"
        << QStringList{runLine(0, 1000, "alice", "root", "pts0", "success", "passwd"),
                       runLine(10, 1010, "alice", "root", "pts0", "refused", "passwd")}
        << QString() << QByteArrayList() << trailer(0, 12);

    // values that could forge a field, a line or a spreadsheet formula
    const Who hostile{"1005", "ev il\tname"};
    t = withArgs(exec(0, 1100, 9100, 8, hostile, chown, "/bin/chown"),
                 "argc=7 a0=\"chown\" a1=" + hex("a\tb") + " a2=" + hex("line\nbreak")
                     + " a3=" + hex("back\\slash") + " a4=" + hex("=HYPERLINK(\"http://e/\",\"x\")")
                     + " a5=" + hex("\xff\xfe") + " a6="
                     + hex("\u202e"
                           "exe.txt"));
    t.replace("tty=pts0", "tty=p\x7fs");
    t = "node=h\x01st " + t.replace("\ntype=", "\nnode=h\x01st type=");
    QTest::newRow("hostile values")
        << t << "/bin/chown"
        << QStringList{runLine(0, 1100, "ev\\040il\\011name", "root", "p\\177s", "success",
                               "chown a\\011b line\\012break back\\134slash "
                               "=HYPERLINK(\"http://e/\",\"x\") \\377\\376 \u202e"
                               "exe.txt",
                               "h\\001st")}
        << QString() << QByteArrayList() << trailer(0, 0);

    // The trailer: the span of every record read, whether it matched or not.
    t = exec(7, 1200, 9200, 8, alice, chown, "/bin/chown") + sudoRun(0, 1210, 9210, 8, bob, true);
    QTest::newRow("records but no run: the span alone")
        << t << "/usr/bin/passwd" << QStringList() << QString() << QByteArrayList()
        << trailer(0, 7);
    QTest::newRow("no program, a date range: the span of every record")
        << t + exec(2 * 86400, 1220, 9220, 8, alice, chown, "/bin/chown")
        << "-ts 03/05/2024 -te 03/05/2024" << QStringList() << QString() << QByteArrayList()
        << trailer(0, 2 * 86400);
    QTest::newRow("no record: no span")
        << QByteArray("not a record\n"
                      "type=SYSCALL msg=audit(x.100:1): pid=1\n"
                      "type=SYSCALL msg=audit(253402300800.000:2): pid=1\n"
                      "type= msg=audit(1709632800.100:3): pid=1\n"
                      "junk type=SYSCALL msg=audit(1709632800.100:4): pid=1\n"
                      "node=n type=SYSCALL msg=audit(1709632800.10:5): pid=1\n")
        << "/bin/chown" << QStringList() << QString() << QByteArrayList()
        << QStringList{"# file %1/runs-shape.log"};
    // Rotated files in reading order, oldest first; the newest holds the
    // earliest record (the clock was set back).
    QTest::newRow("rotated files")
        << exec(-5, 1300, 9300, 8, alice, chown, "/bin/chown") << "/bin/chown"
        << QStringList{runLine(-5, 1300, "alice", "root", "pts0", "success", "x"),
                       runLine(10, 1310, "bob", "root", "pts0", "success", "x")}
        << "rotated"
        << QByteArrayList{exec(10, 1310, 9310, 8, bob, chown, "/bin/chown"),
                          sudoRun(0, 1320, 9320, 8, carol, true)}
        << trailer(-5, 10,
                   {"%1/rotated/audit.log.2", "%1/rotated/audit.log.1", "%1/rotated/audit.log"});
    QTest::newRow("file name with a blank and a control byte")
        << exec(0, 1400, 9400, 8, alice, chown, "/bin/chown") << "/bin/chown"
        << QStringList{runLine(0, 1400, "alice", "root", "pts0", "success", "x")} << "a b\001c"
        << QByteArrayList() << trailer(0, 0, {"%1/a b\\001c/audit.log"});
}

// The runs file of each kind of program: one line per 用户id: line, in
// their order, each of eight fields; the search's output is the same with
// and without it.
void TestAusearchRuns::runsFile()
{
    QFETCH(QByteArray, trail);
    QFETCH(QString, program);
    QFETCH(QStringList, lines);
    QFETCH(QString, dir);
    QFETCH(QByteArrayList, older);
    QFETCH(QStringList, trailer);
    QString log = tmp.filePath("runs-shape.log");
    if (!dir.isEmpty()) {
        log = tmp.filePath(dir);
        QVERIFY(QDir(tmp.path()).mkpath(dir));
        for (int i = 0; i < older.size(); ++i)
            testsupport::writeFixture(log + "/audit.log." + QString::number(i + 1), older[i]);
        log += "/audit.log";
    }
    testsupport::writeFixture(log, trail);
    if (!dir.isEmpty())
        log = tmp.filePath(dir);
    // `program`: the -f path, or else the search's other arguments.
    const QStringList args =
        program.startsWith('/') ? QStringList{"-f", program} : program.split(' ');
    const QString runs = tmp.filePath("runs.log");
    testsupport::ToolOptions options;
    options.env = QStringList{"KVR_AUDITREPORT_RUNS=" + runs};
    const testsupport::ToolRun with =
        testsupport::runAusearch(QStringList{"-i", "-if", log} + args, options);
    QCOMPARE(with.exit, with.out.isEmpty() ? 1 : 0);
    const testsupport::ToolRun without =
        testsupport::runAusearch(QStringList{"-i", "-if", log} + args);
    QCOMPARE(with.out, without.out);
    QStringList got = QString::fromUtf8(testsupport::readAll(runs)).split('\n');
    QCOMPARE(got.takeFirst(), QString("# kvr-auditreport runs 1"));
    QCOMPARE(got.takeLast(), QString()); // the last line ends with a line feed
    trailer.replaceInStrings("%1", tmp.path());
    trailer << dayLines(with.out);
    QCOMPARE(got.mid(got.size() - trailer.size()), trailer);
    got = got.mid(0, got.size() - trailer.size());
    for (const QString &line : got)
        QVERIFY2(line.split('\t').size() == 8, qPrintable(line));
    if (program.startsWith('/'))
        QCOMPARE(got.size(), int(with.out.count("用户id:")));
    QCOMPARE(got, lines);
    QCOMPARE(modeOf(runs), 0600u);
}

// Root never writes through someone else's name for the runs file, never
// waits on a FIFO, and never leaves a stale file: exit 4 with the reason.
void TestAusearchRuns::runsFileRefusals()
{
    const QString log = testsupport::writeFixture(
        tmp.filePath("one-run.log"), exec(0, 1, 100, 3, alice, "/usr/bin/chown", "/bin/chown"));
    const QString victim = testsupport::writeFixture(tmp.filePath("victim"), "keep\n");
    const QString link = tmp.filePath("runs-link"), hard = tmp.filePath("runs-hard"),
                  fifo = tmp.filePath("runs-fifo");
    QVERIFY(QFile::link(victim, link));
    QCOMPARE(::link(QFile::encodeName(victim).constData(), QFile::encodeName(hard).constData()), 0);
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const struct {
        QString path;
        QByteArray reason;
    } refused[] = {{link, "symbolic link"},
                   {hard, "other names"},
                   {fifo, "not a regular file"},
                   {tmp.path(), "not a regular file"},
                   {tmp.filePath("no/such/dir/runs.log"), "No such file"}};
    for (const auto &r : refused) {
        const testsupport::ToolRun run = searchWithRuns("/bin/chown", log, r.path);
        QVERIFY2(run.finished && run.exit == 4 && run.err.contains(r.reason),
                 qPrintable(r.path + ": " + run.err));
        QVERIFY(run.out.isEmpty());
    }
    QCOMPARE(testsupport::readAll(victim), QByteArray("keep\n"));

    // A stale file is rewritten: by a search that finds nothing, and by one
    // without -f (no runs at all).
    const QString runs = testsupport::writeFixture(tmp.filePath("stale-runs.log"), "stale\n");
    QVERIFY(QFile::setPermissions(
        runs, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther));
    QCOMPARE(searchWithRuns("/bin/rmdir", log, runs).exit, 1);
    QVERIFY(testsupport::readAll(runs).startsWith("# kvr-auditreport runs 1\n# file "));
    QCOMPARE(modeOf(runs), 0600u);
    testsupport::writeFixture(runs, "stale\n");
    testsupport::ToolOptions options;
    options.env = QStringList{"KVR_AUDITREPORT_RUNS=" + runs};
    QCOMPARE(testsupport::runAusearch({"-i", "-if", log}, options).exit, 0);
    QCOMPARE(testsupport::readAll(runs),
             "# kvr-auditreport runs 1\n# file " + QFile::encodeName(log) + "\n# span "
                 + QByteArray::number(kBase) + ".100 " + QByteArray::number(kBase)
                 + ".100\n# day 2024-03-05 1\n");

    // A search that cannot read its trail leaves no file that reads as a
    // runs file, neither its own nor an earlier search's.
    QCOMPARE(testsupport::runAusearch({"-i", "-f", "/bin/chown", "-if", tmp.filePath("gone.log")},
                                      options)
                 .exit,
             3);
    QVERIFY(!testsupport::readAll(runs).startsWith("# kvr-auditreport runs 1\n"));

    // Nor does one whose runs file could not be written whole (a file-size
    // limit): exit 4, and the runs written so far do not read as complete.
    QByteArray many;
    for (int i = 0; i < 40; ++i)
        many += exec(i, 10 + i, 200 + i, 3, alice, "/usr/bin/chown", "/bin/chown");
    const QString manyLog = testsupport::writeFixture(tmp.filePath("many-runs.log"), many);
    const testsupport::ToolRun cut =
        testsupport::runTool("/bin/sh",
                             {"-c",
                              "trap '' XFSZ; ulimit -f 1; export KVR_AUDITREPORT_RUNS=\"$2\"; "
                              "exec \"$0\" -i -f /bin/chown -if \"$1\"",
                              QStringLiteral(KVR_TOOLS_BUILD_DIR "/ausearch"), manyLog, runs});
    QVERIFY2(cut.exit == 4 && cut.err.contains("runs file"), cut.err.constData());
    const QByteArray partial = testsupport::readAll(runs);
    QVERIFY(partial.size() >= 100 && !partial.startsWith("# kvr-auditreport runs 1\n"));
}

void TestAusearchRuns::daysAcrossClockChanges_data()
{
    QTest::addColumn<QString>("zone");
    QTest::addColumn<QList<qint64>>("instants"); // UTC seconds of one sudo run each
    QTest::addColumn<QStringList>("daily");      // "YYYY-MM-DD N": runs per day
    QTest::addColumn<QStringList>("ranges");     // "-ts/-te arguments|runs", every run once
    auto utc = [](int y, int mo, int d, int h, int mi, int s) {
        return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC).toSecsSinceEpoch();
    };
    // 2024-04-06 23:00-23:59 happens twice (the clocks go back at midnight)
    QTest::newRow("Santiago, repeated hour")
        << "America/Santiago"
        << QList<qint64>{utc(2024, 4, 6, 12, 0, 0), utc(2024, 4, 7, 2, 30, 0),
                         utc(2024, 4, 7, 3, 30, 0), utc(2024, 4, 7, 4, 30, 0)}
        << QStringList{"2024-04-06 3", "2024-04-07 1"}
        << QStringList{"-ts 4/5/24 -te 4/6/24|3", "-ts 4/7/24 -te 4/8/24|1"};
    // 2023-10-26 23:00-23:59 twice
    QTest::newRow("Cairo, repeated hour")
        << "Africa/Cairo"
        << QList<qint64>{utc(2023, 10, 26, 20, 30, 0), utc(2023, 10, 26, 21, 30, 0),
                         utc(2023, 10, 26, 22, 30, 0)}
        << QStringList{"2023-10-26 2", "2023-10-27 1"}
        << QStringList{"-ts 10/26/23 -te 10/26/23|2", "-ts 10/27/23 -te 10/27/23|1"};
    // 2024-11-03 00:00-00:59 twice: that midnight happens twice
    QTest::newRow("Havana, repeated midnight")
        << "America/Havana"
        << QList<qint64>{utc(2024, 11, 3, 3, 59, 59), utc(2024, 11, 3, 4, 30, 0),
                         utc(2024, 11, 3, 5, 30, 0)}
        << QStringList{"2024-11-02 1", "2024-11-03 2"}
        << QStringList{"-te 11/2/24|1", "-ts 11/3/24|2"};
    // 2024-09-08 starts at 01:00: its midnight does not exist
    QTest::newRow("Santiago, skipped midnight")
        << "America/Santiago"
        << QList<qint64>{utc(2024, 9, 8, 3, 59, 59), utc(2024, 9, 8, 4, 0, 0),
                         utc(2024, 9, 8, 5, 0, 0)}
        << QStringList{"2024-09-07 1", "2024-09-08 2"}
        << QStringList{"-ts 9/7/24 -te 9/7/24|1", "-ts 9/8/24 -te 9/8/24|2"};
    // 2011-12-30 does not exist: as a start it begins with 12-31, as an end
    // it ends with 12-29
    QTest::newRow("Apia, skipped day")
        << "Pacific/Apia"
        << QList<qint64>{utc(2011, 12, 30, 9, 59, 59), utc(2011, 12, 30, 10, 0, 0)}
        << QStringList{"2011-12-29 1", "2011-12-31 1"}
        << QStringList{"-ts 12/28/11 -te 12/30/11|1", "-ts 12/30/11 -te 12/31/11|1",
                       "-ts 12/30/11 -te 12/30/11|0"};
    // UTC+14: the last hours of the year 9999 are the year 10000 there; such
    // a record is out of range, never printed as the year 0000
    QTest::newRow("Kiritimati, past the year 9999")
        << "Pacific/Kiritimati"
        << QList<qint64>{kLastStampSecond - 14 * 3600, kLastStampSecond - 3600}
        << QStringList{"9999-12-31 1"} << QStringList{"-ts 12/31/9999|1"};
}

// The tools' -ts/-te, the per-day file and the chart's days agree in every
// zone: each run on the day it is printed with, and ranges of whole days
// that meet select every run exactly once (the summary's event count too).
void TestAusearchRuns::daysAcrossClockChanges()
{
    QFETCH(QString, zone);
    QFETCH(QList<qint64>, instants);
    QFETCH(QStringList, daily);
    QFETCH(QStringList, ranges);
    QByteArray trail;
    int serial = 1;
    for (qint64 at : instants) {
        trail +=
            exec(at - kBase, serial, 3000 + serial, 3, alice, "/usr/bin/sudo", "/usr/bin/sudo");
        ++serial;
    }
    const QString log = testsupport::writeFixture(tmp.filePath("days.log"), trail);
    testsupport::ToolOptions options;
    options.env = QStringList{"TZ=" + zone};
    auto search = [&](const QStringList &range) {
        return testsupport::runAusearch(
            QStringList{"-i", "-f", "/usr/bin/sudo", "-if", log} + range, options);
    };
    options.env << "KVR_AUDITREPORT_RUNS=" + tmp.filePath("days-runs.log");
    const testsupport::ToolRun all = search({});
    QCOMPARE(all.exit, 0);
    options.env.removeLast();
    const int total = int(all.out.count("用户id:"));
    QCOMPARE(dayLines(all.out), daily.replaceInStrings(QRegularExpression("^"), "# day "));
    const runsfile::RunsFile runsFile = runsfile::read(tmp.filePath("days-runs.log"));
    QVERIFY(runsFile.isComplete());
    const QMap<QDate, int> &perDay = runsFile.runsPerDay;
    const QList<int> bars =
        querycore::runsPerDay(perDay, querycore::chartSpan({}, {}, {}, {}, perDay));
    QCOMPARE(std::accumulate(bars.begin(), bars.end(), 0), total);

    int covered = 0;
    for (const QString &range : ranges) {
        const QStringList args = range.section('|', 0, 0).split(' ');
        const int runs = range.section('|', 1).toInt();
        const testsupport::ToolRun r = search(args);
        QVERIFY2(r.exit == (runs ? 0 : 1), qPrintable(range + ": " + r.err));
        QVERIFY2(r.out.count("用户id:") == runs, qPrintable(range));
        testsupport::ToolOptions summaryOptions = options;
        summaryOptions.env << "KVR_AUDITREPORT_LOG";
        const testsupport::ToolRun summary =
            testsupport::runTool(KVR_TOOLS_BUILD_DIR "/aureport",
                                 QStringList{"--summary", "-if", log} + args, summaryOptions);
        QVERIFY2(summary.out.contains("审计事件总数: " + QByteArray::number(runs) + "\n")
                     && !summary.out.contains(" 0000-"),
                 qPrintable(range + ": " + summary.out));
        covered += runs;
    }
    QCOMPARE(covered, total);
}

QTEST_GUILESS_MAIN(TestAusearchRuns)
#include "tst_ausearch_runs.moc"
