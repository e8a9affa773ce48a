// Queries and exports that do not finish: a search stopped by a file-size
// limit or a signal, a working directory without space, a summary export into
// a target that cannot take it. Each must say why and show no report.
#include "audit/querycore.h"
#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"
#include "widgets/line_edit.h"

#include "files.h"
#include "modalwatch.h"
#include "queryworld.h"
#include "scopedenv.h"
#include "windowaccess.h"

#include <QCalendarWidget>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using A = MainWindowTestAccess;

namespace {

bool runs(const QString &program, const QStringList &args)
{
    return QProcess::execute(program, args) == 0;
}

// A small tmpfs at `dir`, filled up to the last byte. False when this
// machine does not let the test mount one.
bool mountFullTmpfs(const QString &dir)
{
    QDir().mkpath(dir);
    // Mode 0755: a data directory writable by others is refused before any query.
    if (!runs("mount", {"-t", "tmpfs", "-o", "size=64k,mode=0755", "tmpfs", dir}))
        return false;
    QFile fill(dir + "/fill");
    fill.open(QIODevice::WriteOnly);
    const QByteArray block(4096, 'x');
    while (fill.write(block) == block.size() && fill.flush()) {
    }
    return true;
}

} // namespace

class FailuresTest : public QObject
{
    Q_OBJECT
    QTemporaryDir work;
    QString dataDir;
    QString mounted;

    QStringList query(MainWindow &w, const QString &type)
    {
        A::ui(w)->type_com->setCurrentText(type);
        return modalwatch::messagesOf([&] { A::ui(w)->query_btn->click(); }, work.filePath("out"));
    }
    void useDataDir(const QString &dir)
    {
        qputenv("KVR_AUDITREPORT_DATA_DIR", QFile::encodeName(dir));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(work.isValid());
        dataDir = work.filePath("data");
        // 400 events an hour apart from 2019-02-20: a result.log of well
        // over 64 KiB, a summary of a few hundred bytes.
        QByteArray trail;
        const qint64 base = QDateTime(QDate(2019, 2, 20), QTime(1, 0), Qt::UTC).toSecsSinceEpoch();
        for (int i = 0; i < 400; ++i)
            trail += testsupport::execRun(base + i * 3600, 100 + i, 200 + i, 0, "/usr/bin/sudo");
        testsupport::setUpQueryWorld(dataDir, work.filePath("trail.log"), trail);
    }

