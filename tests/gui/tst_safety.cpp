// The window refusing to do harm or nonsense, run with the real widgets
// offscreen: an unsafe data directory or foreign audit tools at start-up, a
// link planted before a query, an empty report that says why (fake auditctl),
// a second instance on the same data directory, and about() without the
// suite's about program.
#include "app/about.h"
#include "app/appenv.h"
#include "app/startupchecks.h"
#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"
#include "widgets/line_edit.h"

#include "files.h"
#include "modalwatch.h"
#include "queryworld.h"
#include "scopedenv.h"
#include "windowaccess.h"

#include <QCalendarWidget>
#include <QLabel>
#include <QLockFile>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using A = MainWindowTestAccess;

namespace {

using modalwatch::closingDialogs;
using testsupport::readAll;
using testsupport::writeScript;

} // namespace

class SafetyTest : public QObject
{
    Q_OBJECT
    QTemporaryDir work;
    QString dataDir;
    QByteArray savedPath;

    QString data(const QString &name) const { return dataDir + '/' + name; }
    QPushButton *queryButton(MainWindow &w) { return A::ui(w)->query_btn; }
    QStringList query(MainWindow &w, const QString &type)
    {
        A::ui(w)->type_com->setCurrentText(type);
        return closingDialogs([&] { queryButton(w)->click(); });
    }

private slots:
    void initTestCase()
    {
        QVERIFY(work.isValid());
        dataDir = work.filePath("data");
        qputenv("KVR_AUDITREPORT_DATA_DIR", dataDir.toUtf8());
        savedPath = qgetenv("PATH");
        // A small trail with one run of chown only.
        const QString trail =
            testsupport::writeFixture(work.filePath("audit.log"),
                                      testsupport::execRun(1550624400, 100, 200, 0, "/bin/chown"));
        qputenv("KVR_AUDITREPORT_LOG", QFile::encodeName(trail));
    }
    void init()
    {
        QDir(dataDir).removeRecursively();
        QVERIFY(QDir().mkpath(dataDir));
        QVERIFY(::chmod(QFile::encodeName(dataDir).constData(), 0755) == 0);
        qputenv("PATH", QByteArray(KVR_TOOLS_BUILD_DIR) + ':' + savedPath);
    }
    void cleanup() { qputenv("PATH", savedPath); }

