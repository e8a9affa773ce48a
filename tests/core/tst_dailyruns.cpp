// The days a chart of runs per day covers.
#include "audit/querycore.h"

#include <QtTest>

class DailyRunsTest : public QObject
{
    Q_OBJECT

private slots:
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
