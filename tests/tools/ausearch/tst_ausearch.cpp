// Runs the built ausearch as the program does and checks what the report
// pipelines get out of it: event selection by program file and dates, the
// three fixed pipelines, forged trail values, bad input, and the progress
// lines both tools write for the window.
#include "files.h"
#include "gentrail.h"
#include "layoutcheck.h"
#include "searchtool.h"

#include <QDateTime>
#include <QDir>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <unistd.h>

namespace {

using testsupport::ToolRun;

using testsupport::runAusearch;

using testsupport::writeFixture;

// Event keys "sec.milli:serial" of the tool's interpreted output (TZ=UTC).
QStringList outputKeys(const QByteArray &out)
{
    static const QRegularExpression header("^时间->(\\S+ \\S+) 序号=(\\d+)");
    QStringList keys;
    for (const QByteArray &line : out.split('\n')) {
        auto m = header.match(QString::fromUtf8(line));
        if (!m.hasMatch())
            continue;
        QDateTime t = QDateTime::fromString(m.captured(1), "yyyy-MM-dd HH:mm:ss.zzz");
        t.setTimeZone(QTimeZone::utc());
        const qint64 ms = t.toMSecsSinceEpoch();
        keys << QString("%1.%2:%3")
                    .arg(ms / 1000)
                    .arg(ms % 1000, 3, 10, QChar('0'))
                    .arg(m.captured(2));
    }
    return keys;
}

QString decoded(const QString &raw)
{
    if (raw.size() >= 2 && raw.startsWith('"') && raw.endsWith('"'))
        return raw.mid(1, raw.size() - 2);
    static const QRegularExpression hexOnly("^([0-9A-Fa-f]{2})+$");
    if (hexOnly.match(raw).hasMatch())
        return QString::fromUtf8(QByteArray::fromHex(raw.toLatin1()).replace('\0', ' ')).trimmed();
    return raw;
}

// The selection and run rules, written independently of the tool.
// Selection: an event concerns PATH when an exe= of any of its lines, or a
// PATH line's name= (joined with the CWD line's cwd= when relative), equals
// PATH or its merged-/usr twin; for sudo also a USER_CMD line without exe=.
// Events come out in time order (stable for equal stamps).
// Runs: in that order, per node and pid: an exec (execve/execveat by the
// architecture's numbers) that succeeded and names or runs PATH starts a
// run; a failed one starts a run only when a PATH line naming PATH has an
// inode; an event running PATH (exe=, or sudo's bare USER_CMD) joins the
// running run of its pid in the same session, or of its parent (ppid) when
// its pid runs nothing, else starts one; anything else ends the pid's run.
// An event without ses= and auid= joins a running run of its pid and is
// otherwise nothing.
struct Expected {
    QStringList keys;      // selected events, in output order
    QStringList runStarts; // the events that carry 用户id:
};

Expected expectedFor(const QByteArray &trail, const QString &program)
{
    static const QRegularExpression stamp("msg=audit\\((\\d+)\\.(\\d{3}):(\\d+)\\)");
    static const QRegularExpression field(
        "(?:^|[ "
        "'])(type|exe|name|cwd|pid|ppid|ses|auid|arch|syscall|success|inode)=(\"[^\"]*\"|[^\\s'"
        "\\x1d]+)");
    QString twin = program;
    for (const char *d : {"/bin/", "/sbin/", "/lib/"}) {
        if (program.startsWith(d))
            twin = "/usr" + program;
        else if (program.startsWith(QString("/usr") + d))
            twin = program.mid(4);
    }
    const bool sudo = program == "/usr/bin/sudo" || program == "/bin/sudo";
    auto isProgram = [&](const QString &path) {
        const QString p = QDir::cleanPath(path);
        return p == program || p == twin;
    };
    struct Ev {
        QString key, node, pid, ppid, ses, cwd;
        bool session = false; // a ses= or auid= field
        qint64 ms = 0;
        quint64 serial = 0;
        bool runs = false, exec = false, success = false, named = false, found = false;
        QList<QPair<QString, bool>> relative; // name, has inode
    };
    QList<Ev> events;
    QMap<QString, int> index;
    for (const QByteArray &raw : trail.split('\n')) {
        const QString line = QString::fromUtf8(raw);
        auto s = stamp.match(line);
        if (!s.hasMatch())
            continue;
        const QString key = s.captured(1) + "." + s.captured(2) + ":" + s.captured(3);
        if (!index.contains(key)) {
            index[key] = events.size();
            Ev e;
            e.key = key;
            e.ms = s.captured(1).toLongLong() * 1000 + s.captured(2).toInt();
            e.serial = s.captured(3).toULongLong();
            events << e;
        }
        Ev &e = events[index[key]];
        if (line.startsWith("node="))
            e.node = line.section(' ', 0, 0);
        QString type, arch, syscall, name;
        bool hasExe = false, hasInode = false;
        for (auto it = field.globalMatch(line.section(QChar(0x1d), 0, 0)); it.hasNext();) {
            auto m = it.next();
            // Only names and paths may be hex-encoded; numbers stay as written.
            const QString n = m.captured(1);
            const bool text = n == "exe" || n == "name" || n == "cwd";
            const QString value = text ? decoded(m.captured(2)) : m.captured(2);
            e.session = e.session || n == "ses" || n == "auid";
            if (n == "type")
                type = value;
            else if (n == "cwd" && type == "CWD")
                e.cwd = value;
            else if (n == "exe") {
                hasExe = true;
                e.runs = e.runs || isProgram(value);
            } else if (n == "name" && type == "PATH")
                name = value;
            else if (n == "inode")
                hasInode = true;
            else if (n == "pid" && e.pid.isEmpty())
                e.pid = value;
            else if (n == "ppid" && e.ppid.isEmpty())
                e.ppid = value;
            else if (n == "ses" && e.ses.isEmpty())
                e.ses = value;
            else if (n == "arch")
                arch = value;
            else if (n == "syscall")
                syscall = value;
            else if (n == "success" && type == "SYSCALL")
                e.success = value == "yes";
        }
        if (sudo && type == "USER_CMD" && !hasExe)
            e.runs = true;
        if (type == "SYSCALL") {
            static const QMap<QString, QStringList> execs = {{"c000003e", {"59", "322"}},
                                                             {"40000003", {"11", "358"}},
                                                             {"c00000b7", {"221", "281"}}};
            e.exec = e.exec || execs.value(arch).contains(syscall);
        }
        if (!name.isEmpty()) {
            if (name.startsWith('/')) {
                if (isProgram(name)) {
                    e.named = true;
                    e.found = e.found || hasInode;
                }
            } else {
                e.relative << qMakePair(name, hasInode);
            }
        }
    }
    for (Ev &e : events)
        for (const auto &rel : e.relative)
            if (!e.cwd.isEmpty() && isProgram(e.cwd + "/" + rel.first)) {
                e.named = true;
                e.found = e.found || rel.second;
            }
    std::stable_sort(events.begin(), events.end(), [](const Ev &a, const Ev &b) {
        return a.ms != b.ms ? a.ms < b.ms : a.serial < b.serial;
    });
    Expected x;
    QMap<QString, QPair<QString, bool>> running; // node pid -> session, still running
    for (const Ev &e : events) {
        if (!e.runs && !e.named)
            continue;
        x.keys << e.key;
        bool starts = false;
        if (!e.session) {
        } else if (e.pid.isEmpty()) {
            starts = e.runs || (e.exec && e.found);
        } else {
            auto &proc = running[e.node + " " + e.pid];
            if (e.exec && e.success && (e.runs || e.named)) {
                starts = true;
                proc = {e.ses, true};
            } else if (e.exec && !e.success) {
                starts = e.found;
            } else if (e.runs && !e.exec) {
                const auto parent = running.value(e.node + " " + e.ppid);
                starts = !(proc.second && proc.first == e.ses)
                    && !(!proc.second && parent.second && parent.first == e.ses);
                proc = {e.ses, true};
            } else {
                proc.second = false;
            }
        }
        if (starts)
            x.runStarts << e.key;
    }
    return x;
}

// Keys of the events whose first record line carries 用户id:.
QStringList runStartKeys(const QByteArray &out)
{
    QStringList starts;
    const QList<QByteArray> lines = out.split('\n');
    const QStringList keys = outputKeys(out);
    int event = -1;
    for (int i = 0; i < lines.size(); ++i) {
        if (lines[i] == "----") {
            ++event;
            if (i + 2 < lines.size() && lines[i + 2].contains("用户id:"))
                starts << keys.value(event);
        }
    }
    return starts;
}

QByteArray hex(const QByteArray &s)
{
    return s.toHex().toUpper();
}

const QByteArray forged = "x\n日期: 1999-01-01 用户id: mallory\r\x1b[2J时间范围 \xff\xc0\\";

// A trail of execve events by known users (names in the ENRICHED part);
// with `crafted`, every value a user controls carries forged labels.
QByteArray userTrail(bool crafted, QList<QPair<qint64, QString>> *events)
{
    const QStringList users = {"alice", "bob", "alice", "root", "carol", "alice"};
    const QStringList exes = {"/usr/bin/touch", "/usr/bin/ls", "/usr/bin/touch"};
    QByteArray out;
    const qint64 base =
        QDateTime(QDate(2024, 3, 4), QTime(22, 0), QTimeZone::utc()).toSecsSinceEpoch();
    for (int i = 0; i < 12; ++i) {
        const qint64 sec = base + i * 5 * 3600;
        const QString user = users[i % users.size()];
        const QString exe = exes[i % exes.size()];
        const QByteArray ts = QString("msg=audit(%1.%2:%3): ")
                                  .arg(sec)
                                  .arg(i * 7 % 1000, 3, 10, QChar('0'))
                                  .arg(100 + i)
                                  .toUtf8();
        const QByteArray v =
            crafted ? hex(forged + QByteArray::number(i)) : hex("file" + QByteArray::number(i));
        const bool unsetAuid = user == "root";
        out += "type=SYSCALL " + ts
            + "arch=c000003e syscall=59 success=yes exit=0 items=1 ppid=1 pid="
            + QByteArray::number(500 + i)
            + (unsetAuid ? " auid=4294967295" : " auid=" + QByteArray::number(1000 + i % 6))
            + " uid=" + (unsetAuid ? "0" : "2000") + " gid=0 ses=1 comm=" + v + " exe=\""
            + exe.toUtf8() + "\"\x1d" + "AUID=\"" + (unsetAuid ? "unset" : user.toUtf8())
            + "\" UID=\"" + (unsetAuid ? "root" : "someone") + "\"\n";
        out += "type=EXECVE " + ts + "argc=2 a0=\"x\" a1=" + v + "\n";
        out += "type=CWD " + ts + "cwd=" + v + "\n";
        out += "type=PATH " + ts + "item=0 name=" + v
            + " inode=1 dev=fd:00 mode=0100644 ouid=0 ogid=0 nametype=CREATE\n";
        out += "type=PROCTITLE " + ts + "proctitle=" + v + "\n";
        events->append({sec * 1000 + i * 7 % 1000, user + " " + exe});
    }
    return out;
}

QByteArray sh(const QString &command)
{
    QProcess p;
    p.start("/bin/sh", {"-c", command});
    p.waitForFinished(60000);
    return p.readAllStandardOutput();
}

} // namespace

