// What the installed program checks before it trusts its surroundings: why an
// empty report is empty (with a fake auditctl on PATH), whether the trail was
// never written, whether the data directory and its working files are safe to
// write as root, and whether the audit tools beside it are its own.
#include "app/datadirsafety.h"
#include "app/toolcheck.h"
#include "audit/emptycause.h"
#include "files.h"
#include "scopedenv.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// The scripts of these tests are readable and runnable by everyone (0755).
bool writeScript(const QString &path, const QByteArray &body)
{
    return testsupport::writeScript(path, body,
                                    QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                        | QFileDevice::ExeOwner | QFileDevice::ReadGroup
                                        | QFileDevice::ExeGroup | QFileDevice::ReadOther
                                        | QFileDevice::ExeOther);
}

// A fake auditctl: `auditctl -s` prints `status`, `auditctl -l` prints
// `rules`; a status of "FAIL" makes every call fail as it does for a user.
QByteArray fakeAuditctl(const QByteArray &status, const QByteArray &rules)
{
    if (status == "FAIL")
        return "echo 'Error sending status request (Operation not permitted)' >&2\nexit 1\n";
    return "case \"$1\" in\n  -s) printf '%s\\n' '" + status + "' ;;\n  -l) printf '%s\\n' '"
        + rules + "' ;;\n  *) exit 2 ;;\nesac\n";
}

} // namespace

class InstallTest : public QObject
{
    Q_OBJECT
    QTemporaryDir work;
    QByteArray savedPath;

private slots:
    void initTestCase()
    {
        QVERIFY(work.isValid());
        savedPath = qgetenv("PATH");
    }
    void cleanup() { qputenv("PATH", savedPath); }

    void emptyCause_data()
    {
        QTest::addColumn<bool>("installed");
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<QByteArray>("rules");
        QTest::addColumn<QString>("program");
        QTest::addColumn<int>("cause");
        using C = emptycause::Cause;
        const QByteArray on = "enabled 1\nfailure 1\npid 812\nbacklog 0";
        QTest::newRow("no auditctl")
            << false << QByteArray() << QByteArray() << "/bin/chown" << int(C::NoAuditDaemon);
        QTest::newRow("auditing off") << true << QByteArray("enabled 0\nfailure 1\npid 812")
                                      << QByteArray() << "/bin/chown" << int(C::AuditingOff);
        QTest::newRow("daemon stopped") << true << QByteArray("enabled 1\nfailure 1\npid 0")
                                        << QByteArray() << "/bin/chown" << int(C::DaemonNotRunning);
        QTest::newRow("locked on")
            << true << QByteArray("enabled 2\npid 812") << QByteArray("-w /bin/chown -p x")
            << "/bin/chown" << int(C::None);
        QTest::newRow("no rules") << true << on << QByteArray("No rules") << "/bin/chown"
                                  << int(C::NoRuleForProgram);
        QTest::newRow("watch on the /usr twin")
            << true << on << QByteArray("-w /usr/bin/chown -p x -k kvr") << "/bin/chown"
            << int(C::None);
        QTest::newRow("watch on /sbin twin")
            << true << on << QByteArray("-w /usr/sbin/reboot -p x -k kvr") << "/sbin/reboot"
            << int(C::None);
        QTest::newRow("watch without execute")
            << true << on << QByteArray("-w /usr/bin/chown -p wa -k attr") << "/bin/chown"
            << int(C::NoRuleForProgram);
        QTest::newRow("watch of another program")
            << true << on << QByteArray("-w /usr/bin/chowner -p x") << "/bin/chown"
            << int(C::NoRuleForProgram);
        QTest::newRow("every execve")
            << true << on << QByteArray("-a always,exit -F arch=b64 -S execve -F key=exec")
            << "/bin/chown" << int(C::None);
        QTest::newRow("execve of another path")
            << true << on
            << QByteArray("-a always,exit -F arch=b64 -S execve -F path=/usr/bin/sudo -F key=x")
            << "/bin/chown" << int(C::NoRuleForProgram);
        QTest::newRow("execve by exe")
            << true << on
            << QByteArray("-a always,exit -F arch=b64 -S execve -F exe=/usr/bin/chown")
            << "/bin/chown" << int(C::None);
        QTest::newRow("execve in a dir")
            << true << on << QByteArray("-a always,exit -F arch=b64 -S execve -F dir=/usr/sbin")
            << "/sbin/shutdown" << int(C::None);
        QTest::newRow("never rule")
            << true << on << QByteArray("-a never,exit -F arch=b64 -S execve") << "/bin/chown"
            << int(C::NoRuleForProgram);
        QTest::newRow("not root: nothing known")
            << true << QByteArray("FAIL") << QByteArray() << "/bin/chown" << int(C::None);
        QTest::newRow("all programs, one watched")
            << true << on << QByteArray("-w /usr/bin/sudo -p x") << QString() << int(C::None);
        QTest::newRow("all programs, none watched")
            << true << on << QByteArray("-w /etc/passwd -p wa") << QString()
            << int(C::NoRuleForProgram);
    }
    void emptyCause()
    {
        QFETCH(bool, installed);
        QFETCH(QByteArray, status);
        QFETCH(QByteArray, rules);
        QFETCH(QString, program);
        QFETCH(int, cause);
        static int run = 0; // a PATH entry may hold no ":" (data tags do)
        const QString bin = work.filePath(QString("bin-%1").arg(++run));
        QVERIFY(QDir().mkpath(bin));
        if (installed)
            QVERIFY(writeScript(bin + "/auditctl", fakeAuditctl(status, rules)));
        qputenv("PATH", QFile::encodeName(bin));
        QCOMPARE(int(emptycause::establish(program)), cause);
    }

