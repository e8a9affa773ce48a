// Writes the CSV exports: the runs of a query report and the figures of the
// overall summary, every cell quoted and neutralised as a spreadsheet needs.
#include "export/csvreport.h"

#include "audit/displaytext.h"

namespace csvreport {

namespace {

const QByteArray kBom = "\xEF\xBB\xBF";
const QByteArray kEol = "\r\n";

void appendRow(QByteArray &out, std::initializer_list<QString> values)
{
    bool first = true;
    for (const QString &value : values) {
        if (!first)
            out += ',';
        out += field(value);
        first = false;
    }
    out += kEol;
}

} // namespace

QByteArray field(const QString &value)
{
    QString text = value;
    // A lone "-" (no value) is no formula; anything longer starting with one
    // of these may be, in some spreadsheet (OWASP's advice on CSV injection).
    if (!text.isEmpty() && text != QLatin1String("-")) {
        const QChar c = text.front();
        if (c == QLatin1Char('=') || c == QLatin1Char('+') || c == QLatin1Char('-')
            || c == QLatin1Char('@') || c == QLatin1Char('\t') || c == QLatin1Char('\r'))
            text.prepend(QLatin1Char('\''));
    }
    const bool quote = text.contains(QLatin1Char('"')) || text.contains(QLatin1Char(','))
        || text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
    if (!quote)
        return text.toUtf8();
    text.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return '"' + text.toUtf8() + '"';
}

QByteArray runs(const reportdata::QueryReport &report)
{
    QByteArray out = kBom + "time,login_user,acting_user,host,terminal,result,command" + kEol;
    runfigures::ZoneClock clock(report.zone);
    for (const runsfile::Run &run : report.runs) {
        appendRow(out,
                  {clock.isoTime(run.timeMs), displaytext::name(run.loginUser),
                   displaytext::name(run.actingUser),
                   displaytext::name(runfigures::hostOf(run, report.origin.hostName)),
                   displaytext::name(run.terminal), runfigures::resultKey(run.result),
                   displaytext::text(run.command)});
    }
    return out;
}

QByteArray summary(const reportdata::SummaryReport &report)
{
    QByteArray out = kBom + "figure,value" + kEol;
    for (const reportdata::SummaryFigure &figure : reportdata::summaryFigures(report.lines))
        appendRow(out, {displaytext::text(figure.figure), displaytext::text(figure.value)});
    return out;
}

} // namespace csvreport
