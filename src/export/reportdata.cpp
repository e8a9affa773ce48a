// Takes the lines of the overall summary apart into figures and values for
// the CSV and HTML exports.
#include "export/reportdata.h"

#include "audit/displaytext.h"

#include <QCoreApplication>
#include <QSysInfo>

#include <algorithm>

namespace reportdata {

QList<SummaryFigure> summaryFigures(const QList<QByteArray> &lines)
{
    QList<SummaryFigure> figures;
    for (const QByteArray &bytes : lines) {
        const QString line = QString::fromUtf8(bytes).trimmed();
        // The title and its rule carry no figure.
        if (line.isEmpty() || line == QStringLiteral("审计日志总体报告")
            || line.count(QLatin1Char('=')) == line.size())
            continue;
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon < 0)
            figures.append({line, QString()});
        else
            figures.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
    }
    return figures;
}

Origin originOf(const runsfile::RunsFile &runs)
{
    Origin origin;
    origin.hostName = QSysInfo::machineHostName();
    origin.madeAt = QDateTime::currentDateTime();
    origin.trailFiles = runs.trailFiles;
    if (runs.trailFirstMs && runs.trailLastMs) {
        origin.trailFirst = QDateTime::fromMSecsSinceEpoch(*runs.trailFirstMs);
        origin.trailLast = QDateTime::fromMSecsSinceEpoch(*runs.trailLastMs);
    }
    return origin;
}

QueryReport fromReport(const Report &report, const QString &command)
{
    QueryReport written;
    written.command = command;
    written.askedStart = report.request.start;
    written.askedEnd = report.request.end;
    written.origin = originOf(report.runs);
    const bool filled = report.kind == Report::Kind::QueryReport;
    // The labels of the report table's first four rows.
    const QString labels[] = {
        QCoreApplication::translate("MainWindow", "时间范围："),
        QCoreApplication::translate("MainWindow", "记录条数："),
        QCoreApplication::translate("MainWindow", "用户ID ："),
        QCoreApplication::translate("MainWindow", "执行次数："),
    };
    const QString values[] = {
        filled ? report.startTime + QStringLiteral(" ~ ") + report.endTime : QString(),
        filled ? QString::number(report.recordCount) : QString(),
        displaytext::name(report.lastUserId()),
        report.lastExecCount(),
    };
    for (int row = 0; row < 4; ++row)
        written.summaryRows.append({labels[row], values[row]});
    for (const querycore::UserRuns &user :
         querycore::usersByRuns(report.userIds, report.execCounts)) {
        const auto found = report.figuresByUser.constFind(user.user);
        if (found != report.figuresByUser.constEnd() && found->runs == user.runs)
            written.users.append(*found);
        else
            written.users.append({user.user, user.runs, 0, 0});
    }
    if (report.chartSpan.isValid() && !report.dailyRuns.isEmpty()) {
        written.firstDay = report.chartSpan.first;
        written.perDay = querycore::runsPerDay(report.dailyRuns, report.chartSpan);
    }
    written.runs = report.runs.runs;
    std::stable_sort(written.runs.begin(), written.runs.end(),
                     [](const runsfile::Run &a, const runsfile::Run &b) {
                         return a.timeMs != b.timeMs ? a.timeMs < b.timeMs : a.serial < b.serial;
                     });
    return written;
}

SummaryReport summaryFromReport(const Report &report)
{
    SummaryReport written;
    written.origin = originOf(report.runs);
    written.lines = report.summaryLines;
    return written;
}

} // namespace reportdata
