#pragma once
// The formats `--report` writes a report in, as a table of writers: `doc` is
// what the window's export writes. A new format is one more row.

#include "audit/report.h"

#include <QByteArray>
#include <QStringList>

namespace reportformats {

struct Writer {
    const char *name; // the value of --format
    // The bytes of `report` in this format; false when they could not be made.
    bool (*write)(const Report &report, QByteArray *bytes);
};

// The writer named `name`, or nullptr.
const Writer *find(const QString &name);
// The names of every format, in the table's order.
QStringList names();

// `doc`: the overall summary as the export reformats all_report.log of the
// data directory, a query report as its temp_report text, and a query that
// found nothing as that text with no range, 0 records and no user.
bool writeDoc(const Report &report, QByteArray *bytes);
// `csv`: every run of the report, one row each (the overall summary: one row
// per figure); `html`: one self-contained page of the report or summary.
bool writeCsv(const Report &report, QByteArray *bytes);
bool writeHtml(const Report &report, QByteArray *bytes);

} // namespace reportformats
