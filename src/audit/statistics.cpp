// extractStatistics(): result.log condensed into tongji.log by three shell
// pipelines (first date, last date, records per user), and the runs of each
// day into daily.log by a fourth.
#include "mainwindow/mainwindow.h"

#include "audit/querycore.h"

void MainWindow::extractStatistics()
{
    for (const QString &commandLine : querycore::statisticsCommands()) {
        if (!querycore::runShell(commandLine).started)
            querycore::writeLine("################");
    }
    if (!querycore::runShell(querycore::dailyCommand()).started)
        querycore::writeLine("################");
}