class TestAusearch : public QObject
{
    Q_OBJECT
private slots:
    void selectsEventsOfProgram_data();
    void selectsEventsOfProgram();
    void pipelinesSeeOnlyToolLabels_data();
    void pipelinesSeeOnlyToolLabels();
    void dates_data();
    void dates();
    void badInput_data();
    void badInput();
    void sortSpaceRunsOut();
    void progressLines_data();
    void progressLines();

private:
    QTemporaryDir tmp;
};

void TestAusearch::selectsEventsOfProgram_data()
{
    QTest::addColumn<QString>("log");
    QTest::addColumn<QString>("program");
    QDir dir(KVR_SHARED_LOGS);
    QStringList logs;
    for (const QString &f : dir.entryList({"*.log"}, QDir::Files))
        logs << dir.filePath(f);
    for (const QString &f : QDir(dir.filePath("other")).entryList({"*.log"}, QDir::Files))
        logs << dir.filePath("other/" + f);
    // Also generated trails: relative names, twins, user-space records.
    QList<QPair<qint64, QString>> ev;
    logs << writeFixture(tmp.filePath("users.log"), userTrail(true, &ev));
    logs << writeFixture(tmp.filePath("relative.log"),
                         "type=SYSCALL msg=audit(1.001:1): auid=1 exe=\"/usr/bin/rm\"\n"
                         "type=SYSCALL msg=audit(2.002:2): auid=1 exe=\"/usr/bin/rmdir\"\ntype=CWD "
                         "msg=audit(2.002:2): cwd=\"/usr/sbin\"\n"
                         "type=PATH msg=audit(2.002:2): item=0 name=\"../bin/./rm\"\n"
                         "type=USER_CMD msg=audit(3.003:3): uid=1 auid=1 msg='cwd=\"/\" "
                         "exe=2F7573722F62696E2F7375646F res=success'\n"
                         "type=SYSCALL msg=audit(4.004:4): auid=1 exe=\"/usr/local/bin/rm\"\n");
    const QStringList programs = {
        "/bin/su",    "/usr/bin/sudo",     "/bin/rm",         "/bin/cp",        "/bin/mkdir",
        "/bin/touch", "/usr/sbin/useradd", "/usr/bin/passwd", "/sbin/shutdown", "/usr/bin/ls"};
    for (const QString &log : logs)
        for (const QString &p : programs)
            QTest::newRow(qPrintable(QFileInfo(log).fileName() + " " + p)) << log << p;
}

