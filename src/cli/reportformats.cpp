// The table of report writers of `--report` (see reportformats.h).
#include "cli/reportformats.h"

#include "export/exportcore.h"

namespace reportformats {

namespace {

const Writer kWriters[] = {
    {"doc", &writeDoc},
};

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
