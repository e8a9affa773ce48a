// The query runner without widgets: a request in, a Report or the problem
// that stopped it out, with the project's tools on a written trail and with
// stand-in tools that end, block or report progress as a case needs; and the
// process runner under it: exits, progress lines, stopping and reaping.
#include "app/appenv.h"
#include "audit/problemtext.h"
#include "audit/processrunner.h"
#include "audit/queryrunner.h"

#include "files.h"
#include "processes.h"
#include "queryworld.h"
#include "scopedenv.h"
#include "stdoutcapture.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <pwd.h>
#include <thread>

using querycore::RunProblem;
using testsupport::readAll;

namespace {

std::optional<QDate> day(const QDate &d)
{
    return d.isValid() ? std::optional<QDate>(d) : std::nullopt;
}

// No process started by this test is left, running or unreaped.
bool noChildrenLeft(int withinMs = 200)
{
    QElapsedTimer waited;
    waited.start();
    while (!testsupport::ownChildren().isEmpty() && waited.elapsed() < withinMs)
        QTest::qWait(5);
    return testsupport::ownChildren().isEmpty();
}

} // namespace

class QueryRunnerTest : public QObject
{
    Q_OBJECT
    QTemporaryDir work;
    QString dataDir;
    QString trail;
    QByteArray savedPath;
    struct Event {
        QDate day;
        int program;
        uint auid;
    };
    QList<Event> events;
    const QStringList programs{"/bin/chown", "/usr/bin/sudo", "/usr/sbin/useradd"};

    QString data(const QString &name) const { return dataDir + '/' + name; }
    // A stand-in for an audit tool, first on PATH: a shell script `body`.
    void standIn(const QString &tool, const QByteArray &body)
    {
        const QString bin = work.filePath("standin");
        QDir().mkpath(bin);
        QVERIFY(testsupport::writeScript(bin + '/' + tool, body));
        qputenv("PATH", QFile::encodeName(bin) + ':' + savedPath);
    }

private slots:
    void initTestCase()
    {
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
        QVERIFY(work.isValid());
        dataDir = work.filePath("data");
        QVERIFY(QDir().mkpath(dataDir));
        // 60 events three hours apart from 2019-02-20 01:00, three programs
        // and three acting users in turn.
        QByteArray written;
        const QDateTime base(QDate(2019, 2, 20), QTime(1, 0), Qt::UTC);
        for (int i = 0; i < 60; ++i) {
            const Event e{base.addSecs(i * 3 * 3600).date(), i % 3,
                          uint(QList<int>{0, 4242, 4343}[(i / 2) % 3])};
            events << e;
            written += testsupport::execRun(base.toSecsSinceEpoch() + i * 3 * 3600, 100 + i,
                                            200 + i, e.auid, programs[e.program]);
        }
        trail = work.filePath("trail.log");
        testsupport::setUpQueryWorld(dataDir, trail, written);
        savedPath = qgetenv("PATH");
    }
    void cleanup() { qputenv("PATH", savedPath); }

    void processEnds_data()
    {
        QTest::addColumn<QStringList>("argv");
        QTest::addColumn<bool>("started");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<int>("signal");
        QTest::newRow("status") << processrunner::shellArgv("exit 3") << true << 3 << 0;
        QTest::newRow("shell killed")
            << processrunner::shellArgv("kill -TERM $$") << true << -1 << 15;
        // The shell reports its last command's signal N as 128+N.
        QTest::newRow("last command killed")
            << processrunner::shellArgv("sh -c 'kill -KILL $$'; exit $?") << true << 137 << 9;
        QTest::newRow("no such program") << QStringList{"kvr-no-such-program"} << false << -1 << 0;
    }
    // How a command ended, as the road reads it.
    void processEnds()
    {
        QFETCH(QStringList, argv);
        const processrunner::Exit exit = processrunner::shellExit(processrunner::run(argv));
        QTEST(exit.started, "started");
        QTEST(exit.exitCode, "exitCode");
        QTEST(exit.signal, "signal");
        QCOMPARE(exit.succeeded(), false);
    }

