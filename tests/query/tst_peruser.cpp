// The report page under its four summary rows, end to end: the real window
// offscreen, the project's audit tools on a written trail, the fourth
// pipeline's daily.log, the per-user rows and the chart of runs per day.
#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"
#include "widgets/dailychart.h"
#include "widgets/line_edit.h"

#include "files.h"
#include "modalwatch.h"
#include "queryworld.h"
#include "windowaccess.h"

#include <QCalendarWidget>
#include <QLabel>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QToolTip>
#include <QtTest>

#include <pwd.h>

using A = MainWindowTestAccess;

namespace {

using testsupport::readAll;

// The name the audit tools print for a login uid.
QString userName(uint uid)
{
    const passwd *pw = ::getpwuid(uid);
    return pw ? QString::fromUtf8(pw->pw_name) : QString::number(uid);
}

struct Event {
    QDateTime at;
    QString program;
    uint auid;
};

} // namespace

class PerUserTest : public QObject
{
    Q_OBJECT
    QTemporaryDir work;
    QString dataDir;

    QString data(const QString &name) const { return dataDir + '/' + name; }

    // Runs a query of `type` (dates as given, an invalid one meaning "all")
    // with every dialog closed; returns the texts of the dialogs shown.
    QStringList query(MainWindow &w, const QString &type, const QDate &start = {},
                      const QDate &end = {})
    {
        if (start.isValid())
            A::pickDate(w, DateField::Start, start);
        if (end.isValid())
            A::pickDate(w, DateField::End, end);
        A::ui(w)->type_com->setCurrentText(type);
        return modalwatch::closingDialogs([&] { A::ui(w)->query_btn->click(); });
    }
    static QString cell(MainWindow &w, int row, int column)
    {
        const QTableWidgetItem *item = A::ui(w)->tableWidget->item(row, column);
        return item ? item->text() : QString();
    }
    // Rows 5 and on as "user count" texts.
    static QStringList userRows(MainWindow &w)
    {
        QStringList rows;
        for (int row = 5; row < A::ui(w)->tableWidget->rowCount(); ++row)
            rows << cell(w, row, 0) + ' ' + cell(w, row, 1);
        return rows;
    }
    static QList<int> chartValues(DailyChart *chart)
    {
        QList<int> values;
        for (int bar = 0; bar < chart->barCount(); ++bar)
            values << chart->barValue(bar);
        return values;
    }

private slots:
    void initTestCase()
    {
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
        QVERIFY(work.isValid());
        dataDir = work.filePath("data");

        QList<Event> events;
        auto at = [](int y, int m, int d, int h) {
            return QDateTime(QDate(y, m, d), QTime(h, 0), Qt::UTC);
        };
        // sudo: root only, three runs on one day.
        for (int h : {1, 9, 23})
            events << Event{at(2019, 6, 10, h), "/usr/bin/sudo", 0};
        // chown across the turn of the year, nothing on 2020-01-01: 5003 three
        // times, 5001 and 5002 twice each (a tie), root once.
        events << Event{at(2019, 12, 30, 8), "/bin/chown", 5001}
               << Event{at(2019, 12, 30, 9), "/bin/chown", 5003}
               << Event{at(2019, 12, 31, 23), "/bin/chown", 5002}
               << Event{at(2019, 12, 31, 23), "/bin/chown", 5003}
               << Event{at(2020, 1, 2, 0), "/bin/chown", 5001}
               << Event{at(2020, 1, 2, 5), "/bin/chown", 5002}
               << Event{at(2020, 1, 2, 6), "/bin/chown", 0}
               << Event{at(2020, 1, 2, 7), "/bin/chown", 5003};
        // useradd: a hundred users on two days, the last ten twice.
        for (uint i = 0; i < 100; ++i) {
            events << Event{at(2019, 8, 1, int(i % 24)), "/usr/sbin/useradd", 6000 + i};
            if (i >= 90)
                events << Event{at(2019, 8, 3, int(i % 24)), "/usr/sbin/useradd", 6000 + i};
        }
        std::stable_sort(events.begin(), events.end(),
                         [](const Event &a, const Event &b) { return a.at < b.at; });
        QByteArray trail;
        int serial = 100;
        for (const Event &e : events) {
            trail += testsupport::execRun(e.at.toSecsSinceEpoch(), serial, serial + 1, e.auid,
                                          e.program);
            ++serial;
        }
        testsupport::setUpQueryWorld(dataDir, work.filePath("trail.log"), trail);
    }

    // One user on one day, both dates left open: one row, one bar, and the
    // four summary rows as before. A second report replaces the rows of the first.
    void oneUserOneDay()
    {
        MainWindow w;
        QCOMPARE(query(w, "useradd"), QStringList());
        QCOMPARE(A::ui(w)->tableWidget->rowCount(), 4 + 1 + 100);
        QCOMPARE(query(w, "sudo"), QStringList());
        QCOMPARE(A::ui(w)->contentStackedWidget->currentIndex(), 2);
        QTableWidget *table = A::ui(w)->tableWidget;
        QCOMPARE(table->rowCount(), 6);
        QCOMPARE(cell(w, 0, 0) + cell(w, 0, 1), QString("时间范围：2019-06-10 ~ 2019-06-10"));
        QCOMPARE(cell(w, 1, 1) + cell(w, 2, 1) + cell(w, 3, 1), "3" + userName(0) + "3");
        QCOMPARE(cell(w, 4, 0), QString("各用户执行次数"));
        QCOMPARE(table->columnSpan(4, 0), 2);
        QCOMPARE(userRows(w), QStringList{userName(0) + " 3"});

        QCOMPARE(readAll(data("daily.log")), QByteArray("2019-06-10 3\n"));
        DailyChart *chart = A::chart(w);
        QVERIFY(chart && !chart->isHidden());
        QCOMPARE(chartValues(chart), QList<int>{3});
        QCOMPARE(chart->firstDayLabel(), QString("2019-06-10"));
        QCOMPARE(chart->lastDayLabel(), QString("2019-06-10"));
        // Table and chart share the page without overlapping.
        QCOMPARE(table->geometry().bottom() + 1, chart->geometry().top());
        QCOMPARE(chart->geometry().bottom(), 452 - 1); // the page's last row
        QCOMPARE(chart->width(), 420);
    }

