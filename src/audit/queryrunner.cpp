// The query road from a request to a report (see queryrunner.h): the overall
// summary, or the search, its statistics and the report built from them.
#include "audit/queryrunner.h"

#include "app/appenv.h"
#include "audit/emptycause.h"
#include "audit/trace.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>

using querycore::RunProblem;
using trace::line;

void QueryProgress::setStage(Stage stage)
{
    // Each tool reports its own trail reading from the start; the figures of
    // the search stay while its result is counted.
    if (stage == Stage::Searching || stage == Stage::Summarizing) {
        totalBytes.store(-1);
        readBytes.store(0);
    }
    stageValue.store(static_cast<int>(stage));
}

void QueryProgress::setBytes(qint64 read, qint64 total)
{
    totalBytes.store(total);
    readBytes.store(read);
}

QueryRunner::QueryRunner(QueryProgress *shared) : QueryRunner(shared, Settings())
{
}

QueryRunner::QueryRunner(QueryProgress *shared, Settings chosen)
    : progress(shared ? shared : &ownProgress), settings(chosen)
{
}

processrunner::Options QueryRunner::options(bool withProgress)
{
    processrunner::Options options;
    options.stopSwitch = progress->stopSwitch();
    options.showErrors = settings.showCommandErrors;
    if (withProgress) {
        QueryProgress *shared = progress;
        options.onProgress = [shared](qint64 read, qint64 total) { shared->setBytes(read, total); };
    }
    return options;
}

bool QueryRunner::cancelled(QueryOutcome *outcome) const
{
    if (!progress->isCancelled())
        return false;
    outcome->problem = RunProblem::Cancelled;
    return true;
}

QueryOutcome QueryRunner::run(const QueryRequest &request)
{
    QueryOutcome outcome = request.isOverallSummary() ? runSummary(request) : runSearch(request);
    outcome.report.request = request;
    return outcome;
}

QueryOutcome QueryRunner::runSummary(const QueryRequest &request)
{
    QueryOutcome outcome;
    progress->setStage(QueryProgress::Stage::Summarizing);
    const QString summaryFile = appenv::dataFile(QStringLiteral("all_report.log"));
    // A summary that does not finish must never show an earlier one.
    processrunner::run({QStringLiteral("rm"), QStringLiteral("-f"), summaryFile}, options(false));

    const QString commandLine = querycore::summaryCommand();
    line("zongtishenjibaogao daochumingl" + commandLine.toUtf8());
    outcome.run = processrunner::runShell(commandLine, options(true));
    if (!outcome.run.started && !outcome.run.stopped)
        line("#################");
    line("@@@@@@@@@@@@@@@@@@@@@@@@@@@@");
    outcome.problem =
        querycore::toolProblem(outcome.run, querycore::writeContext(appenv::dataDir()));
    // A summary of a trail that could not be read, or one cut short, would
    // show as a list of too few events.
    if (!outcome.finished() || cancelled(&outcome))
        return outcome;

    bool opened = false;
    outcome.report.kind = Report::Kind::OverallSummary;
    outcome.report.request = request;
    outcome.report.summaryLines = querycore::readSummaryLines(summaryFile, &opened);
    for (const QByteArray &summaryLine : outcome.report.summaryLines) {
        line("meihangsujushi " + summaryLine);
        qDebug() << "line_data" << QString::fromUtf8(summaryLine);
    }
    return outcome;
}

QueryOutcome QueryRunner::runSearch(const QueryRequest &request)
{
    QueryOutcome outcome;
    progress->setStage(QueryProgress::Stage::Searching);
    // A failed or cancelled search must never leave an earlier search's
    // result, statistics or runs behind.
    QStringList remove{QStringLiteral("rm"), QStringLiteral("-f")};
    for (const char *name : {"result.log", "tongji.log", "runs.log"})
        remove << appenv::dataFile(QLatin1String(name));
    processrunner::run(remove, options(false));

    const querycore::SearchCommand command =
        querycore::composeSearchCommand(request.eventType, request.start, request.end);
    if (request.eventType) {
        line("########################:wq");
        qDebug() << "Qs_even" << *request.eventType;
        line("shijianleixing shi  " + request.eventType->toUtf8());
    }
    line("minglingshi " + command.head.toUtf8());
    if (request.start) {
        qDebug() << request.start->year() << request.start->month() << request.start->day();
        line("starttime is " + querycore::searchDate(*request.start).toUtf8());
    }
    // The end as its date field shows it, the all marker included.
    qDebug() << (request.end ? request.end->toString(QStringLiteral("yyyy-M-d "))
                             : QCoreApplication::translate("MainWindow", "all"))
             << Qt::endl;
    if (request.end) {
        line("you jieshu shij");
        line("endtime is " + querycore::searchDate(*request.end).toUtf8());
    }

    const QString commandLine = command.full();
    line("部分的命令是  " + commandLine.toUtf8());
    // The search writes its runs beside result.log, in the same pass.
    processrunner::Options searchOptions = options(true);
    searchOptions.environment << QStringLiteral("KVR_AUDITREPORT_RUNS=")
            + appenv::dataFile(QStringLiteral("runs.log"));
    outcome.run = processrunner::runShell(commandLine, searchOptions);
    if (!outcome.run.started && !outcome.run.stopped)
        line("################");
    outcome.problem =
        querycore::toolProblem(outcome.run, querycore::writeContext(appenv::dataDir()));
    // A result.log that the search did not finish is no base for statistics.
    if (!outcome.finished() || cancelled(&outcome))
        return outcome;

    outcome = runStatistics();
    if (!outcome.finished() || cancelled(&outcome))
        return outcome;
    return buildReport(request);
}