void TestAusearch::selectsEventsOfProgram()
{
    QFETCH(QString, log);
    QFETCH(QString, program);
    if (!QFileInfo::exists(log))
        QSKIP("shared audit logs are absent");
    QFile f(log);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const Expected expected = expectedFor(f.readAll(), program);
    ToolRun r = runAusearch({"-i", "-f", program, "-if", log});
    QVERIFY(r.finished && !r.crashed);
    QCOMPARE(r.exit, expected.keys.isEmpty() ? 1 : 0);
    QCOMPARE(outputKeys(r.out), expected.keys);
    QCOMPARE(runStartKeys(r.out).join(" "), expected.runStarts.join(" "));
    QCOMPARE(QString::fromStdString(layoutcheck::check(r.out.toStdString(), expected.keys.size(),
                                                       expected.runStarts.size())),
             QString());
}

void TestAusearch::pipelinesSeeOnlyToolLabels_data()
{
    QTest::addColumn<QStringList>("filter");
    QTest::addColumn<QString>("program");
    QTest::addColumn<qint64>("fromMs");
    QTest::addColumn<qint64>("toMs");
    const qint64 all = std::numeric_limits<qint64>::max();
    QTest::newRow("everything") << QStringList() << QString() << qint64(0) << all;
    QTest::newRow("touch") << QStringList{"-f", "/bin/touch"} << "/usr/bin/touch" << qint64(0)
                           << all;
    const qint64 d5 =
        QDateTime(QDate(2024, 3, 5), QTime(0, 0), QTimeZone::utc()).toMSecsSinceEpoch();
    const qint64 d6 =
        QDateTime(QDate(2024, 3, 6), QTime(0, 0), QTimeZone::utc()).toMSecsSinceEpoch();
    QTest::newRow("one day") << QStringList{"-ts", "3/5/24", "-te", "3/5/24"} << QString() << d5
                             << d6 - 1;
    QTest::newRow("ls from a day")
        << QStringList{"-f", "/usr/bin/ls", "-ts", "03/06/2024"} << "/usr/bin/ls" << d6 << all;
}