    // The commented-out line of a rules file that would record a program: the
    // shipped file holds the costly ones that way; an administrator's edit
    // that enables one (or a mere comment naming a rule) is no such line.
    void disabledRule_data()
    {
        QTest::addColumn<QByteArray>("rules"); // empty: the shipped file
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("line");
        const QString cp = "#-w /bin/cp -p x -k kvr-auditreport";
        QTest::newRow("shipped, cp") << QByteArray() << "/bin/cp" << cp;
        QTest::newRow("shipped, /usr twin") << QByteArray() << "/usr/bin/cp" << cp;
        QTest::newRow("shipped, touch") << QByteArray() << "/bin/touch"
                                        << "#-w /bin/touch -p x -k kvr-auditreport";
        QTest::newRow("shipped, active chown") << QByteArray() << "/bin/chown" << QString();
        QTest::newRow("shipped, all programs") << QByteArray() << QString() << QString();
        QTest::newRow("enabled by an edit")
            << QByteArray("#-w /bin/cp -p x -k kvr-auditreport\n-w /bin/cp -p x -k kvr\n")
            << "/bin/cp" << QString();
        QTest::newRow("blank after #") << QByteArray("  # -w /bin/rm -p x -k kvr\n") << "/bin/rm"
                                       << "# -w /bin/rm -p x -k kvr";
        QTest::newRow("comment naming a rule")
            << QByteArray("## an exec watch (-w /bin/cp -p x)\n## -w /bin/cp -p x\n") << "/bin/cp"
            << QString();
        QTest::newRow("write watch only")
            << QByteArray("#-w /bin/cp -p wa -k kvr\n") << "/bin/cp" << QString();
    }
    void disabledRule()
    {
        QFETCH(QByteArray, rules);
        QFETCH(QString, program);
        QFETCH(QString, line);
        QString path = KVR_BUILD_DATA_DIR "/audit/kvr-auditreport.rules";
        if (!rules.isEmpty()) {
            path = work.filePath(QString("rules-%1").arg(QTest::currentDataTag()));
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(rules);
        }
        QCOMPARE(emptycause::disabledRule(program, path), line);
    }