QueryOutcome QueryRunner::runStatistics()
{
    progress->setStage(QueryProgress::Stage::Counting);
    const querycore::WriteContext context = querycore::writeContext(appenv::dataDir());
    QueryOutcome outcome;
    for (const QString &commandLine : querycore::statisticsCommands()) {
        outcome.run = processrunner::runShell(commandLine, options(false));
        if (!outcome.run.started && !outcome.run.stopped)
            line("################");
        outcome.problem = querycore::pipelineProblem(outcome.run, context);
        if (!outcome.finished())
            return outcome;
    }
    return outcome;
}

QueryOutcome QueryRunner::buildReport(const QueryRequest &request)
{
    progress->setStage(QueryProgress::Stage::Reporting);
    QueryOutcome outcome;
    Report &report = outcome.report;
    report.request = request;
    const QString tongji = appenv::dataFile(QStringLiteral("tongji.log"));

    const querycore::TongjiCount counted = querycore::countTongjiLines(tongji);
    for (int length : counted.lineLengths)
        line("zifuchuan" + QByteArray::number(length));
    line("hangshushi " + QByteArray::number(counted.count));
    report.runs = runsfile::read(appenv::dataFile(QStringLiteral("runs.log")));
    if (counted.count != 3) {
        line("tongjiweikong");
        // The system's message, and the cause when one can be established.
        const QString program =
            querycore::eventTypePath(request.eventType.value_or(QString()).toUtf8()).trimmed();
        report.kind = Report::Kind::Empty;
        report.emptyText =
            QCoreApplication::translate("MainWindow", "审计报告为空或未开启审计规则！");
        // A trail that holds records, none of them matching, says so with
        // its span; the daemon's state or a missing rule is a cause only
        // where the period asked overlaps that span.
        bool outsideSpan = false;
        if (report.runs.trailFirstMs && report.runs.trailLastMs) {
            const QDate first = QDateTime::fromMSecsSinceEpoch(*report.runs.trailFirstMs).date();
            const QDate last = QDateTime::fromMSecsSinceEpoch(*report.runs.trailLastMs).date();
            outsideSpan =
                (request.start && *request.start > last) || (request.end && *request.end < first);
            report.emptyText += QLatin1Char('\n')
                + QCoreApplication::translate(
                      "MainWindow", "审计日志中有 %1 至 %2 的记录，其中没有符合查询条件的记录。")
                      .arg(first.toString(Qt::ISODate), last.toString(Qt::ISODate));
        }
        if (!outsideSpan) {
            if (const QString cause =
                    emptycause::causeText(emptycause::establish(program), program);
                !cause.isEmpty())
                report.emptyText += QLatin1Char('\n') + cause;
        }
        return outcome;
    }

    const querycore::TongjiData data = querycore::readTongji(tongji);
    if (!data.opened)
        line("open file failed");
    report.startTime = data.startTime;
    report.endTime = data.endTime;
    line(report.startTime.toUtf8() + "    " + report.endTime.toUtf8());
    // Each report lists its own users only, and counts all their records.
    report.userIds = data.userIds;
    report.execCounts = data.execCounts;
    for (int i = 0; i < report.userIds.size(); ++i) {
        line(report.userIds.at(i).toUtf8());
        line(QByteArray::number(report.execCounts.at(i)));
    }
    report.recordCount = data.totalRecords();
    if (request.eventType) {
        for (const runfigures::UserFigures &figures : runfigures::perUser(report.runs.runs))
            report.figuresByUser.insert(figures.user, figures);
        report.runsProblem = runsfile::problemText(report.runs);
        // Figures from two sources are never mixed: where the runs file
        // counts other runs than tongji.log, the rows show the bare counts
        // and the page says why.
        bool agree = report.runs.isComplete();
        for (int i = 0; agree && i < report.userIds.size(); ++i)
            agree =
                report.figuresByUser.value(report.userIds.at(i)).runs == report.execCounts.at(i);
        if (report.runsProblem.isEmpty() && !agree)
            report.runsProblem = QCoreApplication::translate(
                "MainWindow", "运行明细与报告的执行次数不一致，未显示拒绝和失败的次数。");
    }
    report.text = querycore::reportText(report.startTime, report.endTime, report.recordCount,
                                        report.userIds, report.execCounts);
    // The export copies this file: a report that it does not hold is no report.
    if (!querycore::writeFile(appenv::dataFile(QStringLiteral("temp_report")), report.text)) {
        outcome.problem = RunProblem::ReportUnwritable;
        return outcome;
    }
    // The search counted its runs per day in the runs file; a file that is
    // not whole gives no chart rather than part of one.
    if (report.runs.isComplete())
        report.dailyRuns = report.runs.runsPerDay;
    report.chartSpan = querycore::chartSpan(request.start, request.end, report.startTime,
                                            report.endTime, report.dailyRuns);
    report.kind = Report::Kind::QueryReport;
    return outcome;
}
