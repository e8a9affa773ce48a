// extractStatistics(): result.log condensed into tongji.log by three shell
// pipelines (first date, last date, records per user), and the runs of each
// day into daily.log by a fourth that runs alongside them. A pipeline that
// does not finish (its last command's status, a signal) ends the statistics.
#include "mainwindow/mainwindow.h"

#include "app/appenv.h"
#include "audit/querycore.h"

querycore::RunOutcome MainWindow::extractStatistics()
{
    const querycore::WriteContext context = querycore::writeContext(appenv::dataDir());
    // The runs per day read result.log once more; started first and waited
    // for last, that reading overlaps with the three pipelines' own.
    FILE *daily = querycore::startShell(querycore::dailyCommand());
    if (!daily)
        querycore::writeLine("################");
    querycore::RunOutcome outcome;
    for (const QString &commandLine : querycore::statisticsCommands()) {
        outcome.run = querycore::runShell(commandLine);
        if (!outcome.run.started)
            querycore::writeLine("################");
        outcome.problem = querycore::pipelineProblem(outcome.run, context);
        if (outcome.problem != querycore::RunProblem::None)
            break;
    }
    const querycore::ShellRun dailyRun = querycore::finishShell(daily);
    if (outcome.problem == querycore::RunProblem::None && daily) {
        outcome.problem = querycore::pipelineProblem(dailyRun, context);
        if (outcome.problem != querycore::RunProblem::None)
            outcome.run = dailyRun;
    }
    return outcome;
}