    // The texts name what the administrator has to do.
    void causeTexts()
    {
        using C = emptycause::Cause;
        QCOMPARE(emptycause::causeText(C::None, "/bin/chown"), QString());
        const QString rule = emptycause::causeText(C::NoRuleForProgram, "/bin/chown");
        QVERIFY2(rule.contains("/bin/chown") && rule.contains(emptycause::rulesFile())
                     && rule.contains("augenrules --load"),
                 qPrintable(rule));
        QVERIFY(emptycause::rulesFile().endsWith("/audit/rules.d/kvr-auditreport.rules"));
        // A program shipped with its rule commented out: the line to uncomment.
        const QString shipped = KVR_BUILD_DATA_DIR "/audit/kvr-auditreport.rules";
        const QString off = emptycause::causeText(C::NoRuleForProgram, "/bin/rm", shipped);
        QVERIFY2(off.contains(shipped) && off.contains("#-w /bin/rm -p x -k kvr-auditreport")
                     && off.contains("augenrules --load") && off != rule,
                 qPrintable(off));
        QVERIFY(!emptycause::causeText(C::NoRuleForProgram, "/bin/chown", shipped).contains('#'));
        QVERIFY(!emptycause::causeText(C::NoRuleForProgram, "/bin/rm", work.filePath("none"))
                     .contains('#'));
        QSet<QString> distinct;
        for (C c : {C::NoAuditDaemon, C::AuditingOff, C::DaemonNotRunning, C::NoRuleForProgram})
            distinct.insert(emptycause::causeText(c, "/bin/chown"));
        QCOMPARE(distinct.size(), 4);
        QVERIFY(!distinct.contains(QString()));
    }

    void neverWritten()
    {
        const QString dir = work.filePath("trail");
        QVERIFY(QDir().mkpath(dir));
        QVERIFY(emptycause::trailNeverWritten(dir + "/audit.log"));
        QVERIFY2(emptycause::trailNeverWritten(dir), "a directory without audit.log files");
        QVERIFY(emptycause::trailNeverWritten(work.filePath("no/such/dir/audit.log")));
        QFile log(dir + "/audit.log.1");
        QVERIFY(log.open(QIODevice::WriteOnly));
        log.close();
        QVERIFY(!emptycause::trailNeverWritten(dir));
        QVERIFY(!emptycause::trailNeverWritten(dir + "/audit.log.1"));
    }

    void trailPathFromConfiguration()
    {
        const testsupport::ScopedEnv restored("KVR_AUDITREPORT_LOG");
        qunsetenv("KVR_AUDITREPORT_LOG");
        QFile conf(work.filePath("auditd.conf"));
        QVERIFY(conf.open(QIODevice::WriteOnly));
        conf.write("# log_file = /commented/out\nlocal_events = yes\nlog_file = "
                   "/srv/audit/audit.log\nlog_format = ENRICHED\n");
        conf.close();
        QCOMPARE(emptycause::trailPath(conf.fileName()), QString("/srv/audit/audit.log"));
        QCOMPARE(emptycause::trailPath(work.filePath("missing.conf")),
                 QString("/var/log/audit/audit.log"));
        qputenv("KVR_AUDITREPORT_LOG", "/tmp/elsewhere.log");
        QCOMPARE(emptycause::trailPath(conf.fileName()), QString("/tmp/elsewhere.log"));
    }

