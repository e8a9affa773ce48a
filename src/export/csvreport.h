#pragma once
// The CSV exports: the runs of a query report, one row per run, and the
// figures of the overall summary. RFC 4180 text in UTF-8 with a byte-order
// mark, written so that no cell taken from the trail can act as a formula.

#include "export/reportdata.h"

#include <QByteArray>
#include <QString>

namespace csvreport {

// One field: a value a spreadsheet would read as a formula (starting with
// "=", "+", "-", "@", a tab or a carriage return) gets a leading "'"; a value
// holding '"', ",", CR or LF is quoted, its quotes doubled.
QByteArray field(const QString &value);

// "time,login_user,acting_user,host,terminal,result,command" and one row per
// run: the time in ISO 8601 with the offset of the report's zone, the names
// and the command as the window shows them, the result as
// success/refused/failed. CRLF line ends.
QByteArray runs(const reportdata::QueryReport &report);

// "figure,value" and one row per figure of the summary, the time-range lines
// included.
QByteArray summary(const reportdata::SummaryReport &report);

} // namespace csvreport
