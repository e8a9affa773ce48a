// The report page under its four summary rows, end to end: the real window
// offscreen, the project's audit tools on a written trail, the per-user rows
// with refusals, the chart of runs per day, and the runs windows they open.
#include "audit/displaytext.h"
#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"
#include "widgets/dailychart.h"
#include "widgets/line_edit.h"
#include "widgets/runsmodel.h"
#include "widgets/runswindow.h"
#include "widgets/wraplabel.h"

#include "files.h"
#include "modalwatch.h"
#include "queryworld.h"
#include "windowaccess.h"

#include <QCalendarWidget>
#include <QLabel>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextDocumentFragment>
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
        // su: 5005 ran it once and was refused twice over two days, 5006
        // was refused once (su's own USER_AUTH records, no exec).
        events << Event{at(2019, 9, 5, 10), "/bin/su", 5005}
               << Event{at(2019, 9, 5, 11), "refused /bin/su", 5005}
               << Event{at(2019, 9, 6, 12), "refused /bin/su", 5005}
               << Event{at(2019, 9, 6, 13), "refused /bin/su", 5006};
        std::stable_sort(events.begin(), events.end(),
                         [](const Event &a, const Event &b) { return a.at < b.at; });
        QByteArray trail;
        int serial = 100;
        for (const Event &e : events) {
            if (e.program.startsWith("refused "))
                trail += testsupport::userRecord("USER_AUTH", e.at.toSecsSinceEpoch(), serial,
                                                 serial + 1, e.auid, e.program.mid(8), "failed");
            else
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

        DailyChart *chart = A::chart(w);
        QVERIFY(chart && !chart->isHidden());
        QCOMPARE(chartValues(chart), QList<int>{3});
        QCOMPARE(chart->firstDayLabel(), QString("2019-06-10"));
        QCOMPARE(chart->lastDayLabel(), QString("2019-06-10"));
        // Table, chart and the legend under it share the page without overlapping.
        const auto *legend = A::ui(w)->content3->findChild<WrapLabel *>("runsLegend");
        QCOMPARE(table->geometry().bottom() + 1, chart->geometry().top());
        QCOMPARE(chart->geometry().bottom() + 1, legend->geometry().top());
        QCOMPARE(legend->geometry().bottom(), 452 - 1); // the page's last row
        QVERIFY(legend->x() > 0 && legend->geometry().right() < chart->geometry().right());
        QVERIFY(legend->height() >= legend->heightForWidth(legend->width()));
        QCOMPARE(chart->width(), 420);
    }

    // Ties sorted by name, a range over the turn of a year with empty days at
    // both ends and in between; the runs file's days, the rows and the chart
    // agree.
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

        QVERIFY(readAll(data("runs.log"))
                    .endsWith("# day 2019-12-30 2\n# day 2019-12-31 2\n# day 2020-01-02 4\n"));
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
        QTRY_COMPARE(QTextDocumentFragment::fromHtml(QToolTip::text()).toPlainText(), name);
    }

    // The figures of each user with their refusals and what "success" means
    // under them; the runs behind them open from the details button (not
    // for "all", whose count holds events), a user's row and a day's bar.
    void runsBehindTheFigures_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("runs");      // rows of the runs window; -1: none opens
        QTest::addColumn<QString>("scope"); // its scope line
        QTest::newRow("details: every run") << "su"
                                            << "details" << 4 << "全部运行";
        QTest::newRow("double click on a user's row")
            << "su"
            << "row" << 3 << "登录用户：" + userName(5005);
        QTest::newRow("click on a day's bar") << "su"
                                              << "bar" << 2 << "2019-09-06";
        QTest::newRow("all counts events: no details") << "all"
                                                       << "details" << -1 << "";
        QTest::newRow("all: a row opens nothing") << "all"
                                                  << "row" << -1 << "";
    }
    void runsBehindTheFigures()
    {
        QFETCH(QString, type);
        QFETCH(QString, how);
        QFETCH(int, runs);
        QFETCH(QString, scope);
        MainWindow w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QDate start = type == "all" ? QDate(2019, 9, 5) : QDate();
        QCOMPARE(query(w, type, start, start.addDays(1)), QStringList());
        QTableWidget *table = A::ui(w)->tableWidget;
        const auto *legend = A::ui(w)->content3->findChild<WrapLabel *>("runsLegend");
        auto *details = A::ui(w)->title3->findChild<QPushButton *>("details_btn");
        QVERIFY(details);
        QCOMPARE(details->isVisible(), runs >= 0);
        if (type == "su") {
            QCOMPARE(
                userRows(w),
                (QStringList{userName(5005) + " 3（拒绝 2）", userName(5006) + " 1（拒绝 1）"}));
            QCOMPARE(legend->text(), runfigures::successLegend());
        } else {
            QCOMPARE(userRows(w).size(), 2); // counts of events, without results
            QVERIFY(!userRows(w).join(' ').contains("拒绝"));
        }
        QCOMPARE(legend->isVisible(), type == "su");

        // Clicks right after a page change are dropped on purpose.
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        if (how == "details") {
            if (details->isVisible())
                details->click();
        } else if (how == "row") {
            // What a double click delivers: press, release, double click.
            const QRect cell = table->visualItemRect(table->item(5, 0));
            QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
            QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());
        } else {
            DailyChart *chart = A::chart(w);
            QCOMPARE(chart->barFirstDay(1), QDate(2019, 9, 6));
            QTest::mouseClick(chart, Qt::LeftButton, {}, chart->barColumn(1).center());
        }
        const QList<RunsWindow *> windows = w.findChildren<RunsWindow *>();
        QCOMPARE(windows.size(), runs >= 0 ? 1 : 0);
        if (runs < 0)
            return;
        QVERIFY(windows[0]->isWindow() && windows[0]->isVisible());
        QCOMPARE(windows[0]->windowTitle(), "运行明细 — " + type);
        QCOMPARE(windows[0]->runsModel()->rowCount(), runs);
        QCOMPARE(windows[0]->scopeText(), scope);
        // The main window keeps its size and its report page.
        QCOMPARE(w.size(), QSize(422, 592));
        QCOMPARE(A::pages(w), (QList<int>{2, 2, 1}));
    }

    // A click on a count cell leaves the first column where it is, and the
    // next report starts at the table's left edge and top.
    void countCellKeepsFirstColumn()
    {
        MainWindow w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(query(w, "useradd"), QStringList());
        QTableWidget *table = A::ui(w)->tableWidget;
        QTRY_VERIFY(table->verticalScrollBar()->isVisible());
        // Clicks right after a page change are dropped on purpose.
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        table->scrollToItem(table->item(30, 0));
        const QRect cell = table->visualItemRect(table->item(30, 1));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
        // A view scrolls to a clicked cell once the double-click interval is over.
        QTest::qWait(QApplication::doubleClickInterval() + 200);
        QCOMPARE(table->visualItemRect(table->item(0, 0)).left(), 0);
        QCOMPARE(table->columnWidth(0), 170);
        table->horizontalScrollBar()->setValue(table->horizontalScrollBar()->maximum());
        A::ui(w)->btn->click();
        QCOMPARE(query(w, "chown"), QStringList());
        QCOMPARE(table->horizontalScrollBar()->value(), 0);
        QCOMPARE(table->verticalScrollBar()->value(), 0);
    }

    // A query without any run: the empty-report message, the form stays, and
    // the runs per day of the earlier report are gone, so no chart can come
    // of them.
    void noRun()
    {
        MainWindow w;
        QCOMPARE(query(w, "sudo"), QStringList());
        QVERIFY(readAll(data("runs.log")).contains("\n# day "));
        A::ui(w)->fan_btn->click();
        const QStringList messages = query(w, "shutdown");
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].contains("审计报告为空或未开启审计规则！"), qPrintable(messages[0]));
        QCOMPARE(A::ui(w)->contentStackedWidget->currentIndex(), 0);
        QVERIFY(readAll(data("runs.log")).startsWith("# kvr-auditreport runs 1\n"));
        QVERIFY(!readAll(data("runs.log")).contains("\n# day "));
        QVERIFY(!A::chart(w)->isVisible());
    }
};

QTEST_MAIN(PerUserTest)
#include "tst_peruser.moc"