void TestAusearch::pipelinesSeeOnlyToolLabels()
{
    QFETCH(QStringList, filter);
    QFETCH(QString, program);
    QFETCH(qint64, fromMs);
    QFETCH(qint64, toMs);
    QMap<QString, int> counts;
    QString first, last;
    QByteArray results[2];
    for (bool crafted : {false, true}) {
        QList<QPair<qint64, QString>> events;
        const QString log = writeFixture(tmp.filePath(crafted ? "crafted.log" : "clean.log"),
                                         userTrail(crafted, &events));
        counts.clear();
        first.clear();
        for (const auto &e : events) {
            if (e.first < fromMs || e.first > toMs
                || (!program.isEmpty() && !e.second.endsWith(program)))
                continue;
            const QString date =
                QDateTime::fromMSecsSinceEpoch(e.first, QTimeZone::utc()).toString("yyyy-MM-dd");
            (first.isEmpty() ? first : last) = date;
            last = date;
            counts[e.second.section(' ', 0, 0)]++;
        }
        ToolRun r = runAusearch(QStringList{"-i"} + filter + QStringList{"-if", log});
        QCOMPARE(r.exit, counts.isEmpty() ? 1 : 0);
        const QString result = writeFixture(tmp.filePath("result.log"), r.out);
        QCOMPARE(
            QString::fromStdString(layoutcheck::check(r.out.toStdString(), r.out.count("----\n"))),
            QString());
        const QByteArray stats =
            sh("sed -n '3p' " + result
               + " |awk -F '日期:' '{print $2}'|awk '{split($0,a,\" \");}END{print a[1]}'")
            + sh("tail -1 " + result
                 + " |awk -F '日期:' '{print $2}'|awk '{split($0,a,\" \");}END{print a[1]}'");
        QCOMPARE(QString::fromUtf8(stats), first + "\n" + last + "\n");
        QStringList perUser =
            QString::fromUtf8(sh("awk -F '用户id:' '{print $2}'  " + result
                                 + " | awk 'NF' |awk '{split($0,a,\" \");name[a[1]]+=1};END{for(i "
                                   "in name) print i, name[i]}'"))
                .split('\n', Qt::SkipEmptyParts);
        perUser.sort();
        QStringList expectedUsers;
        for (auto it = counts.cbegin(); it != counts.cend(); ++it)
            expectedUsers << it.key() + " " + QString::number(it.value());
        QCOMPARE(perUser, expectedUsers);
        results[crafted] = stats + perUser.join('\n').toUtf8();
    }
    QCOMPARE(results[1], results[0]);
}

