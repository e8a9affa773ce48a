// The result pages filled from a Report: the overall summary list, and the
// query report table with its four summary rows, every user's runs under
// them and the chart of runs per day in a band below; the table's tool tip.
#include "mainwindow/mainwindow.h"

#include "ui_mainwindow.h"

#include "audit/trace.h"
#include "widgets/dailychart.h"

#include <QCursor>
#include <QHeaderView>
#include <QListWidget>
#include <QTableWidget>
#include <QToolTip>

#include <cstdio>

namespace {

const char kExportButtonStyle[] = "QPushButton{border-image:url(:/pics/anniu.png);color:white;}";

// The four summary rows stay on top; the breakdown starts under them.
constexpr int kSummaryRows = 4;
// Height of the chart band at the bottom of the 452-pixel report page.
constexpr int kChartHeight = 150;
constexpr int kPageHeight = 452;

const QColor kHeadingBackground(0xEE, 0xF8, 0xF2);
const QColor kHeadingText(0x32, 0xB1, 0x6C);

} // namespace

void MainWindow::showOverallSummary(const Report &summary)
{
    showPageSet(PageSet::OverallSummary);
    ui->export_btn->setStyleSheet(QLatin1String(kExportButtonStyle));
    ui->export_btn->setText(tr("导出报告"));
    ui->titlelabel_2->setText(tr("审计报告"));

    ui->listWidget->clear();
    int row = 0;
    for (const QByteArray &line : summary.summaryLines)
        ui->listWidget->insertItem(row++, QString::fromLocal8Bit(line));
}

void MainWindow::showReport(const Report &queryReport)
{
    report = queryReport;
    showPageSet(PageSet::QueryReport);
    ui->tableWidget->setStyleSheet(
        QStringLiteral("QTableWidget#tableWidget{background-color:white;}"));
    ui->other_btn->setStyleSheet(QLatin1String(kExportButtonStyle));
    ui->other_btn->setText(tr("导出报告"));
    ui->titlelabel_3->setText(tr("审计报告"));

    QTableWidget *table = ui->tableWidget;
    table->verticalHeader()->hide();
    table->horizontalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setColumnWidth(0, 170);
    table->setColumnWidth(1, 250);
    table->setRowHeight(2, 55);
    // The two columns fill the page but for the frame's two pixels; a scroll
    // bar for those would only cover the page's bottom.
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    const QString values[kSummaryRows] = {
        report.startTime + QStringLiteral(" ~ ") + report.endTime,
        QString::number(report.recordCount),
        lastUserId(),
        lastExecCount(),
    };
    for (int row = 0; row < kSummaryRows; ++row)
        table->setItem(row, 1, new QTableWidgetItem(values[row]));
    showRunsPerUser();
    showDailyRuns();

    printSummaryTable();
}

QString MainWindow::lastUserId() const
{
    return report.lastUserId();
}

QString MainWindow::lastExecCount() const
{
    return report.lastExecCount();
}

void MainWindow::printSummaryTable()
{
    for (int row = 0; row < kSummaryRows; ++row) {
        for (int column = 0; column < 2; ++column) {
            const QTableWidgetItem *item = ui->tableWidget->item(row, column);
            trace::line(item ? item->text().toUtf8() : QByteArray());
        }
    }
}

void MainWindow::showRunsPerUser()
{
    QTableWidget *table = ui->tableWidget;
    // Drops the rows of an earlier report (and their heading's span).
    table->setRowCount(kSummaryRows);
    const QList<querycore::UserRuns> users =
        querycore::usersByRuns(report.userIds, report.execCounts);
    table->setRowCount(kSummaryRows + 1 + static_cast<int>(users.size()));

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
    if (!dailyChart) {
        dailyChart = new DailyChart(ui->content3);
        dailyChart->setObjectName(QStringLiteral("dailyChart"));
    }
    const querycore::DaySpan &span = report.chartSpan;
    // No run at all: no chart, and the table keeps the whole page.
    if (report.dailyRuns.isEmpty() || !span.isValid()) {
        dailyChart->clear();
        dailyChart->hide();
        ui->tableWidget->setGeometry(0, 0, 421, kPageHeight);
        return;
    }
    ui->tableWidget->setGeometry(0, 0, 421, kPageHeight - kChartHeight);
    dailyChart->setGeometry(0, kPageHeight - kChartHeight, 420, kChartHeight);
    dailyChart->setRuns(span.first, querycore::runsPerDay(report.dailyRuns, span));
    dailyChart->show();
}

void MainWindow::showToolTip(QModelIndex index)
{
    if (!index.isValid()) {
        trace::raw("Invalid index");
        return;
    }
    QToolTip::showText(QCursor::pos(), index.data(Qt::DisplayRole).toString());
}
