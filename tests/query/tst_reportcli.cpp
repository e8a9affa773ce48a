// `kvr-auditreport --report`: the real program with no display at all (no
// DISPLAY, a platform plugin that does not exist), beside an open window: the
// doc it writes is the window's export byte for byte, each exit status has
// its cause, and the output file is replaced, never written through a link.
#include "files.h"
#include "modalwatch.h"
#include "processes.h"
#include "queryworld.h"
#include "toolrunner.h"
#include "windowaccess.h"

#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

using A = MainWindowTestAccess;
using testsupport::readAll;

class ReportCliTest : public QObject
{
    Q_OBJECT
    QTemporaryDir work;
    QString dataDir;
    QString trail;

    QString path(const QString &name) const { return work.filePath(name); }
    // The program run as cron would: no display, a private TMPDIR.
    testsupport::ToolRun cli(const QStringList &args)
    {
        testsupport::ToolOptions options;
        options.env = QStringList{"QT_QPA_PLATFORM=kvr-no-such-platform", "DISPLAY",
                                  "WAYLAND_DISPLAY", "TMPDIR=" + path("tmp")};
        return testsupport::runTool(KVR_APP_BINARY, args, options);
    }
    QStringList report(const QString &type, const QString &output)
    {
        return {"--report", type, "--trail", trail, "--format", "doc", "--output", output};
    }

private slots:
    void initTestCase()
    {
        QVERIFY(work.isValid());
        QVERIFY(QDir().mkpath(path("tmp")));
        dataDir = path("data");
        // 60 sudo runs of two users, a day apart from 2019-02-20.
        QByteArray written;
        const qint64 base = QDateTime(QDate(2019, 2, 20), QTime(1, 0), Qt::UTC).toSecsSinceEpoch();
        for (int i = 0; i < 60; ++i)
            written += testsupport::execRun(base + i * 86400 / 2, 100 + i, 200 + i,
                                            i % 3 ? 4242 : 0, "/usr/bin/sudo");
        trail = path("trail.log");
        testsupport::setUpQueryWorld(dataDir, trail, written);
        QVERIFY(QDir().mkpath(dataDir));
    }

