// The result pages filled from a Report: the overall summary list, and the
// query report table with its four summary rows, every user's runs under
// them (with refusals and failures), the chart of runs per day in a band
// below and what "success" means under it; the table's tool tip; the runs
// window opened from the report, a user's row or a day bar.
#include "mainwindow/mainwindow.h"

#include "ui_mainwindow.h"

#include "audit/displaytext.h"
#include "audit/trace.h"
#include "widgets/dailychart.h"
#include "widgets/runswindow.h"
#include "widgets/wraplabel.h"

#include <QCoreApplication>
#include <QCursor>
#include <QHeaderView>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QToolTip>

#include <cstdio>

namespace {

const char kExportButtonStyle[] = "QPushButton{border-image:url(:/pics/anniu.png);color:white;}";

// The four summary rows stay on top; the breakdown starts under them.
constexpr int kSummaryRows = 4;
// Height of the chart band at the bottom of the 452-pixel report page.
constexpr int kChartHeight = 136;
constexpr int kPageHeight = 452;

const QColor kHeadingBackground(0xEE, 0xF8, 0xF2);
const QColor kHeadingText(0x32, 0xB1, 0x6C);
// The legend band under the chart: its margins and at most this height.
constexpr int kLegendMargin = 6;
constexpr int kLegendMaxHeight = 96;
// The login user of a per-user row, as the runs file writes it.
constexpr int kLoginUserRole = Qt::UserRole + 1;

} // namespace

void MainWindow::setUpReportPage()
{
    // "明细" beside "导出报告": every run of the report in a window of its own.
    detailsButton = new QPushButton(ui->title3);
    detailsButton->setObjectName(QStringLiteral("details_btn"));
    detailsButton->setGeometry(ui->other_btn->geometry().translated(-86, 0));
    detailsButton->setStyleSheet(QLatin1String(kExportButtonStyle));
    detailsButton->setText(tr("明细"));
    detailsButton->setToolTip(tr("查看每一次运行"));
    connect(detailsButton, &QPushButton::clicked, this,
            [this] { openRuns(runfigures::Scope::all()); });

    dailyChart = new DailyChart(ui->content3);
    dailyChart->setObjectName(QStringLiteral("dailyChart"));
    dailyChart->hide();
    connect(dailyChart, &DailyChart::barClicked, this,
            [this](const QDate &first, const QDate &last) {
                openRuns(runfigures::Scope::days(first, last));
            });

    runsLegend = new WrapLabel(ui->content3);
    runsLegend->setObjectName(QStringLiteral("runsLegend"));
    runsLegend->setStyleSheet(QStringLiteral("color:#777777;background-color:white;"));
    runsLegend->hide();

    QTableWidget *table = ui->tableWidget;
    // A click on a cell must not scroll the table sideways (clipping the
    // first column): the columns keep their widths and nothing scrolls by itself.
    table->setAutoScroll(false);
    connect(table, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
        const QTableWidgetItem *name = ui->tableWidget->item(row, 0);
        if (row > kSummaryRows && name && name->data(kLoginUserRole).isValid())
            openRuns(runfigures::Scope::user(name->data(kLoginUserRole).toString()));
    });
}

void MainWindow::openRuns(const runfigures::Scope &scope)
{
    // The overall count of "all" holds events, not runs: nothing to open.
    if (!report.request.eventType)
        return;
    RunsWindow::open(*report.request.eventType, report.runs, scope, this);
}

void MainWindow::showOverallSummary(const Report &summary)
{
    overallSummary = summary;
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
    // Every report starts at its top left, whatever the last one was scrolled to.
    table->horizontalScrollBar()->setValue(0);
    table->scrollToTop();
    // The overall count of "all" holds events, not runs: no runs to show.
    detailsButton->setVisible(report.request.eventType.has_value());

    const QString values[kSummaryRows] = {
        report.startTime + QStringLiteral(" ~ ") + report.endTime,
        QString::number(report.recordCount),
        displaytext::name(lastUserId()),
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
    QHash<QString, int> rowOfUser;
    for (int i = 0; i < report.userIds.size(); ++i)
        rowOfUser.insert(report.userIds.at(i), i);
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
        const QString shown = displaytext::name(user.user);
        auto *name = new QTableWidgetItem(shown);
        name->setToolTip(displaytext::plainToolTip(shown));
        name->setData(kLoginUserRole, user.user);
        table->setItem(row, 0, name);
        const QString figure = report.userFigureText(rowOfUser.value(user.user, -1));
        auto *runs = new QTableWidgetItem(figure);
        runs->setToolTip(displaytext::plainToolTip(figure));
        table->setItem(row, 1, runs);
        ++row;
    }
    table->setTextElideMode(Qt::ElideRight);
}

void MainWindow::showDailyRuns()
{
    // At the page's foot: why the runs cannot be shown, or else what
    // "success" means, whenever there are per-user rows to read it by.
    QString legend = report.runsProblem;
    if (legend.isEmpty() && !report.userIds.isEmpty() && report.request.eventType)
        legend = runfigures::successLegend();
    runsLegend->setText(legend);
    const int legendWidth = 420 - 2 * kLegendMargin;
    const int legendHeight = legend.isEmpty()
        ? 0
        : std::min(kLegendMaxHeight, runsLegend->heightForWidth(legendWidth) + kLegendMargin);
    runsLegend->setGeometry(kLegendMargin, kPageHeight - legendHeight, legendWidth, legendHeight);
    runsLegend->setVisible(!legend.isEmpty());
    const int above = kPageHeight - legendHeight;

    const querycore::DaySpan &span = report.chartSpan;
    // No run at all: no chart, and the table keeps the page.
    if (report.dailyRuns.isEmpty() || !span.isValid()) {
        dailyChart->clear();
        dailyChart->hide();
        ui->tableWidget->setGeometry(0, 0, 421, above);
        return;
    }
    ui->tableWidget->setGeometry(0, 0, 421, above - kChartHeight);
    dailyChart->setGeometry(0, above - kChartHeight, 420, kChartHeight);
    dailyChart->setRuns(span.first, querycore::runsPerDay(report.dailyRuns, span));
    dailyChart->show();
}

void MainWindow::showToolTip(QModelIndex index)
{
    if (!index.isValid()) {
        trace::raw("Invalid index");
        return;
    }
    QToolTip::showText(QCursor::pos(),
                       displaytext::plainToolTip(index.data(Qt::DisplayRole).toString()));
}
