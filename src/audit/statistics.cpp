// extractStatistics(): result.log condensed into tongji.log by three shell
// pipelines (first date, last date, records per user).
#include "mainwindow/mainwindow.h"

#include "audit/querycore.h"

void MainWindow::extractStatistics()
{
    for (const QString &commandLine : querycore::statisticsCommands()) {
        if (!querycore::runShell(commandLine).started)
            querycore::writeLine("################");
    }
}
