// The runs-per-day pipeline on hand-written result.log files, and how
// daily.log is read back and turned into the days a chart covers.
#include "audit/querycore.h"

#include <QTemporaryDir>
#include <QtTest>

class DailyRunsTest : public QObject
{
    Q_OBJECT
    QTemporaryDir work;

    QString path(const QString &name) const { return work.filePath(name); }
    static void write(const QString &file, const QByteArray &bytes)
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    static QByteArray readAll(const QString &file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

private slots:
    void initTestCase()
    {
        QVERIFY(work.isValid());
        // A blank in the data directory's path: the command line must quote it.
        QVERIFY(QDir().mkpath(path("data dir")));
        qputenv("KVR_AUDITREPORT_DATA_DIR", QFile::encodeName(path("data dir")));
    }

    void pipeline_data()
    {
        QTest::addColumn<QByteArray>("result");
        QTest::addColumn<QByteArray>("daily");
        const QByteArray head = "----\n时间->2024-03-05 10:00:00.000 序号=1\n";
        QTest::newRow("days out of order, over a year's end")
            << head
                + "类型=SYSCALL 日期: 2024-01-01 00:00:01.000 用户id: root 退出=0\n"
                  "类型=PATH 日期: 2024-01-01 00:00:01.000 名称=/bin/chown\n"
                  "类型=SYSCALL 日期: 2023-12-31 23:59:59.999 用户id: alice\n"
                  "类型=SYSCALL 日期: 2024-01-01 08:00:00.000 用户id: bob\n"
            << QByteArray("2023-12-31 1\n2024-01-01 2\n");
        QTest::newRow("blank user, doubled label, no date") << head
                + "类型=SYSCALL 日期: 2024-03-05 10:00:00.000 用户id:    \n"
                  "类型=SYSCALL 日期: 2024-03-05 10:00:00.000 用户id: \t \n"
                  "类型=SYSCALL 日期: 2024-03-05 11:00:00.000 用户id: root 用户id: test\n"
                  "类型=SYSCALL 用户id: root\n"
                  "类型=SYSCALL 日期: 2024-03-06 11:00:00.000 用户id:\n"
                                                            << QByteArray("2024-03-05 1\n");
        QTest::newRow("empty result") << QByteArray() << QByteArray();
    }
    // daily.log counts what the per-user pipeline counts, on the record's day,
    // one line per day in day order; it is rewritten, never appended to.
    void pipeline()
    {
        QFETCH(QByteArray, result);
        QFETCH(QByteArray, daily);
        write(path("data dir/daily.log"), "1999-01-01 5\n");
        write(path("data dir/result.log"), result);
        const querycore::ShellRun run = querycore::runShell(querycore::dailyCommand());
        QVERIFY(run.started);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(readAll(path("data dir/daily.log")), daily);
    }

    // Lines that are no day with a positive count are skipped; the same day
    // twice is added up; a missing file has no runs.
    void readBack()
    {
        write(path("daily.log"),
              "2024-03-05 2\n2024-02-30 3\n2024-03-06 x\n2024-03-07 0\n\n"
              "2024-03-08 2 extra\n2024-03-05 1\nrubbish\n 2024-03-09  4 \n");
        const QMap<QDate, int> runs = querycore::readDailyRuns(path("daily.log"));
        QCOMPARE(runs, (QMap<QDate, int>{{QDate(2024, 3, 5), 3}, {QDate(2024, 3, 9), 4}}));
        QVERIFY(querycore::readDailyRuns(path("missing.log")).isEmpty());
        const querycore::DaySpan span{QDate(2024, 3, 4), QDate(2024, 3, 10)};
        QCOMPARE(querycore::runsPerDay(runs, span), (QList<int>{0, 3, 0, 0, 0, 4, 0}));
    }

    void span_data()
    {
        QTest::addColumn<QDate>("start");
        QTest::addColumn<QDate>("end");
        QTest::addColumn<QDate>("first");
        QTest::addColumn<QDate>("last");
        // Runs on 2024-03-05 and 2024-03-09; the report's records span 03-01 .. 03-20.
        QTest::newRow("chosen range")
            << QDate(2024, 3, 2) << QDate(2024, 3, 12) << QDate(2024, 3, 2) << QDate(2024, 3, 12);
        QTest::newRow("both open") << QDate() << QDate() << QDate(2024, 3, 1) << QDate(2024, 3, 20);
        QTest::newRow("start open")
            << QDate() << QDate(2024, 3, 10) << QDate(2024, 3, 1) << QDate(2024, 3, 10);
        QTest::newRow("run outside the range")
            << QDate(2024, 3, 6) << QDate(2024, 3, 8) << QDate(2024, 3, 5) << QDate(2024, 3, 9);
    }
    // The days a chart covers: the chosen dates, the report's first and last
    // record day for an open side, never leaving a run out.
    void span()
    {
        QFETCH(QDate, start);
        QFETCH(QDate, end);
        QFETCH(QDate, first);
        QFETCH(QDate, last);
        const QMap<QDate, int> runs{{QDate(2024, 3, 5), 1}, {QDate(2024, 3, 9), 2}};
        auto side = [](const QDate &d) {
            return d.isValid() ? std::optional<QDate>(d) : std::nullopt;
        };
        const querycore::DaySpan s =
            querycore::chartSpan(side(start), side(end), "2024-03-01", "2024-03-20", runs);
        QCOMPARE(s.first, first);
        QCOMPARE(s.last, last);
        QCOMPARE(s.days(), first.daysTo(last) + 1);
        QVERIFY(!querycore::chartSpan({}, {}, "", "", {}).isValid());
    }
};

QTEST_GUILESS_MAIN(DailyRunsTest)
#include "tst_dailyruns.moc"