    // Standard output is collected; the progress descriptor is the one the
    // variable names, and its last valid "READ TOTAL" line is handed on.
    void outputAndProgress()
    {
        QByteArray printed;
        QList<QPair<qint64, qint64>> seen;
        processrunner::Options options;
        options.output = &printed;
        options.onProgress = [&](qint64 read, qint64 total) { seen.append({read, total}); };
        const processrunner::Exit exit = processrunner::runShell(
            "echo \"fd=$KVR_AUDITREPORT_PROGRESS_FD\"; fd=$KVR_AUDITREPORT_PROGRESS_FD;"
            "printf '0 100\\n' >&$fd; sleep 0.1; printf 'junk\\n40 1' >&$fd; sleep 0.1;"
            "printf '00\\n100 100\\n' >&$fd",
            options);
        QVERIFY(exit.succeeded());
        QCOMPARE(printed, QByteArray("fd=3\n"));
        QVERIFY(!seen.isEmpty());
        QCOMPARE(seen.first(), (QPair<qint64, qint64>{0, 100}));
        QCOMPARE(seen.last(), (QPair<qint64, qint64>{100, 100}));
        for (const auto &pair : seen)
            QVERIFY(pair.second == 100); // "junk" and the split line never show as figures
    }

    // A thrown switch kills the whole process group and reaps it within
    // 200 ms; a command started afterwards does not run. A command past its
    // time is killed the same way.
    void stopAndTimeout()
    {
        processrunner::StopSwitch stop;
        processrunner::Options options;
        options.stopSwitch = &stop;
        processrunner::Process pipeline = processrunner::Process::start(
            processrunner::shellArgv("sleep 31.5 | sleep 31.5 | cat"), options);
        QVERIFY(pipeline.isStarted());
        QTRY_COMPARE(testsupport::processesWith("sleep 31.5").size(), 2);
        QElapsedTimer took;
        std::thread stopper([&] {
            QThread::msleep(50);
            took.start();
            stop.stop();
        });
        const processrunner::Exit exit = pipeline.wait();
        stopper.join();
        QVERIFY2(took.elapsed() < 200, qPrintable(QString::number(took.elapsed())));
        QVERIFY(exit.stopped && !exit.succeeded());
        QVERIFY(testsupport::processesWith("sleep 31.5").isEmpty());
        QVERIFY(noChildrenLeft(0));
        const processrunner::Exit later = processrunner::run({"true"}, options);
        QVERIFY(!later.started && later.stopped);

        processrunner::Options limited;
        limited.timeoutMs = 100;
        const processrunner::Exit slow = processrunner::runShell("sleep 32.5 | cat", limited);
        QVERIFY(slow.timedOut && !slow.succeeded());
        QVERIFY(testsupport::processesWith("sleep 32.5").isEmpty());
        QVERIFY(noChildrenLeft(0));
    }

