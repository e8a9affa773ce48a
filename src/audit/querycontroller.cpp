// on_query_btn_clicked(): the query form turned into the overall summary list
// or the query report table, in three steps: validate the form, run the
// commands, show the result page (or the message that says why there is none).
#include "mainwindow/mainwindow.h"

#include "ui_mainwindow.h"

#include "app/appenv.h"
#include "app/startupchecks.h"
#include "audit/emptycause.h"
#include "audit/querycore.h"
#include "audit/queryui.h"
#include "mainwindow/inputguard.h"
#include "widgets/line_edit.h"

#include <QCalendarWidget>
#include <QDebug>
#include <QHeaderView>
#include <QListWidget>
#include <QTableWidget>

using querycore::writeLine;

namespace {

const char kExportButtonStyle[] = "QPushButton{border-image:url(:/pics/anniu.png);color:white;}";

// The date a non-marker field stands for: its text when that is a date, which
// the calendar then shows as its selection. Empty when the text is no date.
std::optional<QDate> fieldDate(line_edit *field, QCalendarWidget *calendar)
{
    const std::optional<QDate> date = querycore::parseFieldDate(field->text());
    if (!date)
        return std::nullopt;
    calendar->setSelectedDate(*date);
    // A date outside the calendar's range is not taken by it.
    if (calendar->selectedDate() != *date)
        return std::nullopt;
    return date;
}

} // namespace

void MainWindow::on_query_btn_clicked()
{
    const std::optional<QueryRequest> request = validateQuery();
    if (!request)
        return;

    queryui::BusyCursor busy;

    if (request->isOverallSummary()) {
        const querycore::RunOutcome summary = runOverallSummary();
        // Clicks and keys queued while the commands ran are dropped.
        inputGuard->arm();
        // A summary of a trail that could not be read, or one cut short,
        // would show as a list of too few events.
        if (summary.problem != querycore::RunProblem::None) {
            showRunProblem(summary);
            return;
        }
        showOverallSummary();
        return;
    }

    const querycore::RunOutcome search = runAuditSearch();
    inputGuard->arm();
    if (search.problem != querycore::RunProblem::None) {
        showRunProblem(search);
        resetQueryForm();
        return;
    }
    if (!buildReport()) {
        resetQueryForm();
        return;
    }
    showReport();
}

std::optional<MainWindow::QueryRequest> MainWindow::validateQuery()
{
    const QString all = tr("all");
    const QString startText = startEdit->text();
    const QString endText = endEdit->text();
    const QString entry = ui->type_com->currentText();
    QueryRequest request;
    if (entry != all)
        request.eventType = entry;

    // A date field holds "all" or a date the search can take; when it holds
    // neither, the user is told and the query stops.
    auto readDate = [&](const QString &text, line_edit *field, QCalendarWidget *calendar,
                        std::optional<QDate> *date, const QString &invalid) {
        if (text == all)
            return true;
        *date = fieldDate(field, calendar);
        if (!*date)
            queryui::showMessage(this, tr("警告"), invalid);
        return date->has_value();
    };
    if (!readDate(startText, startEdit, startCalendar, &request.start,
                  tr("开始时间无效，请按 年-月-日 输入 1970 至 2068 年间的日期或从日历中选择"))
        || !readDate(endText, endEdit, endCalendar, &request.end,
                     tr("结束时间无效，请按 年-月-日 输入 1970 至 2068 年间的日期或从日历中选择")))
        return std::nullopt;

    if (request.start && request.end && *request.start >= *request.end) {
        queryui::showMessage(this, tr("警告"), tr("选择的时间有误，开始时间应早于结束时间"));
        return std::nullopt;
    }

    // The working files are written as root through shell redirections: a
    // link planted since start-up must not redirect them.
    if (!startupchecks::dataDirStillSafe(this))
        return std::nullopt;
    // The commands write their results into the data directory; without it
    // every result would be lost and look like an empty audit trail.
    if (!appenv::ensureDataDirWritable()) {
        queryui::showMessage(this, tr("警告"),
                             tr("无法写入工作目录") + QLatin1Char('\n') + appenv::dataDir());
        return std::nullopt;
    }
    return request;
}