void TestAusearch::dates_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("how"); // -if FILE, -if DIR (rotated), or the environment
    QTest::addColumn<QList<int>>("serials");
    QTest::addColumn<int>("code");
    QTest::newRow("one day") << QStringList{"-ts", "3/5/24", "-te", "3/5/24"} << "file"
                             << QList<int>{2, 3, 4} << 0;
    QTest::newRow("long form") << QStringList{"-ts", "03/05/2024", "-te", "03/05/2024"} << "file"
                               << QList<int>{2, 3, 4} << 0;
    QTest::newRow("end day included")
        << QStringList{"-te", "3/5/24"} << "file" << QList<int>{1, 2, 3, 4} << 0;
    QTest::newRow("start time") << QStringList{"-ts", "3/5/24", "12:00"} << "file"
                                << QList<int>{3, 4, 5} << 0;
    QTest::newRow("end time") << QStringList{"-te", "3/5/24", "12:00:00"} << "file"
                              << QList<int>{1, 2, 3} << 0;
    QTest::newRow("later day") << QStringList{"-ts", "3/6/24"} << "file" << QList<int>{5} << 0;
    QTest::newRow("nothing") << QStringList{"-ts", "3/7/24"} << "file" << QList<int>{} << 1;
    QTest::newRow("directory") << QStringList{"-ts", "3/4/24"} << "dir" << QList<int>{1, 2, 3, 4, 5}
                               << 0;
    QTest::newRow("environment") << QStringList{"-te", "3/4/24"} << "env" << QList<int>{1} << 0;
    QTest::newRow("keywords") << QStringList{"-ts", "this-year", "-te", "now"} << "file"
                              << QList<int>{} << 1;
    QTest::newRow("up to now") << QStringList{"-te", "now"} << "file" << QList<int>{1, 2, 3, 4, 5}
                               << 0;
    QTest::newRow("no such day") << QStringList{"-ts", "2/30/24"} << "file" << QList<int>{} << 2;
    QTest::newRow("month 13") << QStringList{"-te", "13/1/24"} << "file" << QList<int>{} << 2;
    QTest::newRow("trailing junk") << QStringList{"-ts", "3/5/24x"} << "file" << QList<int>{} << 2;
    QTest::newRow("three-digit year")
        << QStringList{"-ts", "3/5/024"} << "file" << QList<int>{} << 2;
    QTest::newRow("missing date") << QStringList{"-ts"} << "file" << QList<int>{} << 2;
    QTest::newRow("start after end")
        << QStringList{"-ts", "3/6/24", "-te", "3/5/24"} << "file" << QList<int>{} << 2;
}

