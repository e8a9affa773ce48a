// The built ausearch on broken and hostile trails: a read error midway, a
// rotated file without its final newline, a trail out of time order, time
// stamps that overflow or leave 1970-9999, trails that are no regular file,
// and inputs that must not grow the tool's memory past 100 MB.
#include "files.h"
#include "layoutcheck.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Run {
    int code = -1;
    QByteArray out, err;
    long peakKb = 0; // the child's peak resident memory
};

// Runs the tool with fork/exec and wait4, so that its peak memory is known;
// standard input is /dev/null, output goes to files.
Run runTool(const QStringList &args, const QString &dir, int timeoutSec = 120)
{
    const QByteArray outPath = QFile::encodeName(dir + "/out.txt"),
                     errPath = QFile::encodeName(dir + "/err.txt");
    QList<QByteArray> argv8{QByteArray(KVR_TOOLS_BUILD_DIR "/ausearch")};
    for (const QString &a : args)
        argv8 << a.toUtf8();
    std::vector<char *> argv;
    for (QByteArray &a : argv8)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    Run r;
    const pid_t pid = fork();
    if (pid == 0) {
        int in = open("/dev/null", O_RDONLY),
            out = open(outPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600),
            err = open(errPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        setenv("TZ", "UTC", 1);
        unsetenv("KVR_AUDITREPORT_LOG");
        alarm(unsigned(timeoutSec)); // a hang ends as a signal, not a stuck test
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    struct rusage ru {
    };
    if (wait4(pid, &status, 0, &ru) == pid && WIFEXITED(status))
        r.code = WEXITSTATUS(status);
    r.peakKb = ru.ru_maxrss;
    r.out = testsupport::readAll(QFile::decodeName(outPath));
    r.err = testsupport::readAll(QFile::decodeName(errPath));
    return r;
}

using testsupport::writeFixture;

QByteArray record(qint64 sec, int serial, const QByteArray &user = "1000")
{
    return "type=USER_CMD msg=audit(" + QByteArray::number(sec) + ".250:"
        + QByteArray::number(serial) + "): pid=" + QByteArray::number(100 + serial) + " uid=0 auid="
        + user + " ses=1 msg='cwd=\"/\" cmd=6C73 exe=\"/usr/bin/sudo\" terminal=pts/0 res=success'";
}

// The 日期: word of a record line of the output (lines counted from 1).
QByteArray dateOfLine(const QByteArray &out, int line)
{
    const QList<QByteArray> lines = out.split('\n');
    const QByteArray l = line > 0 ? lines.value(line - 1) : lines.value(lines.size() - 2);
    const int at = l.indexOf("日期: ");
    return at < 0 ? QByteArray() : l.mid(at + int(strlen("日期: ")), 23);
}

} // namespace

class TestAusearchHostile : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(tmp.isValid()); }
    void readErrorIsAnError();
    void rotatedFilesNeverGlue();
    void timeOrder();
    void malformedStamps();
    void notRegularRefused();
    void boundedMemory_data();
    void boundedMemory();

private:
    QTemporaryDir tmp;
};

void TestAusearchHostile::readErrorIsAnError()
{
    const QString dir = tmp.filePath("memlink");
    QDir().mkpath(dir);
    writeFixture(dir + "/audit.log.1", record(1709600000, 1) + "\n");
    QVERIFY(QFile::link("/proc/self/mem", dir + "/audit.log"));
    Run r = runTool({"-i", "-if", dir}, tmp.path());
    QCOMPARE(r.code, 3);
    QVERIFY2(r.err.contains("cannot read") && r.err.contains("audit.log"), r.err.constData());
    QVERIFY(r.out.isEmpty()); // no shorter result
}

void TestAusearchHostile::rotatedFilesNeverGlue()
{
    const QString dir = tmp.filePath("rotated");
    QDir().mkpath(dir);
    writeFixture(dir + "/audit.log.1",
                 record(1709600000, 1) + "\n" + record(1709600001, 2)); // no newline
    writeFixture(dir + "/audit.log", record(1709600002, 3) + "\n");
    Run r = runTool({"-i", "-f", "/usr/bin/sudo", "-if", dir}, tmp.path());
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out.count("----\n"), 3);
    QCOMPARE(r.out.count("用户id:"), 3);
}

