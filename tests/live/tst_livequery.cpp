// kvr-live-query, the live-trail test's eye on the window, on a hand-written
// trail: it must show each query's own table, report and runs (never the
// previous command's temp_report), notice the empty-report message, and
// refuse names that are none of the 28 commands. The live test's verdict
// rests on it.
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class LiveQueryTest : public QObject
{
    Q_OBJECT
    QTemporaryDir work;
    QString trail;

    QStringList runDriver(const QStringList &args, int *exitCode)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KVR_AUDITREPORT_LOG"), trail);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.remove(QStringLiteral("KVR_AUDITREPORT_DATA_DIR"));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(KVR_LIVE_QUERY), args);
        p.waitForFinished(120000);
        *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        return QString::fromUtf8(p.readAllStandardOutput())
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    static QStringList linesOf(const QStringList &lines, const QString &kind,
                               const QString &command)
    {
        QStringList out;
        for (const QString &line : lines) {
            if (line.startsWith(kind + QLatin1Char('\t') + command + QLatin1Char('\t')))
                out << line.mid(kind.size() + command.size() + 2);
        }
        return out;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(work.isValid());
        // Exec events only, one per run: chown twice by root, once by
        // nobody; rmdir once by nobody; no reboot at all.
        trail = work.filePath(QStringLiteral("audit.log"));
        QFile f(trail);
        QVERIFY(f.open(QIODevice::WriteOnly));
        const struct {
            const char *path;
            int auid;
        } runs[] = {{"/usr/bin/chown", 0},
                    {"/usr/bin/rmdir", 65534},
                    {"/usr/bin/chown", 65534},
                    {"/usr/bin/chown", 0}};
        int serial = 10;
        for (const auto &run : runs) {
            const QString stamp = QStringLiteral("msg=audit(1796600000.%1:%2): ")
                                      .arg(serial * 7, 3, 10, QLatin1Char('0'))
                                      .arg(serial);
            f.write(QStringLiteral(
                        "type=SYSCALL %1arch=c000003e syscall=59 success=yes exit=0 items=2 ppid=1 "
                        "pid=%2 auid=%3 uid=%3 gid=0 ses=3 comm=\"x\" exe=\"%4\" "
                        "key=\"kvr-auditreport\"\n"
                        "type=PATH %1item=0 name=\"%4\" inode=%2 dev=fe:00 mode=0100755 "
                        "nametype=NORMAL\n")
                        .arg(stamp)
                        .arg(1000 + serial)
                        .arg(run.auid)
                        .arg(QLatin1String(run.path))
                        .toUtf8());
            ++serial;
        }
    }

    // A report, then an empty report, then a report: each query shows only
    // its own figures, and the empty one its message on the form page.
    void reportsAndEmptyReport()
    {
        int exitCode = 0;
        const QStringList lines =
            runDriver({QStringLiteral("chown"), QStringLiteral("reboot"), QStringLiteral("rmdir")},
                      &exitCode);
        QCOMPARE(exitCode, 0);

        QCOMPARE(linesOf(lines, QStringLiteral("query"), QStringLiteral("chown")),
                 QStringList{QStringLiteral("page=2\tmessage=")});
        QStringList users = linesOf(lines, QStringLiteral("user"), QStringLiteral("chown"));
        users.sort();
        QCOMPARE(users, (QStringList{QStringLiteral("nobody\t1"), QStringLiteral("root\t2")}));
        const QStringList table = linesOf(lines, QStringLiteral("table"), QStringLiteral("chown"));
        QCOMPARE(table.size(), 4);
        QCOMPARE(table[1].section(QLatin1Char('\t'), 2), QStringLiteral("3"));
        QCOMPARE(linesOf(lines, QStringLiteral("report"), QStringLiteral("chown")).size(), 4);

        const QStringList reboot =
            linesOf(lines, QStringLiteral("query"), QStringLiteral("reboot"));
        QCOMPARE(reboot.size(), 1);
        QVERIFY2(reboot[0].startsWith(QLatin1String("page=0\tmessage="))
                     && reboot[0].contains(QStringLiteral("审计报告为空或未开启审计规则！")),
                 qPrintable(reboot[0]));
        QVERIFY(linesOf(lines, QStringLiteral("report"), QStringLiteral("reboot")).isEmpty());
        QVERIFY(linesOf(lines, QStringLiteral("user"), QStringLiteral("reboot")).isEmpty());

        QCOMPARE(linesOf(lines, QStringLiteral("user"), QStringLiteral("rmdir")),
                 QStringList{QStringLiteral("nobody\t1")});
        // The chart's bars hold that run once, on some day.
        int charted = 0;
        for (const QString &bar : linesOf(lines, QStringLiteral("chart"), QStringLiteral("rmdir")))
            charted += bar.section(QLatin1Char('\t'), 1).toInt();
        QCOMPARE(charted, 1);

        // Each counted run with its outcome, from the search's runs file.
        QStringList runs = linesOf(lines, QStringLiteral("run"), QStringLiteral("chown"));
        QCOMPARE(runs.size(), 3);
        for (QString &run : runs)
            run = run.section(QLatin1Char('\t'), 3, 3) + QLatin1Char(' ')
                + run.section(QLatin1Char('\t'), 6, 6);
        runs.sort();
        QCOMPARE(runs, (QStringList{"nobody success", "root success", "root success"}));
        // The CSV export lists the same runs with the same results.
        QStringList csv = linesOf(lines, QStringLiteral("csv"), QStringLiteral("chown"));
        for (QString &row : csv)
            row.replace(QLatin1Char('\t'), QLatin1Char(' '));
        csv.sort();
        QCOMPARE(csv, runs);
    }

    // Every line is one of the seven kinds, and a name outside the table is a
    // usage error rather than a silently empty query.
    void outputAndUsage()
    {
        int exitCode = 0;
        const QStringList lines = runDriver({QStringLiteral("rmdir")}, &exitCode);
        QCOMPARE(exitCode, 0);
        for (const QString &line : lines) {
            const QString kind = line.section(QLatin1Char('\t'), 0, 0);
            QVERIFY2(QStringList({"query", "table", "report", "user", "run", "csv", "chart"})
                         .contains(kind),
                     qPrintable(line));
        }
        runDriver({QStringLiteral("rmdir"), QStringLiteral("format-disk")}, &exitCode);
        QCOMPARE(exitCode, 2);
    }
};

QTEST_APPLESS_MAIN(LiveQueryTest)
#include "tst_livequery.moc"