void TestAusearch::dates()
{
    QFETCH(QStringList, args);
    QFETCH(QString, how);
    QFETCH(QList<int>, serials);
    QFETCH(int, code);
    const QList<QDateTime> times = {
        QDateTime(QDate(2024, 3, 4), QTime(23, 59, 59, 999), QTimeZone::utc()),
        QDateTime(QDate(2024, 3, 5), QTime(0, 0), QTimeZone::utc()),
        QDateTime(QDate(2024, 3, 5), QTime(12, 0), QTimeZone::utc()),
        QDateTime(QDate(2024, 3, 5), QTime(23, 59, 59, 999), QTimeZone::utc()),
        QDateTime(QDate(2024, 3, 6), QTime(0, 0), QTimeZone::utc())};
    QByteArray lines[5];
    for (int i = 0; i < times.size(); ++i) {
        const qint64 ms = times[i].toMSecsSinceEpoch();
        lines[i] = QString("type=USER_CMD msg=audit(%1.%2:%3): pid=1 uid=0 auid=0 "
                           "msg='exe=\"/usr/bin/sudo\" res=success'\n")
                       .arg(ms / 1000)
                       .arg(ms % 1000, 3, 10, QChar('0'))
                       .arg(i + 1)
                       .toUtf8();
    }
    QStringList full = QStringList{"-i"} + args;
    testsupport::ToolOptions options;
    if (how == "dir") {
        QDir(tmp.path()).mkpath("rotated");
        writeFixture(tmp.filePath("rotated/audit.log.2"), lines[0] + lines[1]);
        writeFixture(tmp.filePath("rotated/audit.log.1"), lines[2] + lines[3]);
        writeFixture(tmp.filePath("rotated/audit.log"), lines[4]);
        writeFixture(tmp.filePath("rotated/other.log"), lines[0]);
        full << "-if" << tmp.filePath("rotated");
    } else {
        const QString log = writeFixture(tmp.filePath("dates.log"),
                                         lines[0] + lines[1] + lines[2] + lines[3] + lines[4]);
        if (how == "env")
            options.env << "KVR_AUDITREPORT_LOG=" + log;
        else
            full << "-if" << log;
    }
    ToolRun r = runAusearch(full, options);
    QCOMPARE(r.exit, code);
    QStringList expected;
    for (int s : serials) {
        const qint64 ms = times[s - 1].toMSecsSinceEpoch();
        expected << QString("%1.%2:%3").arg(ms / 1000).arg(ms % 1000, 3, 10, QChar('0')).arg(s);
    }
    QCOMPARE(outputKeys(r.out), expected);
    if (code == 2)
        QVERIFY2(r.err.contains(args.value(1).toUtf8()) || r.err.contains("needs")
                     || r.err.contains("after the end"),
                 r.err.constData());
}