    // At start-up: the reason in an InfoBox, and no query possible.
    void startupRefusals_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("expected"); // empty: no message, road open
        QTest::newRow("all well") << "none"
                                  << "";
        QTest::newRow("group-writable data dir") << "g+w"
                                                 << "可被其他用户写入";
        QTest::newRow("working file linked") << "link"
                                             << "是符号链接";
        QTest::newRow("tools missing") << "notools"
                                       << "安装已损坏";
        QTest::newRow("stock tools") << "stock"
                                     << "不是本程序的审计工具";
    }
    void startupRefusals()
    {
        QFETCH(QString, setup);
        QFETCH(QString, expected);
        QString tools = KVR_TOOLS_BUILD_DIR;
        const QString victim = work.filePath("victim");
        if (setup == "g+w") {
            QVERIFY(::chmod(QFile::encodeName(dataDir).constData(), 0775) == 0);
        } else if (setup == "link") {
            QFile(victim).remove();
            QVERIFY(QFile::link(victim, data("temp_report")));
        } else if (setup == "notools" || setup == "stock") {
            tools = work.filePath("tools-" + setup);
            QVERIFY(QDir().mkpath(tools));
            if (setup == "stock") {
                QVERIFY(writeScript(tools + "/ausearch", "echo 'ausearch version 3.0.9'\n"));
                QVERIFY(writeScript(tools + "/aureport", "echo 'aureport version 3.0.9'\n"));
            }
        }
        MainWindow w;
        bool open = false;
        const QStringList seen = closingDialogs([&] {
            open = startupchecks::checkQueryRoad(&w, startupchecks::checkDataDir(), tools);
        });
        QCOMPARE(open, expected.isEmpty());
        QCOMPARE(queryButton(w)->isEnabled(), expected.isEmpty());
        if (expected.isEmpty()) {
            QCOMPARE(seen, QStringList());
        } else {
            QCOMPARE(seen.size(), 1);
            QVERIFY2(seen[0].contains(expected) && seen[0].contains("警告"), qPrintable(seen[0]));
            QVERIFY(queryButton(w)->toolTip().contains(expected));
        }
    }

    // A link planted after start-up is found before the query writes through it.
    void linkBeforeQuery()
    {
        MainWindow w;
        QVERIFY(
            startupchecks::checkQueryRoad(&w, startupchecks::checkDataDir(), KVR_TOOLS_BUILD_DIR));
        const QString victim = work.filePath("precious");
        QFile v(victim);
        QVERIFY(v.open(QIODevice::WriteOnly));
        v.write("keep me\n");
        v.close();
        QVERIFY(QFile::link(victim, data("tongji.log")));
        A::pickDate(w, DateField::End, QDate(2019, 3, 1));
        const QStringList seen = query(w, "chown");
        QCOMPARE(seen.size(), 1);
        QVERIFY2(seen[0].contains("tongji.log") && seen[0].contains("符号链接"),
                 qPrintable(seen[0]));
        QCOMPARE(readAll(victim), QByteArray("keep me\n"));
        QVERIFY(!QFile::exists(data("result.log")));
        QVERIFY(!queryButton(w)->isEnabled());
    }

    // The empty report keeps the system's message and adds the cause.
    void emptyReportCause_data()
    {
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<QByteArray>("rules");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("absent");
        QTest::newRow("auditing off") << QByteArray("enabled 0\npid 0") << QByteArray()
                                      << QStringList{"enabled 0"} << "augenrules";
        QTest::newRow("no rule for reboot")
            << QByteArray("enabled 1\npid 77") << QByteArray("-w /usr/bin/chown -p x")
            << QStringList{"/sbin/reboot", "kvr-auditreport.rules", "augenrules --load"}
            << "enabled 0";
        QTest::newRow("rule loaded: message alone")
            << QByteArray("enabled 1\npid 77") << QByteArray("-w /usr/sbin/reboot -p x")
            << QStringList() << "原因";
    }
    void emptyReportCause()
    {
        QFETCH(QByteArray, status);
        QFETCH(QByteArray, rules);
        QFETCH(QStringList, expected);
        QFETCH(QString, absent);
        const QString bin = work.filePath("fakebin");
        QVERIFY(QDir().mkpath(bin));
        QVERIFY(writeScript(bin + "/auditctl",
                            "case \"$1\" in -s) printf '%s\\n' '" + status
                                + "' ;; -l) printf '%s\\n' '" + rules + "' ;; esac\n"));
        qputenv("PATH", QFile::encodeName(bin) + ':' + KVR_TOOLS_BUILD_DIR + ':' + savedPath);
        MainWindow w;
        A::pickDate(w, DateField::End, QDate(2019, 3, 1));
        const QStringList seen = query(w, "reboot");
        QCOMPARE(seen.size(), 1);
        QVERIFY2(seen[0].contains("审计报告为空或未开启审计规则！"), qPrintable(seen[0]));
        for (const QString &part : expected)
            QVERIFY2(seen[0].contains(part), qPrintable(part + " missing in " + seen[0]));
        QVERIFY2(!seen[0].contains(absent), qPrintable(seen[0]));
    }

    // A trail never written is told apart from one that cannot be read.
    void summaryOfUnwrittenTrail()
    {
        const testsupport::ScopedEnv log(
            "KVR_AUDITREPORT_LOG", QFile::encodeName(work.filePath("empty-log-dir/audit.log")));
        QVERIFY(QDir().mkpath(work.filePath("empty-log-dir")));
        MainWindow w;
        const QStringList seen = query(w, "all");
        QCOMPARE(seen.size(), 1);
        QVERIFY2(seen[0].contains("还没有写入任何审计日志")
                     && seen[0].contains("empty-log-dir/audit.log")
                     && !seen[0].contains("请以管理员身份运行"),
                 qPrintable(seen[0]));
        QCOMPARE(A::ui(w)->contentStackedWidget->currentIndex(), 0);
    }

    // A second instance on the same data directory: the running program holds
    // the lock, so the second one is told and does not start; once the first
    // is gone (killed, its lock left behind) the lock is taken over.
    void secondInstance()
    {
        QProcess first;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        first.setProcessEnvironment(env);
        first.start(KVR_APP_BINARY, {});
        QVERIFY(first.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(startupchecks::lockFilePath()), 10000);

        QLockFile second(startupchecks::lockFilePath());
        bool took = true;
        const QStringList seen =
            closingDialogs([&] { took = startupchecks::takeInstanceLock(&second, nullptr); });
        QVERIFY(!took);
        QCOMPARE(seen.size(), 1);
        QVERIFY2(seen[0].contains("审计报告已经打开") && seen[0].contains(dataDir),
                 qPrintable(seen[0]));

        first.kill();
        QVERIFY(first.waitForFinished());
        QVERIFY(QFile::exists(startupchecks::lockFilePath()));
        const QStringList none =
            closingDialogs([&] { took = startupchecks::takeInstanceLock(&second, nullptr); });
        QVERIFY(took);
        QCOMPARE(none, QStringList());
        // Another data directory is another report: no conflict.
        QLockFile elsewhere(work.filePath("other.lock"));
        QVERIFY(startupchecks::takeInstanceLock(&elsewhere, nullptr));
    }

    // Lock files no live window holds are taken over; one held, or
    // written by a window of another host, is not taken without asking.
    void leftLock_data()
    {
        QTest::addColumn<QByteArray>("contents"); // PID, HOST, BOOT replaced
        QTest::addColumn<QString>("process");     // "dead", "sleep", "flock", "link" or none
        QTest::addColumn<bool>("answerYes");
        QTest::addColumn<bool>("takes");
        QTest::addColumn<QString>("said"); // in the one dialog shown; empty: none shown
        const QByteArray here = "PID\nkvr-auditreport\nHOST\n";
        QTest::newRow("empty (power cut)") << QByteArray() << "" << false << true << "";
        QTest::newRow("garbage") << QByteArray("\x01\xff\x7f\n\n\n") << "" << false << true << "";
        QTest::newRow("dead pid, this host") << here << "dead" << false << true << "";
        QTest::newRow("pid now runs another program") << here << "sleep" << false << true << "";
        QTest::newRow("live pid of the recorded program")
            << QByteArray("PID\nsleep\nHOST\n") << "sleep" << false << false << "删除锁文件";
        QTest::newRow("live pid, written before this boot")
            << QByteArray("PID\nsleep\nHOST\nmachine\nBOOT-old\n") << "sleep" << false << true
            << "";
        QTest::newRow("garbage, kernel lock held by a live process")
            << QByteArray("garbage") << "flock" << false << false << "审计报告已经打开";
        QTest::newRow("another host, answered yes")
            << QByteArray("4242\nkvr-auditreport\nkvr-clone-7\n") << "" << true << true
            << "kvr-clone-7";
        QTest::newRow("a link in its place: not followed, not removed")
            << QByteArray("4242\nkvr-auditreport\nkvr-clone-7\n") << "link" << false << false
            << "不是普通文件";
        QTest::newRow("another host, answered no")
            << QByteArray("4242\nkvr-auditreport\nkvr-clone-7\n") << "" << false << false
            << "kvr-clone-7";
    }
    void leftLock()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, process);
        QFETCH(bool, answerYes);
        QFETCH(bool, takes);
        QFETCH(QString, said);
        const QString path = startupchecks::lockFilePath();
        QProcess other;
        qint64 pid = 0;
        if (process == "dead" || process == "sleep") {
            other.start("sleep", {process == "dead" ? "0.1" : "30"});
            QVERIFY(other.waitForStarted());
            pid = other.processId();
            if (process == "dead")
                QVERIFY(other.waitForFinished());
        }
        contents.replace("PID", QByteArray::number(pid))
            .replace("HOST", QSysInfo::machineHostName().toUtf8())
            .replace("BOOT", QSysInfo::bootUniqueId());
        // "link": the contents are in a file the lock's name links to.
        const QString written = process == "link" ? work.filePath("lock-target") : path;
        QVERIFY(testsupport::writeAll(written, contents));
        if (process == "link")
            QVERIFY(QFile::link(written, path));
        if (process == "flock") {
            other.start("flock", {path, "sleep", "30"});
            QVERIFY(other.waitForStarted());
            QTRY_VERIFY(QProcess::execute("flock", {"-n", path, "true"}) != 0);
        }

        QLockFile lock(path);
        bool took = !takes;
        const auto take = [&] { took = startupchecks::takeInstanceLock(&lock, nullptr); };
        const QStringList seen =
            answerYes ? modalwatch::acceptingFirstDialog(take) : closingDialogs(take);
        other.kill();
        other.waitForFinished();
        QCOMPARE(took, takes);
        QCOMPARE(seen.size(), said.isEmpty() ? 0 : 1);
        if (!said.isEmpty())
            QVERIFY2(seen[0].contains(said) && seen[0].contains(path), qPrintable(seen[0]));
        if (takes) {
            qint64 holder = 0;
            QString host, app;
            QVERIFY(lock.getLockInfo(&holder, &host, &app));
            QCOMPARE(holder, QCoreApplication::applicationPid());
            lock.unlock();
        } else {
            QCOMPARE(readAll(written), contents);
            QCOMPARE(QFileInfo(path).isSymLink(), process == "link");
            QFile::remove(path);
        }
    }

    void aboutWithoutSuite()
    {
        if (QFileInfo::exists(about::suiteProgram()))
            QSKIP("the suite's about program is installed here");
        MainWindow w;
        const QStringList seen = closingDialogs([&] { QMetaObject::invokeMethod(&w, "about"); });
        QCOMPARE(seen.size(), 1);
        QVERIFY2(seen[0].contains("kvr-auditreport") && seen[0].contains(KVR_APP_VERSION)
                     && seen[0].contains("GPL"),
                 qPrintable(seen[0]));
    }
};

QTEST_MAIN(SafetyTest)
#include "tst_safety.moc"
