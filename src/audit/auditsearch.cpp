// runAuditSearch(): the query form as an ausearch command line, run into
// result.log, followed by the statistics of statistics.cpp when the search
// finished. Returns the first command that did not finish, if any.
#include "mainwindow/mainwindow.h"

#include "ui_mainwindow.h"

#include "app/appenv.h"
#include "audit/querycore.h"
#include "audit/queryui.h"
#include "widgets/line_edit.h"

#include <QCalendarWidget>
#include <QDebug>
#include <QProcess>

using querycore::writeLine;

querycore::RunOutcome MainWindow::runAuditSearch()
{
    // A failed search must never leave the previous result behind.
    QProcess::execute(QStringLiteral("rm"),
                      {QStringLiteral("-f"), appenv::dataFile(QStringLiteral("result.log"))});

    const QString all = tr("all");
    const QString entry = ui->type_com->currentText();
    const QDate startDate = startCalendar->selectedDate();
    const QString startText = startEdit->text();
    const QString endText = endEdit->text();
    const QDate endDate = endCalendar->selectedDate();

    std::optional<QString> eventType;
    std::optional<QDate> start;
    std::optional<QDate> end;
    if (entry != all)
        eventType = entry;
    if (startText != all)
        start = startDate;
    if (endText != all)
        end = endDate;
    const querycore::SearchCommand command = querycore::composeSearchCommand(eventType, start, end);

    if (eventType) {
        writeLine("########################:wq");
        qDebug() << "Qs_even" << entry;
        writeLine("shijianleixing shi  " + entry.toUtf8());
    }
    writeLine("minglingshi " + command.head.toUtf8());
    if (start) {
        qDebug() << startDate.year() << startDate.month() << startDate.day();
        writeLine("starttime is " + querycore::searchDate(startDate).toUtf8());
    }
    qDebug() << endText << Qt::endl;
    if (end) {
        writeLine("you jieshu shij");
        writeLine("endtime is " + querycore::searchDate(endDate).toUtf8());
    }

    const QString commandLine = command.full();
    writeLine("部分的命令是  " + commandLine.toUtf8());
    querycore::RunOutcome search;
    search.run = querycore::runShell(commandLine);
    if (!search.run.started)
        writeLine("################");
    search.problem = querycore::toolProblem(search.run, querycore::writeContext(appenv::dataDir()));
    // A result.log that the search did not finish is no base for statistics.
    if (search.problem != querycore::RunProblem::None)
        return search;

    return extractStatistics();
}
