// The table of report writers of `--report` (see reportformats.h).
#include "cli/reportformats.h"

#include "export/csvreport.h"
#include "export/exportcore.h"
#include "export/htmlreport.h"
#include "export/reportdata.h"

#include <QCoreApplication>

namespace reportformats {

namespace {

const Writer kWriters[] = {
    {"doc", &writeDoc},
    {"csv", &writeCsv},
    {"html", &writeHtml},
};

// The event type as the window's type box names it.
QString commandShown(const Report &report)
{
    return report.request.eventType.value_or(QCoreApplication::translate("MainWindow", "all"));
}

} // namespace

bool writeDoc(const Report &report, QByteArray *bytes)
{
    switch (report.kind) {
    case Report::Kind::OverallSummary:
        // The awk program of the window's summary export, on all_report.log.
        *bytes = exportcore::summaryExportText();
        return !bytes->isEmpty();
    case Report::Kind::QueryReport:
        *bytes = report.text;
        return true;
    case Report::Kind::Empty:
        *bytes = querycore::reportText(QString(), QString(), 0, {}, {});
        return true;
    }
    return false;
}

bool writeCsv(const Report &report, QByteArray *bytes)
{
    if (report.kind == Report::Kind::OverallSummary)
        *bytes = csvreport::summary(reportdata::summaryFromReport(report));
    else
        *bytes = csvreport::runs(reportdata::fromReport(report, commandShown(report)));
    return true;
}

bool writeHtml(const Report &report, QByteArray *bytes)
{
    if (report.kind == Report::Kind::OverallSummary)
        *bytes = htmlreport::summary(reportdata::summaryFromReport(report));
    else
        *bytes = htmlreport::query(reportdata::fromReport(report, commandShown(report)));
    return true;
}

const Writer *find(const QString &name)
{
    for (const Writer &writer : kWriters) {
        if (name == QLatin1String(writer.name))
            return &writer;
    }
    return nullptr;
}

QStringList names()
{
    QStringList all;
    for (const Writer &writer : kWriters)
        all << QLatin1String(writer.name);
    return all;
}

} // namespace reportformats