    void dataDirSafety_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<int>("problem");
        // Relative to the data directory, "." for itself, ".." for its parent.
        QTest::addColumn<QString>("culprit");
        using P = datadirsafety::Problem;
        QTest::newRow("fresh") << "none" << int(P::None) << "";
        QTest::newRow("missing, made") << "missing" << int(P::None) << "";
        QTest::newRow("working files") << "files" << int(P::None) << "";
        QTest::newRow("dir is a link") << "dirlink" << int(P::DirIsSymlink) << ".";
        QTest::newRow("dir is a file") << "dirfile" << int(P::NotADirectory) << ".";
        QTest::newRow("group-writable") << "g+w" << int(P::DirWritableByOthers) << ".";
        QTest::newRow("world-writable") << "o+w" << int(P::DirWritableByOthers) << ".";
        QTest::newRow("foreign owner") << "nobody" << int(P::DirForeignOwner) << ".";
        QTest::newRow("file is a link") << "filelink" << int(P::FileIsSymlink) << "tongji.log";
        QTest::newRow("dangling link") << "dangling" << int(P::FileIsSymlink) << "all_report.log";
        QTest::newRow("file is a fifo") << "fifo" << int(P::FileNotRegular) << "result.log";
        QTest::newRow("file is a dir") << "filedir" << int(P::FileNotRegular) << "temp_report";
        QTest::newRow("file hard-linked") << "hardlink" << int(P::FileHardLinked) << "temp_report";
        QTest::newRow("lock is a link")
            << "locklink" << int(P::FileIsSymlink) << "kvr-auditreport.lock";
        QTest::newRow("parent world-writable") << "parent 0777" << int(P::ParentWritable) << "..";
        QTest::newRow("parent group-writable") << "parent 0775" << int(P::ParentWritable) << "..";
        QTest::newRow("parent sticky like /tmp") << "parent 01777" << int(P::None) << "";
        QTest::newRow("sticky parent, foreign data dir")
            << "parent 01777 nobody" << int(P::DirForeignOwner) << ".";
        QTest::newRow("parent of another user")
            << "parent nobody" << int(P::ParentForeignOwner) << "..";
        QTest::newRow("parent is a link") << "parent link" << int(P::ParentIsSymlink) << "..";
        QTest::newRow("missing, parent world-writable: not made")
            << "missing parent 0777" << int(P::ParentWritable) << "..";
    }
    void dataDirSafety()
    {
        QFETCH(QString, setup);
        QFETCH(int, problem);
        QFETCH(QString, culprit);
        const QString base = work.filePath("safety-" + setup);
        // Through a link to base/real for "parent link".
        const QString dir = base + (setup == "parent link" ? "/via/data" : "/data");
        QVERIFY(QDir().mkpath(base));
        QVERIFY(::chmod(QFile::encodeName(base).constData(), 0755) == 0);
        const QByteArray d = QFile::encodeName(dir);
        const QString victim = base + "/victim";
        QFile v(victim);
        QVERIFY(v.open(QIODevice::WriteOnly));
        v.close();
        if (setup == "parent link") {
            QVERIFY(QDir().mkpath(base + "/real"));
            QVERIFY(::symlink("real", QFile::encodeName(base + "/via").constData()) == 0);
        }
        if (!setup.startsWith("missing") && setup != "dirlink" && setup != "dirfile") {
            QVERIFY(::mkdir(d.constData(), 0755) == 0);
            QVERIFY(::chmod(d.constData(), 0755) == 0);
        }
        auto file = [&](const QString &name) { return QFile::encodeName(dir + '/' + name); };
        if (setup == "dirlink") {
            QVERIFY(QDir().mkpath(base + "/real"));
            QVERIFY(::symlink("real", d.constData()) == 0);
        } else if (setup == "dirfile") {
            QVERIFY(QFile::copy(victim, dir));
        } else if (setup == "g+w") {
            QVERIFY(::chmod(d.constData(), 0775) == 0);
        } else if (setup == "o+w") {
            QVERIFY(::chmod(d.constData(), 01777) == 0);
        } else if (setup.endsWith("nobody")) {
            if (::geteuid() != 0)
                QSKIP("giving a directory to another user needs root");
            const QString owned = setup == "parent nobody" ? base : dir;
            QVERIFY(::chown(QFile::encodeName(owned).constData(), 65534, 65534) == 0);
        } else if (setup == "files") {
            for (const QString &name : datadirsafety::workingFileNames())
                QVERIFY(QFile::copy(victim, dir + '/' + name));
        } else if (setup == "filelink") {
            QVERIFY(::symlink(QFile::encodeName(victim).constData(), file("tongji.log").constData())
                    == 0);
        } else if (setup == "dangling") {
            QVERIFY(::symlink("/nonexistent/target", file("all_report.log").constData()) == 0);
        } else if (setup == "fifo") {
            QVERIFY(::mkfifo(file("result.log").constData(), 0644) == 0);
        } else if (setup == "filedir") {
            QVERIFY(::mkdir(file("temp_report").constData(), 0755) == 0);
        } else if (setup == "hardlink") {
            QVERIFY(::link(QFile::encodeName(victim).constData(), file("temp_report").constData())
                    == 0);
        } else if (setup == "locklink") {
            QVERIFY(::symlink(QFile::encodeName(victim).constData(),
                              file("kvr-auditreport.lock").constData())
                    == 0);
        }
        const qsizetype mode = setup.indexOf("parent 0");
        if (mode >= 0)
            QVERIFY(::chmod(QFile::encodeName(base).constData(),
                            setup.mid(mode + 7).section(' ', 0, 0).toUInt(nullptr, 8))
                    == 0);

        const datadirsafety::Verdict verdict = datadirsafety::check(dir + '/', ::geteuid());
        QCOMPARE(int(verdict.problem), problem);
        if (culprit == ".")
            QCOMPARE(verdict.path, dir);
        else if (culprit == "..")
            QCOMPARE(verdict.path, QFileInfo(dir).path());
        else if (!culprit.isEmpty())
            QCOMPARE(verdict.path, dir + '/' + culprit);
        if (setup == "missing") {
            struct stat st {
            };
            QVERIFY(::lstat(d.constData(), &st) == 0 && S_ISDIR(st.st_mode));
            QCOMPARE(int(st.st_mode & 0777) & 022, 0);
        }
        if (setup.startsWith("missing parent"))
            QVERIFY2(!QFileInfo::exists(dir), "made inside a folder others can write into");
    }

    void toolCheck()
    {
        // The project's own tools, as built.
        QVERIFY2(toolcheck::check(KVR_TOOLS_BUILD_DIR).ok(), KVR_TOOLS_BUILD_DIR);

        const QString dir = work.filePath("tools");
        QVERIFY(QDir().mkpath(dir));
        toolcheck::Verdict v = toolcheck::check(dir);
        QCOMPARE(int(v.problem), int(toolcheck::Problem::Missing));
        QCOMPARE(v.tool, dir + "/ausearch");

        // The stock tool's version line is not ours.
        QVERIFY(writeScript(dir + "/ausearch", "echo 'ausearch version 3.0.9'\n"));
        v = toolcheck::check(dir);
        QCOMPARE(int(v.problem), int(toolcheck::Problem::Foreign));
        QCOMPARE(v.output, QString("ausearch version 3.0.9"));

        // Ours, but its companion is missing or not executable.
        QVERIFY(
            writeScript(dir + "/ausearch",
                        "echo '" + toolcheck::expectedVersionLine("ausearch").toUtf8() + "'\n"));
        v = toolcheck::check(dir);
        QCOMPARE(int(v.problem), int(toolcheck::Problem::Missing));
        QCOMPARE(v.tool, dir + "/aureport");
        QFile plain(dir + "/aureport");
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.write("#!/bin/sh\necho 'aureport (kvr-auditreport) " KVR_APP_VERSION "'\n");
        plain.close();
        QVERIFY(plain.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QCOMPARE(int(toolcheck::check(dir).problem), int(toolcheck::Problem::Missing));

        // Another version of ours is not the one this program was built with.
        QVERIFY(writeScript(dir + "/aureport", "echo 'aureport (kvr-auditreport) 0.1'\n"));
        QCOMPARE(int(toolcheck::check(dir).problem), int(toolcheck::Problem::Foreign));
        QVERIFY(
            writeScript(dir + "/aureport",
                        "echo '" + toolcheck::expectedVersionLine("aureport").toUtf8() + "'\n"));
        QVERIFY(toolcheck::check(dir).ok());
    }
};

QTEST_GUILESS_MAIN(InstallTest)
#include "tst_install.moc"