    void cleanup()
    {
        useDataDir(dataDir);
        if (!mounted.isEmpty())
            runs("umount", {mounted});
        mounted.clear();
        struct rlimit limit {
        };
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_FSIZE, &limit);
        std::signal(SIGXFSZ, SIG_DFL);
    }

    void searchStopped_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("cause");
        QTest::newRow("file-size limit, killed by it") << "limit"
                                                       << "文件大小限制";
        QTest::newRow("file-size limit, write fails") << "limit, ignored"
                                                      << "文件大小限制";
        QTest::newRow("search killed") << "killed"
                                       << "查询被中止（信号 15）";
    }
    // A search cut short leaves part of result.log: no report of that part.
    void searchStopped()
    {
        QFETCH(QString, how);
        QFETCH(QString, cause);
        MainWindow w;
        QByteArray path = qgetenv("PATH");
        if (how == "killed") {
            // An ausearch that writes a little and is then killed.
            QDir().mkpath(work.filePath("killer"));
            QFile tool(work.filePath("killer/ausearch"));
            QVERIFY(tool.open(QIODevice::WriteOnly));
            tool.write("#!/bin/sh\necho '----'\necho 'type=SYSCALL msg=audit(02/20/2019 "
                       "01:00:00.250:100) : 用户id:root'\n"
                       "kill -TERM $$\n");
            tool.close();
            tool.setPermissions(QFile::permissions(tool.fileName()) | QFile::ExeOwner);
            qputenv("PATH", QFile::encodeName(work.filePath("killer")) + ':' + path);
        } else {
            if (how.contains("ignored"))
                std::signal(SIGXFSZ, SIG_IGN);
            struct rlimit limit {
            };
            getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = 16 * 1024;
            QVERIFY(setrlimit(RLIMIT_FSIZE, &limit) == 0);
        }
        const QStringList messages = query(w, "sudo");
        qputenv("PATH", path);
        cleanup();
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].contains(cause) && messages[0].contains("未生成报告"),
                 qPrintable(messages[0]));
        QCOMPARE(A::pages(w), (QList<int>{0, 0, 0}));
        QVERIFY(!A::ui(w)->tableWidget->item(1, 1));
        // Part of the output was written, and the statistics did not run on it.
        QVERIFY(QFileInfo(dataDir + "/result.log").size() > 0);
        QVERIFY(!QFile::exists(dataDir + "/tongji.log"));
    }

    void noSpaceLeft_data()
    {
        QTest::addColumn<QString>("type");
        QTest::newRow("search") << "sudo";
        QTest::newRow("overall summary") << "all";
    }
    // A full working directory is named as the cause, not the audit trail.
    void noSpaceLeft()
    {
        QFETCH(QString, type);
        const QString dir = work.filePath("full");
        if (!mountFullTmpfs(dir))
            QSKIP("mounting a tmpfs is not allowed here");
        mounted = dir;
        useDataDir(dir);
        MainWindow w;
        const QStringList messages = query(w, type);
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].contains("工作目录已没有剩余空间") && messages[0].contains(dir + '/'),
                 qPrintable(messages[0]));
        QVERIFY(!messages[0].contains("无法读取审计日志"));
        QCOMPARE(A::pages(w), (QList<int>{0, 0, 0}));
        QCOMPARE(A::ui(w)->listWidget->count(), 0);
    }

    void tooLarge_data()
    {
        QTest::addColumn<QString>("type");
        QTest::newRow("search: the sort's temporary files fail") << "sudo";
        QTest::newRow("overall summary: too many events open") << "all";
    }
    // A trail too large for the tools' bounded memory and temporary files is
    // named as the cause; the trail is readable, so "cannot read" would send
    // the administrator the wrong way.
    void tooLarge()
    {
        QFETCH(QString, type);
        const QString log = work.filePath("large.log");
        {
            QFile f(log);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QByteArray chunk;
            // Search: more sudo events than the in-memory sort holds (about
            // 60 MB). Summary: events of one second that never end.
            const int events = type == "all" ? 100000 : 260000;
            for (int i = 0; i < events; ++i) {
                const QByteArray serial = QByteArray::number(i);
                if (type == "all")
                    chunk += "type=SYSCALL msg=audit(1711000000.000:" + serial
                        + "): arch=c000003e syscall=2 success=yes exit=3 a0=1 a1=2 a2=3 a3=0 "
                          "items=0 ppid=1 pid=5 auid=1000 uid=0 tty=pts0 ses=1 comm=\"cat\" "
                          "exe=\"/usr/bin/cat\" key=(null)\n";
                else
                    chunk += "type=SYSCALL msg=audit(1550624400.250:" + serial
                        + "): arch=c000003e syscall=59 success=yes exit=0 items=1 pid=" + serial
                        + " auid=0 uid=0 gid=0 exe=\"/usr/bin/sudo\"\ntype=PATH "
                          "msg=audit(1550624400.250:"
                        + serial + "): item=0 name=\"/usr/bin/sudo\" inode=1 nametype=NORMAL\n";
                if (chunk.size() > (1 << 20)) {
                    QVERIFY(f.write(chunk) == chunk.size());
                    chunk.clear();
                }
            }
            QVERIFY(f.write(chunk) == chunk.size());
        }
        const testsupport::ScopedEnv trail("KVR_AUDITREPORT_LOG", QFile::encodeName(log));
        if (type != "all") {
            // The search's temporary files are limited; what the window
            // itself writes comes after the sort and is never reached.
            std::signal(SIGXFSZ, SIG_IGN);
            struct rlimit limit {
            };
            getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = 10 * 1024 * 1024;
            QVERIFY(setrlimit(RLIMIT_FSIZE, &limit) == 0);
        }
        MainWindow w;
        const QStringList messages = query(w, type);
        cleanup();
        QFile::remove(log);
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].contains("审计日志过大") && messages[0].contains("未生成报告"),
                 qPrintable(messages[0]));
        QVERIFY(!messages[0].contains("无法读取审计日志"));
        QCOMPARE(A::pages(w), (QList<int>{0, 0, 0}));
        QCOMPARE(A::ui(w)->listWidget->count(), 0);
    }

    // A report whose text file cannot be written is not shown: its export
    // would copy an empty or an earlier report.
    void reportFileUnwritable()
    {
        // An immutable report file: root cannot write it either, and it is
        // still the regular file that the working-file checks accept.
        const QString report = dataDir + "/temp_report";
        QVERIFY(testsupport::writeAll(report, "an older report\n"));
        if (!runs("chattr", {"+i", report}))
            QSKIP("chattr +i is not supported here");
        MainWindow w;
        const QStringList messages = query(w, "sudo");
        runs("chattr", {"-i", report});
        QFile::remove(report);
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].contains("报告文件无法写入工作目录")
                     && messages[0].contains(dataDir + "/temp_report"),
                 qPrintable(messages[0]));
        QCOMPARE(A::pages(w), (QList<int>{0, 0, 0}));
    }

    void summaryExport_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("succeeds");
        QTest::newRow("writable") << "plain" << true;
        QTest::newRow("a directory in its place") << "directory" << false;
        QTest::newRow("immutable existing file") << "immutable" << false;
        QTest::newRow("full disk") << "full" << false;
        QTest::newRow("file-size limit") << "limit" << false;
    }
    // The summary export reports success only for a target written whole.
    void summaryExport()
    {
        QFETCH(QString, target);
        QFETCH(bool, succeeds);
        QDir().mkpath(dataDir);
        QByteArray summary = "时间范围： 2019年02月20日 01:00:00 ~ 2019年03月08日 16:00:00\n";
        for (int i = 0; i < 100; ++i)
            summary += "用户数量" + QByteArray::number(i) + ": " + QByteArray::number(i * 7) + '\n';
        QFile source(dataDir + "/all_report.log");
        QVERIFY(source.open(QIODevice::WriteOnly));
        source.write(summary);
        source.close();

        QString chosen = work.filePath(target + ".doc");
        QFile::remove(chosen);
        if (target == "directory") {
            QVERIFY(QDir().mkpath(chosen));
        } else if (target == "immutable") {
            QFile(chosen).open(QIODevice::WriteOnly);
            if (!runs("chattr", {"+i", chosen}))
                QSKIP("chattr +i is not supported here");
        } else if (target == "full") {
            const QString dir = work.filePath("fullexport");
            if (!mountFullTmpfs(dir))
                QSKIP("mounting a tmpfs is not allowed here");
            mounted = dir;
            chosen = dir + "/summary.doc";
        } else if (target == "limit") {
            std::signal(SIGXFSZ, SIG_IGN);
            struct rlimit limit {
            };
            getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = 1024;
            QVERIFY(setrlimit(RLIMIT_FSIZE, &limit) == 0);
        }

        MainWindow w;
        MainWindow::setSaveFileNameProvider(
            [&](QWidget *, const QString &, const QString &, const QString &) { return chosen; });
        const QStringList messages = modalwatch::messagesOf(
            [&] { QMetaObject::invokeMethod(&w, "on_export_btn_clicked"); }, work.filePath("out"));
        MainWindow::setSaveFileNameProvider(nullptr);
        if (target == "immutable")
            runs("chattr", {"-i", chosen});
        cleanup();
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].contains(succeeds ? "报告导出成功!" : "报告导出失败!"),
                 qPrintable(messages[0]));
        if (succeeds)
            QVERIFY(QFileInfo(chosen).size() > summary.size());
    }
};

QTEST_MAIN(FailuresTest)
#include "tst_failures.moc"