    void docIsTheWindowsExport_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QDate>("start");
        QTest::addColumn<QDate>("end");
        QTest::newRow("query report") << "sudo" << QDate(2019, 2, 22) << QDate(2019, 3, 10);
        QTest::newRow("all, from a date") << "all" << QDate(2019, 3, 1) << QDate();
        QTest::newRow("overall summary") << "all" << QDate() << QDate();
        QTest::newRow("nothing found") << "reboot" << QDate() << QDate();
    }
    // The window (open, holding its data directory's lock) exports; the
    // command line, meanwhile, writes the same bytes and leaves the window's
    // working files and its own temporary directory as they were.
    void docIsTheWindowsExport()
    {
        QFETCH(QString, type);
        QFETCH(QDate, start);
        QFETCH(QDate, end);
        QLockFile lock(dataDir + "/kvr-auditreport.lock");
        QVERIFY(lock.tryLock(0));
        MainWindow w;
        if (start.isValid())
            A::pickDate(w, DateField::Start, start);
        if (end.isValid())
            A::pickDate(w, DateField::End, end);
        A::ui(w)->type_com->setCurrentText(type);
        modalwatch::messagesOf([&] { A::ui(w)->query_btn->click(); }, path("out"));
        const bool summary = type == "all" && !start.isValid();
        QByteArray exported = "时间范围：~\n记录条数：0\n用户ID：\n执行次数：";
        if (A::pages(w) != QList<int>{0, 0, 0}) {
            const QString chosen = path("window-" + type + ".doc");
            MainWindow::setSaveFileNameProvider([&](QWidget *, const QString &, const QString &,
                                                    const QString &) { return chosen; });
            modalwatch::messagesOf(
                [&] {
                    QMetaObject::invokeMethod(
                        &w, summary ? "on_export_btn_clicked" : "on_other_btn_clicked");
                },
                path("out"));
            MainWindow::setSaveFileNameProvider(nullptr);
            exported = readAll(chosen);
            QVERIFY(exported.size() > 40);
        } else {
            QCOMPARE(type, QString("reboot"));
        }
        QByteArray windowFiles;
        for (const char *name : {"result.log", "tongji.log", "temp_report", "all_report.log"})
            windowFiles += readAll(dataDir + '/' + name, "<none>");

        QStringList args = report(type, path("cli.doc"));
        if (start.isValid())
            args << "--from" << start.toString(Qt::ISODate);
        if (end.isValid())
            args << "--to" << end.toString(Qt::ISODate);
        const testsupport::ToolRun run = cli(args);
        QCOMPARE(run.exit, 0);
        QCOMPARE(run.err, QByteArray());
        QCOMPARE(run.out, QByteArray()); // no diagnostic line on standard output
        QCOMPARE(readAll(path("cli.doc")), exported);
        args.replace(args.indexOf(path("cli.doc")), "-");
        QCOMPARE(cli(args).out, exported);

        QByteArray after;
        for (const char *name : {"result.log", "tongji.log", "temp_report", "all_report.log"})
            after += readAll(dataDir + '/' + name, "<none>");
        QCOMPARE(after, windowFiles);
        QCOMPARE(QDir(path("tmp")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList());
    }

    void formats_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArrayList>("expected"); // parts the output holds, in order
        QTest::addColumn<int>("rows");                // CSV data rows; -1: not CSV
        const QByteArray header = "\xEF\xBB\xBFtime,login_user,acting_user,host,terminal,"
                                  "result,command\r\n";
        // Day 2019-02-22 holds two runs: the one-day range is that day whole.
        QTest::newRow("csv, one day")
            << QStringList{"sudo", "--from", "2019-02-22", "--to", "2019-02-22", "--format", "csv"}
            << QByteArrayList{header, "\r\n2019-02-22T01:00:00+00:00,", ",success,",
                              "\r\n2019-02-22T13:00:00+00:00,"}
            << 2;
        QTest::newRow("csv, nothing found")
            << QStringList{"reboot", "--format", "csv"} << QByteArrayList{header} << 0;
        QTest::newRow("csv, overall summary") << QStringList{"all", "--format", "csv"}
                                              << QByteArrayList{"\xEF\xBB\xBF"
                                                                "figure,value\r\n"}
                                              << -1;
        QTest::newRow("html, a period")
            << QStringList{"sudo", "--from", "2019-02-22", "--to", "2019-03-10", "--format", "html"}
            << QByteArrayList{"<html", "sudo", "2019-02-22", "2019-03-10", "<svg", "</html>"} << -1;
    }
    // The other formats write the window's CSV and HTML exports of the same
    // report, the period asked included.
    void formats()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArrayList, expected);
        QFETCH(int, rows);
        testsupport::ToolOptions options;
        options.env = QStringList{"QT_QPA_PLATFORM=kvr-no-such-platform", "DISPLAY",
                                  "WAYLAND_DISPLAY", "TMPDIR=" + path("tmp"), "TZ=UTC"};
        const testsupport::ToolRun run = testsupport::runTool(
            KVR_APP_BINARY,
            QStringList{"--report"} + args + QStringList{"--trail", trail, "--output", "-"},
            options);
        QCOMPARE(run.exit, 0);
        qsizetype at = 0;
        for (const QByteArray &part : expected) {
            at = run.out.indexOf(part, at);
            QVERIFY2(at >= 0, part.constData());
        }
        if (rows >= 0)
            QCOMPARE(run.out.count("\r\n") - 1, rows);
    }

    void exitStatuses_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("cause");
        const QStringList output{"--format", "doc", "--output", path("x.doc")};
        QTest::newRow("unknown type")
            << (QStringList{"--report", "frobnicate"} + output) << 2 << "未知的事件类型";
        QTest::newRow("a day that does not exist")
            << (QStringList{"--report", "sudo", "--from", "2024-02-30"} + output) << 2
            << "--from 的日期无效";
        QTest::newRow("a year the tools read otherwise")
            << (QStringList{"--report", "sudo", "--to", "2069-01-01"} + output) << 2
            << "--to 的日期无效";
        QTest::newRow("start after end")
            << (QStringList{"--report", "sudo", "--from", "2024-03-06", "--to=2024-03-05"} + output)
            << 2 << "开始时间应早于结束时间";
        QTest::newRow("unknown format")
            << QStringList{"--report", "sudo", "--format", "pdf", "--output", "-"} << 2
            << "未知的报告格式：pdf";
        QTest::newRow("no output")
            << QStringList{"--report", "sudo", "--format", "doc"} << 2 << "缺少 --output";
        QTest::newRow("option twice")
            << (QStringList{"--report", "sudo", "--report", "su"} + output) << 2 << "只能给出一次";
        QTest::newRow("unknown option")
            << (QStringList{"--report", "sudo", "--frob"} + output) << 2 << "未知的参数：--frob";
        QTest::newRow("trail cannot be read")
            << (QStringList{"--report", "sudo", "--trail", "/nonexistent/audit.log"} + output) << 3
            << "审计日志";
        QTest::newRow("output folder missing")
            << QStringList{"--report", "sudo", "--format", "doc", "--output", path("none/x.doc")}
            << 6 << "无法写入";
        QTest::newRow("output is a folder")
            << QStringList{"--report", "sudo", "--format", "doc", "--output", path("tmp")} << 6
            << "无法写入";
    }
    // Each exit status with one line on standard error naming its cause.
    void exitStatuses()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, cause);
        const testsupport::ToolRun run = cli(args);
        QTEST(run.exit, "exit");
        const QString err = QString::fromUtf8(run.err);
        QVERIFY2(err.startsWith("kvr-auditreport: ") && err.count('\n') == 1 && err.contains(cause),
                 qPrintable(err));
        QCOMPARE(run.out, QByteArray());
        QVERIFY(!QFile::exists(path("x.doc")));
    }

    // Exit 4: the search cut short by a file-size limit; exit 5: a summary
    // of a trail too large to count in bounded memory.
    void toolFailures()
    {
        testsupport::ToolOptions options;
        options.env =
            QStringList{"QT_QPA_PLATFORM=kvr-no-such-platform", "DISPLAY", "TMPDIR=" + path("tmp")};
        const testsupport::ToolRun limited = testsupport::runTool(
            "sh",
            QStringList{"-c", "ulimit -f 8; exec \"$0\" \"$@\"", KVR_APP_BINARY}
                + report("sudo", "-"),
            options);
        QCOMPARE(limited.exit, 4);
        QVERIFY2(limited.err.contains("文件大小限制"), limited.err.constData());

        QFile large(path("large.log"));
        QVERIFY(large.open(QIODevice::WriteOnly));
        for (int i = 0; i < 100000; ++i)
            large.write("type=SYSCALL msg=audit(1711000000.000:" + QByteArray::number(i)
                        + "): arch=c000003e syscall=2 success=yes exit=3 items=0 pid=5 auid=1000 "
                          "uid=0 comm=\"cat\" exe=\"/usr/bin/cat\"\n");
        large.close();
        const testsupport::ToolRun tooLarge = cli(
            {"--report", "all", "--trail", path("large.log"), "--format", "doc", "--output", "-"});
        QFile::remove(path("large.log"));
        QCOMPARE(tooLarge.exit, 5);
        QVERIFY2(tooLarge.err.contains("审计日志过大"), tooLarge.err.constData());
        QCOMPARE(QDir(path("tmp")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList());
    }

    // SIGTERM to a running `--report` stops its commands too (their process
    // groups are not its own), removes its working directory and exits 4.
    void stoppedBySignal()
    {
        // The program beside a stand-in search that blocks.
        const QString tools = path("inst/libexec/kvr-auditreport");
        QVERIFY(QDir().mkpath(tools) && QDir().mkpath(path("inst/bin")));
        QVERIFY(QFile::copy(KVR_APP_BINARY, path("inst/bin/kvr-auditreport")));
        QFile::setPermissions(path("inst/bin/kvr-auditreport"), QFile::ExeOwner | QFile::ReadOwner);
        for (const char *tool : {"ausearch", "aureport"})
            QVERIFY(testsupport::writeScript(tools + '/' + tool,
                                             QByteArray("[ \"$1\" = --version ] && { echo '") + tool
                                                 + " (kvr-auditreport) " KVR_APP_VERSION
                                                   "'; exit 0; }\nsleep 35.5 | sleep 35.5\n"));
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "kvr-no-such-platform");
        env.insert("TMPDIR", path("tmp"));
        program.setProcessEnvironment(env);
        program.start(path("inst/bin/kvr-auditreport"), report("sudo", "-"));
        QVERIFY(program.waitForStarted());
        QTRY_COMPARE(testsupport::processesWith("sleep 35.5").size(), 2);
        ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
        QVERIFY(program.waitForFinished(5000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 4);
        QVERIFY(program.readAllStandardError().contains("信号 15"));
        QTRY_VERIFY_WITH_TIMEOUT(testsupport::processesWith("sleep 35.5").isEmpty(), 200);
        QCOMPARE(QDir(path("tmp")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList());
    }

    // A link at the output's name is replaced by the report; what it pointed
    // at stays as it was.
    void outputLinkReplaced()
    {
        QVERIFY(testsupport::writeAll(path("victim"), "keep me\n"));
        QFile::remove(path("linked.doc"));
        QVERIFY(QFile::link(path("victim"), path("linked.doc")));
        const testsupport::ToolRun run = cli(report("sudo", path("linked.doc")));
        QCOMPARE(run.exit, 0);
        QCOMPARE(readAll(path("victim")), QByteArray("keep me\n"));
        QVERIFY(!QFileInfo(path("linked.doc")).isSymLink());
        QVERIFY(readAll(path("linked.doc")).startsWith("时间范围：2019年02月20日"));
    }

    void helpAndVersion()
    {
        const testsupport::ToolRun help = cli({"--help"});
        QCOMPARE(help.exit, 0);
        for (const char *part : {"--report", "--trail", "doc", "退出状态", "6 无法写入输出文件"})
            QVERIFY2(help.out.contains(part), part);
        const testsupport::ToolRun version = cli({"--version"});
        QCOMPARE(version.exit, 0);
        QCOMPARE(version.out, QByteArray("kvr-auditreport " KVR_APP_VERSION "\n"));
        QCOMPARE(version.err, QByteArray());
    }
};

QTEST_MAIN(ReportCliTest)
#include "tst_reportcli.moc"