void TestAusearch::badInput_data()
{
    QTest::addColumn<QByteArray>("content"); // written to bad.log unless "missing"/"emptydir"
    QTest::addColumn<QString>("input");
    QTest::addColumn<QStringList>("extra");
    QTest::addColumn<QList<int>>("codes");
    QTest::addColumn<QString>("message");
    QByteArray random(64 * 1024, 0);
    QRandomGenerator gen(42);
    for (char &c : random)
        c = char(gen.bounded(256));
    QList<QPair<qint64, QString>> ev;
    QByteArray trail = userTrail(true, &ev);
    const QByteArray longLine =
        "type=SYSCALL msg=audit(1709600000.100:10): comm=" + QByteArray(1 << 20, 'A') + " auid=0\n";
    QTest::newRow("empty file") << QByteArray() << "bad.log" << QStringList() << QList<int>{1}
                                << "<no matches>";
    QTest::newRow("random bytes") << random << "bad.log" << QStringList() << QList<int>{0, 1} << "";
    QTest::newRow("1 MB line") << longLine << "bad.log" << QStringList() << QList<int>{1} << "";
    QTest::newRow("truncated record")
        << trail.left(trail.size() / 2 + 17) << "bad.log" << QStringList() << QList<int>{0} << "";
    QTest::newRow("lines cut short") << QByteArray(trail).replace("items=1", "\nitems=1")
                                     << "bad.log" << QStringList() << QList<int>{0} << "";
    QTest::newRow("missing file") << QByteArray() << "missing" << QStringList() << QList<int>{3}
                                  << "missing";
    QTest::newRow("directory without logs")
        << QByteArray() << "emptydir" << QStringList() << QList<int>{3} << "no audit.log";
    QTest::newRow("unreadable file")
        << QByteArray("x") << "unreadable" << QStringList() << QList<int>{3} << "Permission denied";
    QTest::newRow("unknown option") << QByteArray() << "bad.log" << QStringList{"-x"}
                                    << QList<int>{2} << "-x is an unknown option";
    QTest::newRow("-f without path")
        << QByteArray() << "bad.log" << QStringList{"-f", "-ts", "3/5/24"} << QList<int>{2}
        << "-f needs";
    QTest::newRow("relative -f") << QByteArray() << "bad.log" << QStringList{"-f", "chown"}
                                 << QList<int>{2} << "absolute";
}

void TestAusearch::badInput()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, input);
    QFETCH(QStringList, extra);
    QFETCH(QList<int>, codes);
    QFETCH(QString, message);
    QString path = tmp.filePath(input);
    if (input == "emptydir")
        QDir(tmp.path()).mkpath(input);
    else if (input == "unreadable") {
        if (geteuid() == 0)
            QSKIP("root reads every file");
        writeFixture(path, content);
        QFile::setPermissions(path, QFileDevice::WriteOwner);
    } else if (input != "missing")
        writeFixture(path, content);
    ToolRun r = runAusearch(QStringList{"-i"} + extra + QStringList{"-if", path});
    QVERIFY(r.finished && !r.crashed);
    QVERIFY2(codes.contains(r.exit), qPrintable(QString::number(r.exit) + " " + r.err));
    QVERIFY2(r.err.contains(message.toUtf8()), r.err.constData());
    if (r.exit != 0)
        QVERIFY(r.out.isEmpty());
    QCOMPARE(QString::fromStdString(layoutcheck::check(r.out.toStdString(), r.out.count("----\n"))),
             QString());
}

// Events whose records are interleaved with another event's (as CPUs write
// them) are sorted with their text; a trail of them larger than the
// in-memory sort takes is sorted through temporary files. When those cannot
// be written (here a file-size limit) the search says the trail is too
// large (exit 5), not that it cannot be read, and prints nothing.
void TestAusearch::sortSpaceRunsOut()
{
    const QString log = tmp.filePath("large.log");
    {
        QFile f(log);
        QVERIFY(f.open(QIODevice::WriteOnly));
        const QByteArray pad = " comm=" + QByteArray(300, 'A');
        for (int i = 0; i < 90000; i += 2) {
            QByteArray stamps[2], lines;
            for (int k = 0; k < 2; ++k)
                stamps[k] = "msg=audit(" + QByteArray::number(1704067200 + i + k)
                    + ".250:" + QByteArray::number(i + k) + "): ";
            for (const char *type : {"SYSCALL", "PROCTITLE"})
                for (const QByteArray &stamp : stamps)
                    lines += QByteArray("type=") + type + " " + stamp + "pid=1 auid=0" + pad + "\n";
            f.write(lines);
        }
    }
    QVERIFY(QFileInfo(log).size() > 50 * 1024 * 1024);
    ToolRun r =
        testsupport::runTool("/bin/sh",
                             {"-c", "trap '' XFSZ; ulimit -f 10240; exec \"$0\" -i -if \"$1\"",
                              QStringLiteral(KVR_TOOLS_BUILD_DIR "/ausearch"), log});
    QVERIFY(r.finished && !r.crashed);
    QVERIFY2(r.exit == 5, qPrintable(QString::number(r.exit) + " " + r.err));
    QVERIFY2(r.err.contains("temporary file"), r.err.constData());
    QVERIFY(r.out.isEmpty());
}