    // Ties sorted by name, a range over the turn of a year with empty days at
    // both ends and in between; daily.log, the rows and the chart agree.
    void tiesAcrossTheYear()
    {
        MainWindow w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(query(w, "chown", QDate(2019, 12, 28), QDate(2020, 1, 3)), QStringList());
        QStringList expected{userName(5003) + " 3"};
        QStringList tied{userName(5001) + " 2", userName(5002) + " 2"};
        std::sort(tied.begin(), tied.end());
        expected << tied << userName(0) + " 1";
        QCOMPARE(userRows(w), expected);
        QCOMPARE(cell(w, 1, 1), QString("8"));

        QCOMPARE(readAll(data("daily.log")),
                 QByteArray("2019-12-30 2\n2019-12-31 2\n2020-01-02 4\n"));
        DailyChart *chart = A::chart(w);
        QVERIFY(chart && chart->isVisible());
        QCOMPARE(chartValues(chart), (QList<int>{0, 0, 2, 2, 0, 4, 0}));
        QCOMPARE(chart->firstDayLabel() + ' ' + chart->lastDayLabel(),
                 QString("2019-12-28 2020-01-03"));
        QCOMPARE(chart->highestBar(), 5);
        QCOMPARE(chart->barToolTip(4), QString("2020-01-01：0 次"));

        // What is painted: the highest bar green, the empty first of January white.
        const QImage shot = chart->grab().toImage();
        QCOMPARE(shot.pixelColor(chart->barRect(5).center()), QColor("#32B16C"));
        QCOMPARE(shot.pixelColor(chart->barColumn(4).center()), QColor(Qt::white));
        QVERIFY(chart->barRect(2).height() < chart->barRect(5).height());
    }

    // A hundred users: every one listed, the most runs first, and the table
    // scrolls down to the last of them.
    void hundredUsersScroll()
    {
        MainWindow w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(query(w, "useradd"), QStringList());
        QTableWidget *table = A::ui(w)->tableWidget;
        const QStringList rows = userRows(w);
        QCOMPARE(rows.size(), 100);
        QStringList twice;
        for (uint uid = 6090; uid < 6100; ++uid)
            twice << userName(uid);
        std::sort(twice.begin(), twice.end());
        QCOMPARE(rows.first(), twice.first() + " 2");
        QCOMPARE(rows.mid(0, 10).filter(QRegularExpression(" 2$")).size(), 10);
        QCOMPARE(rows.mid(10).filter(QRegularExpression(" 1$")).size(), 90);
        QTRY_VERIFY(table->verticalScrollBar()->isVisible());
        QVERIFY(table->verticalScrollBar()->maximum() > 0);
        table->scrollToItem(table->item(104, 0));
        QVERIFY(table->viewport()->rect().contains(table->visualItemRect(table->item(104, 0))));
        QCOMPARE(chartValues(A::chart(w)), (QList<int>{100, 0, 10}));
    }

    // A name wider than its cell is cut in the cell and whole in the tool tip.
    void longName()
    {
        MainWindow w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(query(w, "sudo"), QStringList());
        const QString name = "a-very-long-service-account-name-" + QString(40, 'x');
        A::setUsers(w, {name, "bob"}, {2, 5});
        QTableWidget *table = A::ui(w)->tableWidget;
        QCOMPARE(userRows(w), (QStringList{"bob 5", name + " 2"}));
        QVERIFY(table->fontMetrics().horizontalAdvance(name) > table->columnWidth(0));
        QCOMPARE(table->textElideMode(), Qt::ElideRight);
        A::toolTip(w, table->model()->index(6, 0));
        QTRY_COMPARE(QToolTip::text(), name);
    }

    // A query without any run: the empty-report message, the form stays, and
    // daily.log of the earlier report is gone, so no chart can come of it.
    void noRun()
    {
        MainWindow w;
        QCOMPARE(query(w, "sudo"), QStringList());
        QVERIFY(!readAll(data("daily.log")).isEmpty());
        A::ui(w)->fan_btn->click();
        const QStringList messages = query(w, "shutdown");
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].contains("审计报告为空或未开启审计规则！"), qPrintable(messages[0]));
        QCOMPARE(A::ui(w)->contentStackedWidget->currentIndex(), 0);
        QVERIFY(QFile::exists(data("daily.log")));
        QCOMPARE(readAll(data("daily.log")), QByteArray());
        QVERIFY(!A::chart(w)->isVisible());
    }
};

QTEST_MAIN(PerUserTest)
#include "tst_peruser.moc"
