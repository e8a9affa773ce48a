// The runner every tool test starts programs with (tests/support/toolrunner.h):
// input and both outputs larger than a pipe holds, the environment and
// working directory it is given, how a run ends (exit status, signal, time
// limit, no such program, a descendant left running), and that the peak
// memory it reports is the program's, since memory bounds rest on it.
#include "toolrunner.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using testsupport::runTool;
using testsupport::ToolOptions;
using testsupport::ToolRun;

class TestToolRunner : public QObject
{
    Q_OBJECT
private slots:
    void inputAndOutputs()
    {
        // 1 MiB through cat: a runner that wrote all input before reading
        // any output would wait for ever.
        QByteArray bytes(1 << 20, Qt::Uninitialized);
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(bytes.data()), bytes.size() / 4);
        ToolOptions options;
        options.input = bytes;
        ToolRun r = runTool("cat", {}, options);
        QVERIFY(r.finished && !r.crashed);
        QCOMPARE(r.exit, 0);
        QVERIFY(r.out == bytes);
        // standard error apart, the exit status as the program gave it
        r = runTool("/bin/sh", {"-c", "echo out; head -c 300000 /dev/zero >&2; read x; exit 3"});
        QCOMPARE(r.exit, 3);
        QCOMPARE(r.out, QByteArray("out\n"));
        QCOMPARE(r.err, QByteArray(300000, '\0'));
        // no input: /dev/null, and an empty one ends at once too
        options.input = QByteArray("");
        for (const ToolOptions &o : {ToolOptions(), options}) {
            r = runTool("/bin/cat", {}, o);
            QCOMPARE(r.exit, 0);
            QVERIFY(r.out.isEmpty());
        }
    }

    void environmentAndDirectory()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        qputenv("KVR_RUNNER_GONE", "here");
        ToolOptions options;
        options.env = QStringList{"KVR_RUNNER_SET=a b", "KVR_RUNNER_GONE"};
        options.workingDirectory = dir.path();
        const ToolRun r = runTool(
            "sh", {"-c", "echo \"$KVR_RUNNER_SET|${KVR_RUNNER_GONE-unset}|$0\"; pwd -P", "x y"},
            options);
        QCOMPARE(r.exit, 0);
        QCOMPARE(QString::fromLocal8Bit(r.out),
                 "a b|unset|x y\n" + QDir(dir.path()).canonicalPath() + "\n");
        // the test's own environment stays as it was
        QCOMPARE(qgetenv("KVR_RUNNER_GONE"), QByteArray("here"));
        qunsetenv("KVR_RUNNER_GONE");
    }

    void endings()
    {
        QElapsedTimer clock;
        clock.start();
        ToolOptions options;
        options.timeoutMs = 300;
        ToolRun r = runTool("/bin/sleep", {"30"}, options);
        QVERIFY(!r.finished);
        QCOMPARE(r.exit, -1);
        QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));

        r = runTool("/bin/sh", {"-c", "kill -SEGV $$"});
        QVERIFY(r.finished && r.crashed);
        QCOMPARE(r.exit, -1);

        for (const QString &missing : {QString("/nonexistent/tool"), QString("kvr-no-such-tool")}) {
            r = runTool(missing, {});
            QVERIFY(!r.finished);
            QCOMPARE(r.exit, -1);
            QCOMPARE(r.peakKb, -1L);
        }

        // A program that leaves a descendant holding its output: the run
        // ends with the program, not with the descendant.
        clock.restart();
        r = runTool("/bin/sh", {"-c", "sleep 5 & echo started"});
        QCOMPARE(r.exit, 0);
        QCOMPARE(r.out, QByteArray("started\n"));
        QVERIFY2(clock.elapsed() < 4000, qPrintable(QString::number(clock.elapsed())));
    }

    void peakMemory()
    {
        // A shell holding 120 MB in a variable, against one that holds nothing.
        const ToolRun big =
            runTool("/bin/sh", {"-c", "x=$(head -c 120000000 /dev/zero | tr '\\0' a); echo ${#x}"});
        QCOMPARE(big.out, QByteArray("120000000\n"));
        const ToolRun small = runTool("/bin/true", {});
        QCOMPARE(small.exit, 0);
        QVERIFY2(big.peakKb > 120000000 / 1024, qPrintable(QString::number(big.peakKb)));
        QVERIFY2(small.peakKb > 0 && small.peakKb < big.peakKb - 100000,
                 qPrintable(QString::number(small.peakKb)));
    }
};

QTEST_GUILESS_MAIN(TestToolRunner)
#include "tst_toolrunner.moc"
