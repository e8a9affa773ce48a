// extractStatistics(): result.log condensed into tongji.log by three shell
// pipelines (first date, last date, records per user), and the runs of each
// day into daily.log by a fourth that runs alongside them.
#include "mainwindow/mainwindow.h"

#include "audit/querycore.h"

void MainWindow::extractStatistics()
{
    // The runs per day read result.log once more; started first and waited
    // for last, that reading overlaps with the three pipelines' own.
    FILE *daily = querycore::startShell(querycore::dailyCommand());
    if (!daily)
        querycore::writeLine("################");
    for (const QString &commandLine : querycore::statisticsCommands()) {
        if (!querycore::runShell(commandLine).started)
            querycore::writeLine("################");
    }
    querycore::finishShell(daily);
}
