#pragma once
// What a finished query yields, as a value: the overall summary's lines, or
// the report's four summary rows with every user's runs, the runs of each
// day and the report text written to temp_report, or the message of a query
// that found nothing. The window shows it; `--report` writes it out.

#include "audit/querycore.h"
#include "audit/queryrequest.h"
#include "audit/runfigures.h"
#include "audit/runsfile.h"

#include <QByteArray>
#include <QDate>
#include <QHash>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

struct Report {
    enum class Kind {
        OverallSummary, // the lines of all_report.log
        QueryReport,    // a report of the runs found
        Empty,          // the query found nothing: only emptyText
    };
    Kind kind = Kind::Empty;
    QueryRequest request;

    // Overall summary: every line of all_report.log and the empty line after
    // the last (what the list shows); empty when the file could not be read.
    QList<QByteArray> summaryLines;

    // Query report: the first and last record dates, each user with the
    // number of runs (in the order of tongji.log), their total.
    QString startTime;
    QString endTime;
    QStringList userIds;
    QList<int> execCounts;
    int recordCount = 0;
    // The runs of each day (the runs file's "# day" lines) and the days a
    // chart of them covers.
    QMap<QDate, int> dailyRuns;
    querycore::DaySpan chartSpan;
    // The bytes of temp_report, which the window's export copies.
    QByteArray text;

    // The runs behind the figures: runs.log as the search wrote it (also
    // read for an empty report, for the trail's files and span), each login
    // user's runs, refusals and failures from it, and why it cannot be shown
    // whole (empty when it can).
    runsfile::RunsFile runs;
    QHash<QString, runfigures::UserFigures> figuresByUser;
    QString runsProblem;

    // Empty: the system's message, with its cause when one was found.
    QString emptyText;

    // The last user and that user's count (rows 2 and 3 of the table); empty
    // when there is no user.
    QString lastUserId() const { return userIds.isEmpty() ? QString() : userIds.last(); }
    QString lastExecCount() const
    {
        return execCounts.isEmpty() ? QString() : QString::number(execCounts.last(), 10);
    }
    // The figure of user row `row` as a per-user row shows it: the count of
    // tongji.log, with the refusals and failures of that user's runs ("5（拒绝 5）")
    // when the runs file counts the same runs for the user; the bare count
    // otherwise, so that a figure never mixes two sources.
    QString userFigureText(int row) const
    {
        const int count = execCounts.value(row);
        const auto found = figuresByUser.constFind(userIds.value(row));
        if (found != figuresByUser.constEnd() && found->runs == count)
            return runfigures::userFiguresText(*found);
        return QString::number(count);
    }
};
