// Dates mean one thing: the search passes two-digit years, which the audit
// tools read as 1969 to 2068, so the window takes only four-digit years from
// 1970 to 2068, typed or picked, and names the field of any other date.
#include "audit/querycore.h"
#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"
#include "widgets/line_edit.h"

#include "modalwatch.h"
#include "windowaccess.h"

#include <QCalendarWidget>
#include <QTemporaryDir>
#include <QtTest>

using A = MainWindowTestAccess;

class DatesTest : public QObject
{
    Q_OBJECT
    QTemporaryDir work;

private slots:
    void initTestCase()
    {
        QVERIFY(work.isValid());
        // A data directory below a plain file cannot be made: a query whose
        // dates pass ends at that check, so no command ever runs here.
        QFile(work.filePath("file")).open(QIODevice::WriteOnly);
        qputenv("KVR_AUDITREPORT_DATA_DIR", QFile::encodeName(work.filePath("file/data")));
    }

    void typedDates_data()
    {
        QTest::addColumn<QString>("startText");
        QTest::addColumn<QString>("endText");
        QTest::addColumn<QString>("message");
        QTest::newRow("two-digit end year") << "2024-3-5"
                                            << "24-3-10"
                                            << "结束时间无效";
        QTest::newRow("two-digit start year") << "24-3-5"
                                              << "2024-3-10"
                                              << "开始时间无效";
        QTest::newRow("1960 read as 2060") << "1960-1-1"
                                           << "all"
                                           << "开始时间无效";
        QTest::newRow("end 2099-12-31 read as 1999") << "2024-1-1"
                                                     << "2099-12-31"
                                                     << "结束时间无效";
        QTest::newRow("day before the range") << "1969-12-31"
                                              << "all"
                                              << "开始时间无效";
        QTest::newRow("day after the range") << "all"
                                             << "2069-1-1 "
                                             << "结束时间无效";
        QTest::newRow("five-digit year") << "all"
                                         << "02024-1-1"
                                         << "结束时间无效";
        QTest::newRow("first and last day") << "1970-1-1"
                                            << "2068-12-31 "
                                            << "无法写入工作目录";
        QTest::newRow("four-digit years in order") << "2024-3-5 "
                                                   << "2024-03-10"
                                                   << "无法写入工作目录";
        QTest::newRow("one day") << "2024-3-5 "
                                 << "2024-03-05"
                                 << "无法写入工作目录";
        QTest::newRow("range backwards") << "2024-3-10"
                                         << "2024-3-5"
                                         << "开始时间应早于结束时间";
    }
    // Typed dates: what the check accepts is what the search gets.
    void typedDates()
    {
        QFETCH(QString, startText);
        QFETCH(QString, endText);
        QFETCH(QString, message);
        MainWindow w;
        A::edit(w, DateField::Start)->setText(startText);
        A::edit(w, DateField::End)->setText(endText);
        const QStringList messages =
            modalwatch::messagesOf([&] { A::ui(w)->query_btn->click(); }, work.filePath("out"));
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].contains(message), qPrintable(messages[0]));
        if (message.endsWith("无效"))
            QVERIFY2(messages[0].contains("1970") && messages[0].contains("2068"),
                     qPrintable(messages[0]));
    }

    // The calendars offer no day outside the range: a picked 2099-12-31
    // cannot happen, and the field shows only four-digit years.
    void calendarRange()
    {
        MainWindow w;
        for (bool start : {true, false}) {
            QCalendarWidget *calendar = A::calendar(w, start ? DateField::Start : DateField::End);
            QCOMPARE(calendar->minimumDate(), QDate(1970, 1, 1));
            QCOMPARE(calendar->maximumDate(), QDate(2068, 12, 31));
            calendar->setSelectedDate(QDate(2099, 12, 31));
            QCOMPARE(calendar->selectedDate(), QDate(2068, 12, 31));
            QMetaObject::invokeMethod(&w, start ? "ok" : "deadok");
            QCOMPARE(A::edit(w, start ? DateField::Start : DateField::End)->text(),
                     QString("2068-12-31 "));
        }
        // And the search writes the boundary days with the years the tools
        // read back as 1970 and 2068.
        QCOMPARE(querycore::searchDate(QDate(1970, 1, 1)), QString("1/1/70"));
        QCOMPARE(querycore::searchDate(QDate(2068, 12, 31)), QString("12/31/68"));
    }
};

QTEST_MAIN(DatesTest)
#include "tst_dates.moc"
