#pragma once
// What a written report (CSV or HTML) holds: plain values, filled from a
// query's Report (fromReport, summaryFromReport), so that the writers need no
// widget and no working file.

#include "audit/report.h"
#include "audit/runfigures.h"
#include "audit/runsfile.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTimeZone>

#include <optional>

namespace reportdata {

// Where the figures come from and when they were made.
struct Origin {
    QString hostName;       // this machine
    QDateTime madeAt;       // when the report was made
    QStringList trailFiles; // the audit logs read, in reading order
    QDateTime trailFirst;   // time of the first record of those files (invalid: unknown)
    QDateTime trailLast;    // time of the last one
};

// A query report: one command (or all of them) over the period asked.
struct QueryReport {
    QString command;                 // the event type as shown, or the all marker
    std::optional<QDate> askedStart; // the period asked; an empty side is open
    std::optional<QDate> askedEnd;
    Origin origin;
    QTimeZone zone = QTimeZone::systemTimeZone(); // the zone of every time written
    struct Row {
        QString label;
        QString value;
    };
    QList<Row> summaryRows;               // rows 0 to 3 of the report table, as shown
    QList<runfigures::UserFigures> users; // per user, in the order shown
    QDate firstDay;                       // the runs per day from firstDay on
    QList<int> perDay;
    QList<runsfile::Run> runs; // every run, in time order
};

// The overall summary: the lines of all_report.log as
// querycore::readSummaryLines gives them.
struct SummaryReport {
    Origin origin;
    QList<QByteArray> lines;
};

// A line of the overall summary taken apart: "涉及用户总数: 4" gives the
// figure "涉及用户总数" and the value "4"; a time-range line
// ("日志时间范围: A - B") its label and the whole range. Lines that are no
// figure (the title, the rule, empty lines) are left out.
struct SummaryFigure {
    QString figure;
    QString value;
};
QList<SummaryFigure> summaryFigures(const QList<QByteArray> &lines);

// This machine, now, and the trail files and span the search wrote into its
// runs file.
Origin originOf(const runsfile::RunsFile &runs);

// The written form of a query's report as the window shows it: `command` is
// the event type as shown (the all marker for every type); rows 0 to 3 with
// the table's labels, the users as the table lists them (with refusals and
// failures where the runs file counts the same runs), the runs per day of the
// chart, every run in time order. An empty report has rows without values.
QueryReport fromReport(const Report &report, const QString &command);
// The written form of an overall summary.
SummaryReport summaryFromReport(const Report &report);

} // namespace reportdata