void TestAusearch::progressLines_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("descriptor"); // a pipe read to its end, or what else
    const QStringList search{"-i"}, report{"--summary"};
    QTest::newRow("search") << "ausearch" << search << "pipe";
    QTest::newRow("-f search (two passes)")
        << "ausearch" << QStringList{"-i", "-f", "/bin/chown"} << "pipe";
    QTest::newRow("report") << "aureport" << report << "pipe";
    // A reader that has gone must not end the tool (SIGPIPE) nor change it.
    QTest::newRow("search, reader gone") << "ausearch" << search << "reader gone";
    QTest::newRow("report, reader gone") << "aureport" << report << "reader gone";
    // A variable naming no descriptor to write to is ignored.
    QTest::newRow("not open") << "ausearch" << search << "987";
    QTest::newRow("not a number") << "ausearch" << search << "3x";
    QTest::newRow("standard output") << "ausearch" << search << "1";
    QTest::newRow("read end") << "ausearch" << search << "read end";
}

// KVR_AUDITREPORT_PROGRESS_FD: "READ TOTAL" lines from "0 TOTAL" to "TOTAL
// TOTAL", TOTAL the trail's size, READ never falling; the results are the
// same with or without a reader.
void TestAusearch::progressLines()
{
    QFETCH(QString, tool);
    QFETCH(QStringList, args);
    QFETCH(QString, descriptor);
    const QString log = tmp.filePath("progress.log");
    if (!QFileInfo::exists(log))
        QCOMPARE(testsupport::generateTrail({"--events", "30000", "--seed", "3"}, log).exit, 0);
    const QString program = QStringLiteral(KVR_TOOLS_BUILD_DIR "/") + tool;
    const QStringList full = args + QStringList{"-if", log};
    testsupport::ToolOptions options;
    options.env << "TZ=UTC";
    const ToolRun plain = testsupport::runTool(program, full, options);
    QCOMPARE(plain.exit, 0);

    int ends[2] = {-1, -1};
    QCOMPARE(::pipe2(ends, O_CLOEXEC), 0);
    const int given = descriptor == "read end" ? ends[0] : ends[1];
    QCOMPARE(::fcntl(given, F_SETFD, 0), 0); // the tool inherits it
    if (descriptor == "reader gone")
        ::close(ends[0]);
    const bool numbered =
        descriptor != "pipe" && descriptor != "reader gone" && descriptor != "read end";
    const QString fd = numbered ? descriptor : QString::number(given);
    options.env << "KVR_AUDITREPORT_PROGRESS_FD=" + fd;
    const ToolRun r = testsupport::runTool(program, full, options);
    ::close(ends[1]);
    QByteArray lines;
    if (descriptor != "reader gone") {
        char buf[4096];
        ssize_t n;
        while ((n = ::read(ends[0], buf, sizeof buf)) > 0)
            lines.append(buf, n);
        ::close(ends[0]);
    }
    QVERIFY2(r.finished && !r.crashed && r.exit == 0, r.err.constData());
    QVERIFY(r.out == plain.out);
    if (descriptor != "pipe") {
        QCOMPARE(lines, QByteArray());
        return;
    }
    const QList<QByteArray> got = lines.split('\n');
    QVERIFY2(got.size() >= 3 && got.last().isEmpty(), lines.constData());
    const QByteArray total = QByteArray::number(QFileInfo(log).size());
    QCOMPARE(got.first(), "0 " + total);
    QCOMPARE(got[got.size() - 2], total + " " + total);
    qint64 previous = 0;
    for (qsizetype i = 0; i + 1 < got.size(); ++i) {
        const QList<QByteArray> pair = got[i].split(' ');
        QVERIFY2(pair.size() == 2 && pair[1] == total, got[i].constData());
        bool ok = false;
        const qint64 read = pair[0].toLongLong(&ok);
        QVERIFY(ok && read >= previous);
        previous = read;
    }
}

QTEST_GUILESS_MAIN(TestAusearch)
#include "tst_ausearch.moc"
