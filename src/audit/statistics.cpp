// extractStatistics(): result.log condensed into tongji.log by three shell
// pipelines (first date, last date, records per user). A pipeline that does
// not finish (its last command's status, a signal) ends the statistics.
#include "mainwindow/mainwindow.h"

#include "app/appenv.h"
#include "audit/querycore.h"

querycore::RunOutcome MainWindow::extractStatistics()
{
    querycore::RunOutcome outcome;
    for (const QString &commandLine : querycore::statisticsCommands()) {
        outcome.run = querycore::runShell(commandLine);
        if (!outcome.run.started)
            querycore::writeLine("################");
        outcome.problem = querycore::pipelineProblem(
            outcome.run, querycore::writeContext(appenv::dataDir()));
        if (outcome.problem != querycore::RunProblem::None)
            break;
    }
    return outcome;
}
