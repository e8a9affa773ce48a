// The report page below its four summary rows: every user of the report with
// the number of runs, most runs first, and the chart of runs per day read
// back from daily.log, placed in a band under the table.
#include "mainwindow/mainwindow.h"

#include "ui_mainwindow.h"

#include "app/appenv.h"
#include "audit/querycore.h"
#include "widgets/dailychart.h"
#include "widgets/line_edit.h"

#include <QCalendarWidget>
#include <QTableWidget>

namespace {

// The four summary rows stay on top; the breakdown starts under them.
constexpr int kSummaryRows = 4;
// Height of the chart band at the bottom of the 452-pixel report page.
constexpr int kChartHeight = 150;
constexpr int kPageHeight = 452;

const QColor kHeadingBackground(0xEE, 0xF8, 0xF2);
const QColor kHeadingText(0x32, 0xB1, 0x6C);

} // namespace

void MainWindow::showRunsPerUser()
{
    QTableWidget *table = ui->tableWidget;
    // Drops the rows of an earlier report (and their heading's span).
    table->setRowCount(kSummaryRows);
    const QList<querycore::UserRuns> users = querycore::usersByRuns(userIds, execCounts);
    table->setRowCount(kSummaryRows + 1 + users.size());

    auto *heading = new QTableWidgetItem(tr("各用户执行次数"));
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    heading->setForeground(kHeadingText);
    heading->setBackground(kHeadingBackground);
    heading->setFlags(Qt::ItemIsEnabled);
    table->setItem(kSummaryRows, 0, heading);
    table->setSpan(kSummaryRows, 0, 1, 2);

    int row = kSummaryRows + 1;
    for (const querycore::UserRuns &user : users) {
        // Long names are cut with "…" in the cell; the table's tool tip
        // (showToolTip(), and the item's own on hover) shows them whole.
        auto *name = new QTableWidgetItem(user.user);
        name->setToolTip(user.user);
        table->setItem(row, 0, name);
        table->setItem(row, 1, new QTableWidgetItem(QString::number(user.runs)));
        ++row;
    }
    table->setTextElideMode(Qt::ElideRight);
}

void MainWindow::showDailyRuns()
{
    const QString all = tr("all");
    std::optional<QDate> start;
    std::optional<QDate> end;
    // The dates the search ran with (runAuditSearch() reads them the same way).
    if (startEdit->text() != all)
        start = startCalendar->selectedDate();
    if (endEdit->text() != all)
        end = endCalendar->selectedDate();

    const QMap<QDate, int> runs =
        querycore::readDailyRuns(appenv::dataFile(QStringLiteral("daily.log")));
    const querycore::DaySpan span =
        querycore::chartSpan(start, end, reportStartTime, reportEndTime, runs);

    if (!dailyChart) {
        dailyChart = new DailyChart(ui->content3);
        dailyChart->setObjectName(QStringLiteral("dailyChart"));
    }
    // No run at all: no chart, and the table keeps the whole page.
    if (runs.isEmpty() || !span.isValid()) {
        dailyChart->clear();
        dailyChart->hide();
        ui->tableWidget->setGeometry(0, 0, 421, kPageHeight);
        return;
    }
    ui->tableWidget->setGeometry(0, 0, 421, kPageHeight - kChartHeight);
    dailyChart->setGeometry(0, kPageHeight - kChartHeight, 420, kChartHeight);
    dailyChart->setRuns(span.first, querycore::runsPerDay(runs, span));
    dailyChart->show();
}
