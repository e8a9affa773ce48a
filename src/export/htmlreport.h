#pragma once
// The HTML exports: one self-contained, printable page per report in the
// window's language, with every value from the trail escaped.

#include "export/reportdata.h"

#include <QByteArray>
#include <QString>

namespace htmlreport {

// `text` with &, <, >, " and ' written as character references.
QString escaped(const QString &text);

// The query report: its command and the period asked, the machine, when it
// was made, the audit logs read and their span, the four summary rows, the
// table per user with refusals and failures, the runs per day as an inline
// SVG chart and the table of runs. UTF-8, no script, nothing fetched.
QByteArray query(const reportdata::QueryReport &report);

// The overall summary: the machine, when it was made, the logs read and every
// figure of all_report.log.
QByteArray summary(const reportdata::SummaryReport &report);

} // namespace htmlreport
