// The built ausearch on broken and hostile trails: a read error midway, a
// rotated file without its final newline, a trail out of time order, time
// stamps that overflow or leave 1970-9999, trails that are no regular file,
// inputs that must not grow the tool's memory past 100 MB, and more rotated
// files than the limit of open files (ausearch and aureport).
#include "files.h"
#include "gentrail.h"
#include "layoutcheck.h"
#include "searchtool.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {

using testsupport::ToolRun;

// The built ausearch with standard input /dev/null, in UTC; a hang is killed
// at `timeoutMs` and fails the exit code checks.
ToolRun runTool(const QStringList &args, int timeoutMs = 120000)
{
    testsupport::ToolOptions options;
    options.timeoutMs = timeoutMs;
    return testsupport::runAusearch(args, options);
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
    void manyRotatedFiles_data();
    void manyRotatedFiles();

private:
    QTemporaryDir tmp;
};

void TestAusearchHostile::readErrorIsAnError()
{
    const QString dir = tmp.filePath("memlink");
    QDir().mkpath(dir);
    writeFixture(dir + "/audit.log.1", record(1709600000, 1) + "\n");
    QVERIFY(QFile::link("/proc/self/mem", dir + "/audit.log"));
    ToolRun r = runTool({"-i", "-if", dir});
    QCOMPARE(r.exit, 3);
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
    ToolRun r = runTool({"-i", "-f", "/usr/bin/sudo", "-if", dir});
    QCOMPARE(r.exit, 0);
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
    ToolRun r = runTool({"-i", "-if", dir});
    QCOMPARE(r.exit, 0);
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
        ToolRun r = runTool(QStringList{"-i"} + range + QStringList{"-if", log});
        QCOMPARE(r.exit, 0);
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
        ToolRun r = runTool({"-i", "-if", input}, 20000);
        QCOMPARE(r.exit, 2);
        QVERIFY2(r.err.contains("not a regular file"), r.err.constData());
        QVERIFY(r.out.isEmpty());
    }
}

void TestAusearchHostile::boundedMemory_data()
{
    QTest::addColumn<QString>("shape");
    QTest::newRow("one 30 MB line") << "line";
    QTest::newRow("60 MB out of order") << "disorder";
    // events far larger than the buffer a sorted run is read back through
    QTest::newRow("80 MB of 300 kB events out of order") << "large";
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
            // sorted against the others. Large events come in pairs whose
            // records interleave, so that the sort holds their text (more
            // than its in-memory bound).
            const bool large = shape == "large";
            const QByteArray pad = " comm=" + QByteArray(large ? 300000 : 300, 'A');
            for (int block = 7; block >= 0; --block) {
                QByteArray chunk;
                for (int i = 0; i < (large ? 36 : 22000); i += large ? 2 : 1) {
                    const qint64 sec = 1704067200 + block * 100000 + i;
                    const int serial = block * 100000 + i;
                    if (!large) {
                        chunk += record(sec, serial) + pad + "\n";
                        ++events;
                        continue;
                    }
                    for (int k = 0; k < 2; ++k)
                        chunk += record(sec + k, serial + k) + pad + "\n";
                    for (int k = 0; k < 2; ++k)
                        chunk += "type=CWD msg=audit(" + QByteArray::number(sec + k)
                            + ".250:" + QByteArray::number(serial + k) + "): cwd=\"/\"\n";
                    events += 2;
                }
                f.write(chunk);
            }
        }
    }
    ToolRun r = runTool({"-i", "-if", log});
#if defined(__SANITIZE_ADDRESS__)
    qInfo("AddressSanitizer build: peak memory %ld kB not checked", r.peakKb);
#else
    QVERIFY2(r.peakKb > 0 && r.peakKb < 100 * 1024, qPrintable(QString::number(r.peakKb) + " kB"));
#endif
    if (shape == "line") {
        QCOMPARE(r.exit, 1);
        return;
    }
    QCOMPARE(r.exit, 0);
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

void TestAusearchHostile::manyRotatedFiles_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("limit"); // ulimit arguments
    QTest::addColumn<int>("code");
    const QStringList search{"-i"}, chown{"-i", "-f", "/bin/chown"}, report{"--summary"};
    // auditd's keep_logs keeps every rotation: more than the usual soft
    // limit of 1,024 open files, which the tools raise to the hard limit.
    QTest::newRow("search, soft limit 1024") << "ausearch" << search << "-Sn 1024" << 0;
    QTest::newRow("report, soft limit 1024") << "aureport" << report << "-Sn 1024" << 0;
    // A hard limit below the number of files: the files that do not fit
    // are opened in turn.
    QTest::newRow("search, hard limit 100") << "ausearch" << search << "-n 100" << 0;
    QTest::newRow("-f search, hard limit 24") << "ausearch" << chown << "-n 24" << 0;
    QTest::newRow("report, hard limit 24") << "aureport" << report << "-n 24" << 0;
    // Too few descriptors even after raising the limit: exit 6 with its own
    // message, not the one of a trail that cannot be read.
    QTest::newRow("search, hard limit 8") << "ausearch" << search << "-n 8" << 6;
    QTest::newRow("report, hard limit 8") << "aureport" << report << "-n 8" << 6;
}

// 1,201 rotated files give what the same lines in one file give.
void TestAusearchHostile::manyRotatedFiles()
{
    QFETCH(QString, tool);
    QFETCH(QStringList, args);
    QFETCH(QString, limit);
    QFETCH(int, code);
    const QString one = tmp.filePath("many.log"), dir = tmp.filePath("many");
    if (!QFileInfo::exists(dir)) {
        QCOMPARE(testsupport::generateTrail({"--events", "3000", "--seed", "11"}, one).exit, 0);
        QList<QByteArray> lines = testsupport::readAll(one).split('\n');
        lines.removeLast(); // after the last newline
        QDir().mkpath(dir);
        const int files = 1201;
        for (int f = 0; f < files; ++f) {
            QByteArray text;
            const qsizetype from = lines.size() * f / files, to = lines.size() * (f + 1) / files;
            for (qsizetype i = from; i < to; ++i)
                text += lines[i] + "\n";
            const int rotation = files - 1 - f; // the oldest first
            writeFixture(
                dir + (rotation ? "/audit.log." + QString::number(rotation) : "/audit.log"), text);
        }
    }
    const QString program = QStringLiteral(KVR_TOOLS_BUILD_DIR "/") + tool;
    const ToolRun expected = testsupport::runTool(program, args + QStringList{"-if", one});
    QCOMPARE(expected.exit, 0);
    ToolRun r = testsupport::runTool(
        "/bin/sh",
        QStringList{"-c", "ulimit " + limit + " && exec \"$0\" \"$@\"", program} + args
            + QStringList{"-if", dir});
    QVERIFY2(r.exit == code, qPrintable(QString::number(r.exit) + " " + r.err));
    if (code == 0) {
        QVERIFY(r.out == expected.out);
        return;
    }
    QVERIFY(r.out.isEmpty());
    QVERIFY2(QString::fromUtf8(r.err).contains("可打开的文件数不足"), r.err.constData());
}

QTEST_GUILESS_MAIN(TestAusearchHostile)
#include "tst_ausearch_hostile.moc"