    void writtenTrail_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QDate>("start");
        QTest::addColumn<QDate>("end");
        QTest::newRow("chown, range") << "chown" << QDate(2019, 2, 21) << QDate(2019, 2, 25);
        QTest::newRow("all, from a date") << "all" << QDate(2019, 2, 24) << QDate();
        QTest::newRow("sudo, no dates") << "sudo" << QDate() << QDate();
        QTest::newRow("useradd, end only") << "useradd" << QDate() << QDate(2019, 2, 23);
    }
    // Every figure of the report against numbers derived from the written
    // events, the report text as written to temp_report, and the command
    // lines on standard output.
    void writtenTrail()
    {
        QFETCH(QString, type);
        QFETCH(QDate, start);
        QFETCH(QDate, end);
        QList<Event> hit;
        QMap<QString, int> perUser;
        QMap<QDate, int> perDay;
        for (const Event &e : events) {
            if ((type == "all" || programs[e.program].endsWith('/' + type))
                && !(start.isValid() && e.day < start) && !(end.isValid() && e.day > end)) {
                hit << e;
                const passwd *pw = ::getpwuid(e.auid);
                ++perUser[pw ? QString(pw->pw_name) : QString::number(e.auid)];
                ++perDay[e.day];
            }
        }
        QueryRequest request;
        if (type != "all")
            request.eventType = type;
        request.start = day(start);
        request.end = day(end);
        QueryOutcome outcome;
        const QByteArray out = testsupport::captureStdout(
            [&] { outcome = QueryRunner().run(request); }, work.filePath("out"));
        QCOMPARE(outcome.problem, RunProblem::None);
        const Report &report = outcome.report;
        QCOMPARE(report.kind, Report::Kind::QueryReport);
        QCOMPARE(report.request, request);

        const QString first = hit.first().day.toString(Qt::ISODate),
                      last = hit.last().day.toString(Qt::ISODate);
        QCOMPARE(report.startTime + " ~ " + report.endTime, first + " ~ " + last);
        QCOMPARE(report.recordCount, hit.size());
        QMap<QString, int> listed;
        QStringList counts;
        for (int i = 0; i < report.userIds.size(); ++i) {
            listed[report.userIds[i]] = report.execCounts[i];
            counts << QString::number(report.execCounts[i]);
        }
        QCOMPARE(listed, perUser);
        // The runs file counts the same runs per user as tongji.log, so each
        // row's figure is the runs file's (here without refusals or failures).
        if (type != "all") {
            QVERIFY(report.runs.isComplete() && report.runsProblem.isEmpty());
            QMap<QString, int> runsPerUser;
            for (const runsfile::Run &run : report.runs.runs)
                ++runsPerUser[run.loginUser];
            QCOMPARE(runsPerUser, perUser);
            for (int i = 0; i < report.userIds.size(); ++i)
                QCOMPARE(report.userFigureText(i), counts[i]);
        }
        QCOMPARE(report.dailyRuns, perDay);
        QCOMPARE(report.chartSpan.first, start.isValid() ? start : hit.first().day);
        auto cut = [](const QString &d) {
            return d.left(4) + "年" + d.mid(5, 2) + "月" + d.mid(8, 2) + "日";
        };
        QCOMPARE(QString::fromUtf8(report.text),
                 "时间范围：" + cut(first) + "~" + cut(last) + "\n记录条数："
                     + QString::number(hit.size()) + "\n用户ID：" + report.userIds.join(',')
                     + "\n执行次数：" + counts.join(','));
        QCOMPARE(readAll(data("temp_report")), report.text);

        auto mdy = [](const QDate &d) { return d.toString("M/d/yy") + ' '; };
        const QString head = "ausearch -i "
            + (type == "all" ? ""
                             : " -f "
                       + programs[QStringList{"chown", "sudo", "useradd"}.indexOf(type)] + ' ');
        QVERIFY(('\n' + out).contains("\nminglingshi " + head.toUtf8() + '\n'));
        QVERIFY(
            out.contains("\n部分的命令是  "
                         + (head + (start.isValid() ? "-ts " + mdy(start) : "")
                            + (end.isValid() ? "-te " + mdy(end) : "") + " > " + data("result.log"))
                               .toUtf8()
                         + '\n'));
        QVERIFY(out.contains("\nhangshushi 3\n"));
    }

    void emptyGivesTheSpan_data()
    {
        QTest::addColumn<QDate>("start");
        QTest::addColumn<QDate>("end");
        QTest::addColumn<bool>("outside"); // the period lies outside the trail's days
        QTest::newRow("after the trail") << QDate(2019, 3, 1) << QDate() << true;
        QTest::newRow("before the trail") << QDate() << QDate(2019, 2, 19) << true;
        QTest::newRow("a day inside") << QDate(2019, 2, 22) << QDate(2019, 2, 22) << false;
    }
    // A readable trail with records, none of them matching, says so with the
    // trail's first and last day; the daemon's state is no cause for a
    // period outside those days.
    void emptyGivesTheSpan()
    {
        QFETCH(QDate, start);
        QFETCH(QDate, end);
        QFETCH(bool, outside);
        QueryRequest request;
        request.eventType = "reboot"; // never run in the trail
        request.start = day(start);
        request.end = day(end);
        QueryOutcome outcome;
        testsupport::captureStdout([&] { outcome = QueryRunner().run(request); },
                                   work.filePath("out"));
        QCOMPARE(outcome.problem, RunProblem::None);
        QCOMPARE(outcome.report.kind, Report::Kind::Empty);
        const QString text = outcome.report.emptyText;
        QVERIFY2(text.startsWith("审计报告为空或未开启审计规则！\n审计日志中有 "
                                 + events.first().day.toString(Qt::ISODate) + " 至 "
                                 + events.last().day.toString(Qt::ISODate) + " 的记录"),
                 qPrintable(text));
        if (outside)
            QVERIFY2(!text.contains("原因"), qPrintable(text));
    }

    void toolEndings_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<RunProblem>("problem");
        QTest::addColumn<QString>("message");
        QTest::newRow("nothing found")
            << "reboot" << QByteArray("exit 1\n") << RunProblem::None << "";
        QTest::newRow("unreadable")
            << "sudo" << QByteArray("exit 3\n") << RunProblem::Unreadable << "";
        QTest::newRow("output cut short")
            << "sudo" << QByteArray("exit 4\n") << RunProblem::Failed << "退出状态 4";
        QTest::newRow("too large")
            << "sudo" << QByteArray("exit 5\n") << RunProblem::TooLarge << "审计日志过大";
        QTest::newRow("out of file descriptors")
            << "sudo" << QByteArray("exit 6\n") << RunProblem::NoDescriptors
            << "系统可打开的文件数不足";
        QTest::newRow("killed") << "sudo" << QByteArray("kill -TERM $$\n") << RunProblem::Stopped
                                << "信号 15";
        QTest::newRow("summary too large")
            << "all" << QByteArray("exit 5\n") << RunProblem::TooLarge << "审计日志过大";
        QTest::newRow("summary out of file descriptors")
            << "all" << QByteArray("exit 6\n") << RunProblem::NoDescriptors << "文件数不足";
    }
    // The exit statuses of the audit tools, each its own problem and message.
    void toolEndings()
    {
        QFETCH(QString, type);
        QFETCH(QByteArray, body);
        QFETCH(RunProblem, problem);
        QFETCH(QString, message);
        standIn(type == "all" ? "aureport" : "ausearch", body);
        QueryRequest request;
        if (type != "all")
            request.eventType = type;
        QueryOutcome outcome;
        testsupport::captureStdout([&] { outcome = QueryRunner().run(request); },
                                   work.filePath("out"));
        QCOMPARE(outcome.problem, problem);
        const QString text = problemtext::text(outcome);
        QVERIFY2(text.contains(message), qPrintable(text));
        QCOMPARE(text.isEmpty(), problem == RunProblem::None);
        if (problem == RunProblem::None)
            QVERIFY(outcome.report.kind == Report::Kind::Empty
                    && outcome.report.emptyText.startsWith("审计报告为空或未开启审计规则！"));
    }

    // Cancelled while the search blocks: every process of the road is gone
    // within 200 ms and nothing is reported; the next query shows none of
    // the cancelled one's working files.
    void cancelStopsTheRoad()
    {
        for (const char *name : {"tongji.log", "runs.log"})
            QVERIFY(testsupport::writeAll(data(name), "stale 7\n"));
        standIn("ausearch",
                "echo '----' > " + QFile::encodeName(data("result.log"))
                    + "\n"
                      "echo '日期: 2019-02-20 01:00:00 用户id: stale' >> "
                    + QFile::encodeName(data("result.log"))
                    + "\nprintf '0 4096\\n' >&$KVR_AUDITREPORT_PROGRESS_FD\n"
                      "sleep 33.5 | sleep 33.5\n");
        QueryProgress progress;
        QueryOutcome outcome;
        QueryRequest request;
        request.eventType = "sudo";
        std::thread query([&] { outcome = QueryRunner(&progress).run(request); });
        QTRY_COMPARE(progress.bytesTotal(), qint64(4096));
        QCOMPARE(progress.stage(), QueryProgress::Stage::Searching);
        QVERIFY(!QFile::exists(data("tongji.log")) && !QFile::exists(data("runs.log")));
        QElapsedTimer took;
        took.start();
        progress.cancel();
        query.join();
        QVERIFY2(took.elapsed() < 200, qPrintable(QString::number(took.elapsed())));
        QCOMPARE(outcome.problem, RunProblem::Cancelled);
        QCOMPARE(outcome.report.kind, Report::Kind::Empty);
        QVERIFY(outcome.report.emptyText.isEmpty());
        QVERIFY(testsupport::processesWith("sleep 33.5").isEmpty());
        QVERIFY(noChildrenLeft(0));

        cleanup();
        request.eventType = "reboot";
        testsupport::captureStdout([&] { outcome = QueryRunner().run(request); },
                                   work.filePath("out"));
        QCOMPARE(outcome.report.kind, Report::Kind::Empty);
        QVERIFY(!readAll(data("result.log")).contains("stale"));
        QVERIFY(readAll(data("runs.log")).startsWith("# kvr-auditreport runs 1\n"));
        QVERIFY(!readAll(data("runs.log")).contains("stale"));
    }
};

QTEST_GUILESS_MAIN(QueryRunnerTest)
#include "tst_queryrunner.moc"