querycore::RunOutcome MainWindow::runOverallSummary()
{
    const QString commandLine = querycore::summaryCommand();
    writeLine("zongtishenjibaogao daochumingl" + commandLine.toUtf8());
    querycore::RunOutcome summary;
    summary.run = querycore::runShell(commandLine);
    if (!summary.run.started)
        writeLine("#################");
    writeLine("@@@@@@@@@@@@@@@@@@@@@@@@@@@@");
    summary.problem =
        querycore::toolProblem(summary.run, querycore::writeContext(appenv::dataDir()));
    return summary;
}

void MainWindow::showRunProblem(const querycore::RunOutcome &outcome)
{
    using querycore::RunProblem;
    QString text;
    switch (outcome.problem) {
    case RunProblem::None:
        return;
    case RunProblem::Unreadable:
        // Tells a trail that was never written apart from one that cannot be read.
        text = emptycause::unreadableTrailText();
        break;
    case RunProblem::TooLarge:
        text = tr("审计日志过大，无法在有限的内存和临时空间内完成统计，未生成报告。");
        break;
    case RunProblem::NoSpace:
        text = tr("工作目录已没有剩余空间，查询没有完成，未生成报告：") + QLatin1Char('\n')
            + appenv::dataDir();
        break;
    case RunProblem::OutputLimit:
        text = tr("查询结果超出了文件大小限制，查询没有完成，未生成报告。");
        break;
    case RunProblem::Stopped:
        text = tr("查询被中止（信号 %1），没有完成，未生成报告。").arg(outcome.run.signal);
        break;
    case RunProblem::Failed:
        text = tr("查询命令失败（退出状态 %1），没有完成，未生成报告。").arg(outcome.run.exitCode);
        break;
    }
    queryui::showMessage(this, tr("审计报告"), text);
}

void MainWindow::showOverallSummary()
{
    showPageSet(PageSet::OverallSummary);
    ui->export_btn->setStyleSheet(QLatin1String(kExportButtonStyle));
    ui->export_btn->setText(tr("导出报告"));
    ui->titlelabel_2->setText(tr("审计报告"));

    bool opened = false;
    const QList<QByteArray> lines =
        querycore::readSummaryLines(appenv::dataFile(QStringLiteral("all_report.log")), &opened);
    ui->listWidget->clear();
    int row = 0;
    for (const QByteArray &line : lines) {
        writeLine("meihangsujushi " + line);
        qDebug() << "line_data" << QString::fromUtf8(line);
        ui->listWidget->insertItem(row, QString::fromLocal8Bit(line));
        ++row;
    }
}

void MainWindow::resetQueryForm()
{
    writeLine("fanhuizhuye");
    const QString all = tr("all");
    startEdit->setText(all);
    endEdit->setText(all);
    // The text changes above show the calendars; both end hidden.
    startCalendar->hide();
    endCalendar->hide();
}

void MainWindow::showReport()
{
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

    const QString values[4] = {
        reportStartTime + QStringLiteral(" ~ ") + reportEndTime,
        QString::number(recordCount),
        lastUserId(),
        lastExecCount(),
    };
    for (int row = 0; row < 4; ++row)
        table->setItem(row, 1, new QTableWidgetItem(values[row]));
    showRunsPerUser();
    showDailyRuns();

    printSummaryTable();
}

QString MainWindow::lastUserId() const
{
    return userIds.isEmpty() ? QString() : userIds.last();
}

QString MainWindow::lastExecCount() const
{
    return execCounts.isEmpty() ? QString() : QString::number(execCounts.last(), 10);
}

void MainWindow::printSummaryTable()
{
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 2; ++column) {
            const QTableWidgetItem *item = ui->tableWidget->item(row, column);
            writeLine(item ? item->text().toUtf8() : QByteArray());
        }
    }
}
