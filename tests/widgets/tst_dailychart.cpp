// The chart of runs per day on its own, offscreen: how days become bars on a
// long span, what is painted where, the tool tip of a bar, the days a click
// on a bar asks for, and its texts in English from the program's translation.
#include "widgets/dailychart.h"

#include <QHelpEvent>
#include <QToolTip>
#include <QTranslator>
#include <QtTest>

class DailyChartTest : public QObject
{
    Q_OBJECT

private slots:
    // Three years on a 420-pixel chart: days are grouped, no run is lost,
    // the groups follow each other without gap or overlap, and a group's tool
    // tip names its first and last day.
    void longSpanGroupsDays()
    {
        DailyChart chart;
        chart.resize(420, 150);
        const QDate first(2021, 1, 1);
        const QDate last(2023, 12, 31);
        QList<int> perDay(first.daysTo(last) + 1, 0);
        int total = 0;
        for (int i = 0; i < perDay.size(); i += 7) {
            perDay[i] = 1 + i % 5;
            total += perDay[i];
        }
        chart.setRuns(first, perDay);
        QVERIFY(chart.daysPerBar() > 1);
        QVERIFY(chart.barCount() * 2 <= 420);
        int sum = 0;
        for (int bar = 0; bar < chart.barCount(); ++bar) {
            sum += chart.barValue(bar);
            if (bar > 0)
                QCOMPARE(chart.barFirstDay(bar), chart.barLastDay(bar - 1).addDays(1));
            QVERIFY(chart.barColumn(bar).left() >= 0 && chart.barColumn(bar).right() < 420);
        }
        QCOMPARE(sum, total);
        QCOMPARE(chart.barFirstDay(0), first);
        QCOMPARE(chart.barLastDay(chart.barCount() - 1), last);
        QCOMPARE(chart.lastDayLabel(), QString("2023-12-31"));
        QCOMPARE(chart.barToolTip(0),
                 QString("2021-01-01 ~ %1：%2 次")
                     .arg(chart.barLastDay(0).toString(Qt::ISODate))
                     .arg(chart.barValue(0)));
        // A click on a group asks for all of its days.
        QSignalSpy clicked(&chart, &DailyChart::barClicked);
        QTest::mouseClick(&chart, Qt::LeftButton, {}, chart.barColumn(1).center());
        QCOMPARE(clicked.size(), 1);
        QCOMPARE(clicked.at(0).at(0).toDate(), chart.barFirstDay(1));
        QCOMPARE(clicked.at(0).at(1).toDate(), chart.barFirstDay(2).addDays(-1));
    }

    // Ten days, the highest on the last day: the value is written above it
    // inside the chart, an empty day is painted white, and hovering a bar
    // shows its day and count while hovering beside the bars shows nothing.
    void paintingAndToolTip()
    {
        DailyChart chart;
        chart.resize(420, 150);
        chart.setRuns(QDate(2024, 3, 1), {1, 2, 1, 0, 0, 3, 1, 1, 2, 7});
        chart.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chart));
        QCOMPARE(chart.barCount(), 10);
        QCOMPARE(chart.highestBar(), 9);
        const QRect value = chart.highestValueRect();
        QVERIFY(chart.rect().contains(value));
        QVERIFY(value.bottom() < chart.barRect(9).top());
        QCOMPARE(chart.barRect(3), QRect());
        QCOMPARE(chart.barRect(9).height(), chart.barColumn(9).height());
        QVERIFY(chart.barRect(0).height() * 7 <= chart.barRect(9).height() + 7);

        const QImage shot = chart.grab().toImage();
        QCOMPARE(shot.pixelColor(chart.barRect(1).center()), QColor("#32B16C"));
        QCOMPARE(shot.pixelColor(chart.barColumn(4).center()), QColor(Qt::white));
        // Something is written over the highest bar.
        bool inked = false;
        for (int x = value.left(); x <= value.right() && !inked; ++x)
            for (int y = value.top(); y <= value.bottom() && !inked; ++y)
                inked = shot.pixelColor(x, y) != QColor(Qt::white);
        QVERIFY(inked);

        const QPoint onBar = chart.barColumn(1).center();
        QHelpEvent help(QEvent::ToolTip, onBar, chart.mapToGlobal(onBar));
        QApplication::sendEvent(&chart, &help);
        QTRY_COMPARE(QToolTip::text(), QString("2024-03-02：2 次"));
        QCOMPARE(chart.barAt(QPoint(2, onBar.y())), -1);
        QHelpEvent beside(QEvent::ToolTip, QPoint(2, onBar.y()),
                          chart.mapToGlobal(QPoint(2, onBar.y())));
        QApplication::sendEvent(&chart, &beside);
        QTRY_VERIFY(!QToolTip::isVisible());

        // A left click on a bar with runs asks for its day; a click on an
        // empty day, beside the bars or with another button asks for nothing.
        QSignalSpy clicked(&chart, &DailyChart::barClicked);
        QTest::mouseClick(&chart, Qt::LeftButton, {}, chart.barColumn(4).center());
        QTest::mouseClick(&chart, Qt::LeftButton, {}, QPoint(2, onBar.y()));
        QTest::mouseClick(&chart, Qt::RightButton, {}, onBar);
        QCOMPARE(clicked.size(), 0);
        QTest::mouseClick(&chart, Qt::LeftButton, {}, onBar);
        QCOMPARE(clicked.size(), 1);
        QCOMPARE(clicked.at(0).at(0).toDate(), QDate(2024, 3, 2));
        QCOMPARE(clicked.at(0).at(1).toDate(), QDate(2024, 3, 2));

        chart.clear();
        QCOMPARE(chart.barCount(), 0);
        QCOMPARE(chart.barAt(onBar), -1);
    }

    // The English translation carries the chart's texts, singular and plural.
    void english()
    {
        QTranslator translator;
        QVERIFY(translator.load(QStringLiteral(KVR_BUILD_DATA_DIR "/locale/en_US.qm")));
        QCoreApplication::installTranslator(&translator);
        DailyChart chart;
        chart.resize(420, 150);
        chart.setRuns(QDate(2024, 3, 1), {1, 2});
        const QString title = chart.title();
        const QString one = chart.barToolTip(0);
        const QString two = chart.barToolTip(1);
        QCoreApplication::removeTranslator(&translator);
        QCOMPARE(title, QString("Runs per day"));
        QCOMPARE(one, QString("2024-03-01: 1 run"));
        QCOMPARE(two, QString("2024-03-02: 2 runs"));
    }
};

QTEST_MAIN(DailyChartTest)
#include "tst_dailychart.moc"