void TestAusearchHostile::timeOrder()
{
    // Files in the wrong order and a clock set back inside one of them.
    const QString dir = tmp.filePath("disorder");
    QDir().mkpath(dir);
    writeFixture(dir + "/audit.log.1",
                 record(1704240000, 10) + "\n" + record(1704067200, 11) + "\n"); // 01-03, 01-01
    writeFixture(dir + "/audit.log", record(1704153600, 12) + "\n");             // 01-02
    Run r = runTool({"-i", "-if", dir}, tmp.path());
    QCOMPARE(r.code, 0);
    QCOMPARE(dateOfLine(r.out, 3), QByteArray("2024-01-01 00:00:00.250"));
    QCOMPARE(dateOfLine(r.out, -1), QByteArray("2024-01-03 00:00:00.250"));
    QCOMPARE(QString::fromStdString(layoutcheck::check(r.out.toStdString(), 3)), QString());
}

void TestAusearchHostile::malformedStamps()
{
    // Overflowing, negative and out-of-range stamps are skipped, in a range
    // and without one; the good record stays.
    const QByteArray trail = record(1704067200, 1) + "\n"
        + QByteArray(record(1, 2)).replace("1.250", "99999999999999999999999.250") + "\n"
        + QByteArray(record(1, 3)).replace("1.250", "253402300800.250") + "\n"
        + QByteArray(record(1, 4)).replace("1.250", "-86400.250") + "\n"
        + QByteArray(record(1, 5)).replace("1.250", "1704067200.-50") + "\n";
    const QString log = tmp.filePath("stamps.log");
    writeFixture(log, trail);
    for (const QStringList &range :
         {QStringList(), QStringList{"-ts", "1/1/24", "-te", "1/31/24"}}) {
        Run r = runTool(QStringList{"-i"} + range + QStringList{"-if", log}, tmp.path());
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out.count("----\n"), 1);
        QVERIFY2(r.out.contains("序号=1\n") && !r.out.contains("1900-")
                     && !r.out.contains("10000-"),
                 r.out.constData());
    }
}

void TestAusearchHostile::notRegularRefused()
{
    const QString fifo = tmp.filePath("fifo");
    QCOMPARE(::mkfifo(qPrintable(fifo), 0600), 0);
    for (const QString &input : {fifo, QString("/dev/zero")}) {
        Run r = runTool({"-i", "-if", input}, tmp.path(), 20);
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains("not a regular file"), r.err.constData());
        QVERIFY(r.out.isEmpty());
    }
}

void TestAusearchHostile::boundedMemory_data()
{
    QTest::addColumn<QString>("shape");
    QTest::newRow("one 30 MB line") << "line";
    QTest::newRow("60 MB out of order") << "disorder";
}

void TestAusearchHostile::boundedMemory()
{
    QFETCH(QString, shape);
    const QString log = tmp.filePath("big.log");
    int events = 0;
    {
        QFile f(log);
        QVERIFY(f.open(QIODevice::WriteOnly));
        if (shape == "line") {
            f.write(QByteArray(30 << 20, 'x'));
        } else {
            // blocks of records, newest block first: every block must be
            // sorted against the others (more than the in-memory bound)
            const QByteArray pad = " comm=" + QByteArray(300, 'A');
            for (int block = 7; block >= 0; --block) {
                QByteArray chunk;
                for (int i = 0; i < 22000; ++i) {
                    chunk +=
                        record(1704067200 + block * 100000 + i, block * 100000 + i) + pad + "\n";
                    ++events;
                }
                f.write(chunk);
            }
        }
    }
    Run r = runTool({"-i", "-if", log}, tmp.path());
#if defined(__SANITIZE_ADDRESS__)
    qInfo("AddressSanitizer build: peak memory %ld kB not checked", r.peakKb);
#else
    QVERIFY2(r.peakKb < 100 * 1024, qPrintable(QString::number(r.peakKb) + " kB"));
#endif
    if (shape == "line") {
        QCOMPARE(r.code, 1);
        return;
    }
    QCOMPARE(r.code, 0);
    QCOMPARE(int(r.out.count("----\n")), events);
    QCOMPARE(dateOfLine(r.out, 3), QByteArray("2024-01-01 00:00:00.250"));
    // sorted throughout: serials rise along the output
    qint64 previous = -1;
    bool sorted = true;
    for (qsizetype at = r.out.indexOf("序号="); at >= 0; at = r.out.indexOf("序号=", at + 1)) {
        const qint64 serial =
            r.out.mid(at + int(strlen("序号=")), 8).split('\n').first().toLongLong();
        sorted = sorted && serial > previous;
        previous = serial;
    }
    QVERIFY(sorted);
}

QTEST_GUILESS_MAIN(TestAusearchHostile)
#include "tst_ausearch_hostile.moc"
