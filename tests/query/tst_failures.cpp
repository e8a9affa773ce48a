// Queries and exports that do not finish: a search stopped by a file-size
// limit or a signal, a working directory without space, a summary export into
// a target that cannot take it. Each must say why and show no report. The
// summary export also meets what another user may plant at its name (links,
// pipes, devices) and writes into that user's folder.
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
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

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
            // 60 MB), each event's PATH record after the next event's
            // SYSCALL, so that the sort must hold them rather than read
            // them again. Summary: events of one second that never end.
            const int events = type == "all" ? 100000 : 260000;
            for (int i = 0; i < events; ++i) {
                const QByteArray serial = QByteArray::number(i);
                if (type == "all")
                    chunk += "type=SYSCALL msg=audit(1711000000.000:" + serial
                        + "): arch=c000003e syscall=2 success=yes exit=3 a0=1 a1=2 a2=3 a3=0 "
                          "items=0 ppid=1 pid=5 auid=1000 uid=0 tty=pts0 ses=1 comm=\"cat\" "
                          "exe=\"/usr/bin/cat\" key=(null)\n";
                else {
                    chunk += "type=SYSCALL msg=audit(1550624400.250:" + serial
                        + "): arch=c000003e syscall=59 success=yes exit=0 items=1 pid=" + serial
                        + " auid=0 uid=0 gid=0 exe=\"/usr/bin/sudo\"\n";
                    if (i > 0)
                        chunk += "type=PATH msg=audit(1550624400.250:" + QByteArray::number(i - 1)
                            + "): item=0 name=\"/usr/bin/sudo\" inode=1 nametype=NORMAL\n";
                }
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
        QTest::addColumn<QString>("cause"); // in the failure message
        QTest::newRow("writable") << "plain" << true << "";
        QTest::newRow("a directory in its place") << "directory" << false << "是目录";
        QTest::newRow("immutable existing file") << "immutable" << false << "无法替换";
        QTest::newRow("full disk") << "full" << false << "无法写入";
        QTest::newRow("file-size limit") << "limit" << false << "无法写入";
        QTest::newRow("link to a root file: replaced") << "link" << true << "";
        QTest::newRow("link swapped in after the dialog") << "swapped" << true << "";
        QTest::newRow("link to /dev/null: replaced") << "devnull" << true << "";
        QTest::newRow("fifo") << "fifo" << false << "不是普通文件";
        QTest::newRow("character device") << "device" << false << "不是普通文件";
        QTest::newRow("folder is a link") << "linked folder" << false << "是符号链接";
        QTest::newRow("missing source") << "no summary" << false << "all_report.log";
        QTest::newRow("PKEXEC_UID's folder") << "PKEXEC_UID" << true << "";
        QTest::newRow("SUDO_UID's folder") << "SUDO_UID" << true << "";
        QTest::newRow("PKEXEC_UID, root's folder") << "PKEXEC_UID root" << true << "";
        QTest::newRow(".doc added, that file exists: no") << "notes no" << false << "";
        QTest::newRow(".doc added, that file exists: yes") << "notes yes" << true << "";
        QTest::newRow("CSV filter, .csv added") << "csv" << true << "";
        QTest::newRow("CSV over the file-size limit") << "csv limit" << false << "无法写入";
        QTest::newRow("HTML, a link at the name: replaced") << "html link" << true << "";
    }
    // The summary export reports success only for a target written whole,
    // never writes through what sits at the name, leaves nothing behind when
    // it fails, and gives the file to the user who started the program when
    // it lands in that user's folder.
    void summaryExport()
    {
        QFETCH(QString, target);
        QFETCH(bool, succeeds);
        QFETCH(QString, cause);
        QDir().mkpath(dataDir);
        QByteArray summary = "时间范围： 2019年02月20日 01:00:00 ~ 2019年03月08日 16:00:00\n";
        for (int i = 0; i < 100; ++i)
            summary += "用户数量" + QByteArray::number(i) + ": " + QByteArray::number(i * 7) + '\n';
        QVERIFY(testsupport::writeAll(dataDir + "/all_report.log", summary));
        if (target == "no summary")
            QVERIFY(QFile::remove(dataDir + "/all_report.log"));

        static int run = 0;
        QString folder = work.filePath(QString("export-%1").arg(++run));
        QVERIFY(QDir().mkpath(folder));
        QString chosen = folder + "/" + target + ".doc";
        const QByteArray f = QFile::encodeName(chosen);
        // A root file that a link at the name points to.
        const QString victim = work.filePath(QString("victim-%1").arg(run));
        QVERIFY(testsupport::writeAll(victim, "root's own\n"));
        const testsupport::ScopedEnv pkexec("PKEXEC_UID"), sudo("SUDO_UID");
        qunsetenv("PKEXEC_UID");
        qunsetenv("SUDO_UID");
        uid_t owner = ::geteuid();
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
            folder = dir;
            chosen = dir + "/summary.doc";
        } else if (target.startsWith("csv")) {
            chosen = folder + "/summary";
        } else if (target == "html link") {
            chosen = folder + "/summary.html";
            QVERIFY(QFile::link(victim, chosen));
        }
        if (target.endsWith("limit")) {
            std::signal(SIGXFSZ, SIG_IGN);
            struct rlimit limit {
            };
            getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = 1024;
            QVERIFY(setrlimit(RLIMIT_FSIZE, &limit) == 0);
        } else if (target == "link") {
            QVERIFY(QFile::link(victim, chosen));
        } else if (target == "devnull") {
            QVERIFY(QFile::link("/dev/null", chosen));
        } else if (target == "fifo") {
            QVERIFY(::mkfifo(f.constData(), 0644) == 0);
        } else if (target == "device") {
            QVERIFY(::mknod(f.constData(), S_IFCHR | 0600, makedev(1, 3)) == 0);
        } else if (target == "linked folder") {
            QVERIFY(QFile::link(work.path(), folder + "/elsewhere"));
            chosen = folder + "/elsewhere/report.doc";
        } else if (target.startsWith("notes")) {
            QVERIFY(testsupport::writeAll(folder + "/notes.doc", "old notes\n"));
            chosen = folder + "/notes";
        } else if (target.endsWith("_UID")) {
            // nobody's folder, and nobody started the program.
            owner = 65534;
            QVERIFY(::chown(QFile::encodeName(folder).constData(), owner, owner) == 0);
            qputenv(qPrintable(target), QByteArray::number(owner));
        } else if (target == "PKEXEC_UID root") {
            qputenv("PKEXEC_UID", "65534");
        }
        const QString written = target.startsWith("notes") ? chosen + ".doc"
            : target.startsWith("csv")                     ? chosen + ".csv"
                                                           : chosen;
        // What a regular file at the name holds (pipes and devices are not read).
        const auto regularContents = [&] {
            struct stat st {
            };
            const bool regular =
                ::lstat(QFile::encodeName(written).constData(), &st) == 0 && S_ISREG(st.st_mode);
            return regular ? testsupport::readAll(written) : QByteArray();
        };
        const QByteArray before = regularContents();
        const QStringList entries = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden
                                                           | QDir::System | QDir::NoDotAndDotDot);

        MainWindow w;
        MainWindow::setSaveFileNameProvider(
            [&](QWidget *, const QString &, const QString &, const QString &, QString *filter) {
                // The dialog saw nothing at the name; a link is planted behind its back.
                if (target == "swapped")
                    QFile::link(victim, chosen);
                if (target.startsWith("csv"))
                    *filter = "CSV(*.csv)";
                return chosen;
            });
        QStringList messages;
        testsupport::captureStdout(
            [&] {
                const auto exportNow = [&] {
                    QMetaObject::invokeMethod(&w, "on_export_btn_clicked");
                };
                // A question is answered "确定" in the yes row, closed (no) elsewhere.
                messages = target == "notes yes" ? modalwatch::acceptingFirstDialog(exportNow)
                                                 : modalwatch::closingDialogs(exportNow);
            },
            work.filePath("out"));
        MainWindow::setSaveFileNameProvider(nullptr);
        if (target == "immutable")
            runs("chattr", {"-i", chosen});
        // Read before cleanup() unmounts the full tmpfs.
        QStringList after = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System
                                                   | QDir::NoDotAndDotDot);
        const QByteArray left = regularContents();
        cleanup();

        if (target.startsWith("notes")) {
            QCOMPARE(messages.size(), succeeds ? 2 : 1);
            QVERIFY2(messages[0].contains("已存在") && messages[0].contains(written),
                     qPrintable(messages[0]));
            messages.removeFirst();
        }
        if (target == "notes no") {
            QCOMPARE(messages.size(), 0);
        } else {
            QCOMPARE(messages.size(), 1);
            QVERIFY2(messages[0].contains(succeeds ? "报告导出成功!" : "报告导出失败!")
                         && messages[0].contains(cause),
                     qPrintable(messages[0]));
        }
        QCOMPARE(testsupport::readAll(victim), QByteArray("root's own\n"));
        if (!succeeds) {
            // Nothing left behind, and what was there is as it was.
            QCOMPARE(after, entries);
            QCOMPARE(left, before);
            return;
        }
        struct stat st {
        };
        QVERIFY(::lstat(QFile::encodeName(written).constData(), &st) == 0);
        QVERIFY(S_ISREG(st.st_mode));
        const mode_t mask = ::umask(0);
        ::umask(mask);
        QCOMPARE(st.st_mode & 07777, 0666 & ~mask);
        QCOMPARE(st.st_uid, owner);
        QCOMPARE(st.st_gid, owner == 65534 ? gid_t(65534) : ::getegid());
        QVERIFY(QFileInfo(written).size() > summary.size());
        if (target == "csv")
            QVERIFY(testsupport::readAll(written).startsWith("\xEF\xBB\xBF"
                                                             "figure,value\r\n"));
        after.removeOne(QFileInfo(written).fileName());
        QStringList without = entries;
        without.removeOne(QFileInfo(written).fileName());
        QCOMPARE(after, without);
    }
};

QTEST_MAIN(FailuresTest)
#include "tst_failures.moc"
