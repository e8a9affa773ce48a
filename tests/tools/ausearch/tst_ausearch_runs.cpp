// Runs, not events: hand-made trails of each shape a real trail takes (sudo
// allowed and refused, old and new USER_CMD, su, useradd and userdel with
// their several records, an exec-watched chown with relative and failed
// execs, a pid reused in another session, interleaved runs, a rule logging
// every system call of one run), run through the built ausearch -f and the
// program's three fixed statistics pipelines with /bin/sh, checking each
// user's number of runs and the first and last dates.
#include "audit/querycore.h"
#include "commandtable.h"
#include "files.h"
#include "gentrail.h"
#include "searchtool.h"

#include <QDateTime>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <pwd.h>

namespace {

// 2024-03-05 10:00:00 UTC and onwards, one second per step.
constexpr qint64 kBase = 1709632800;

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

// A user-space record; `exe` empty: none (older sudo's USER_CMD).
QByteArray user(const QByteArray &type, qint64 sec, int serial, int pid, int ses, const Who &w,
                const QByteArray &exe, const QByteArray &res = "success")
{
    return "type=" + type + " " + stamp(sec, serial) + "pid=" + QByteArray::number(pid)
        + " uid=1000 auid=" + w.auid + " ses=" + QByteArray::number(ses)
        + " msg='op=x acct=\"root\"" + (exe.isEmpty() ? "" : " exe=\"" + exe + "\"")
        + " hostname=? addr=? terminal=pts/0 res=" + res + "'" + enriched(w) + "\n";
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

} // namespace

class TestAusearchRuns : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void runsPerUser_data();
    void runsPerUser();
    void generatedTrailRuns();

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

QTEST_GUILESS_MAIN(TestAusearchRuns)
#include "tst_ausearch_runs.moc"
