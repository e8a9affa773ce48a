#include "export/exportcore.h"

#include "app/appenv.h"
#include "audit/querycore.h"

#include <QFileInfo>
#include <QProcess>

namespace exportcore {

namespace {

// Prints the time-range line whole; every other line as its label, blanks up
// to a fixed column, and its value.
QString awkProgram()
{
    return QStringLiteral(
               "awk '{if($1~\"时间范围\"){print}else{printf $1;for(i=0;i<(30-length($1));i++)"
               "{printf \"  \";if(substr($1,i,1)~/^[VMCAI(]/)printf \" \"};print $2}}' ")
        + querycore::shellDataFile(QStringLiteral("all_report.log"));
}

} // namespace

SummaryExport summaryExport(const QString &chosenPath)
{
    SummaryExport job;
    const QString program = awkProgram();
    // The ".doc" rule looks at the command as it would read with the path
    // written plainly, so it depends on the chosen path only.
    job.suffix = (program + QStringLiteral(" > ") + chosenPath).toUtf8().right(4);
    job.target = chosenPath;
    if (job.suffix != ".doc")
        job.target += QStringLiteral(".doc");
    job.command = program + QStringLiteral(" > ") + querycore::shellQuote(job.target);
    return job;
}

QByteArray summaryExportText()
{
    QProcess awk;
    awk.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), awkProgram()});
    awk.closeWriteChannel();
    if (!awk.waitForFinished(-1) || awk.exitStatus() != QProcess::NormalExit)
        return QByteArray();
    return awk.readAllStandardOutput();
}

bool runSummaryExport(const SummaryExport &job)
{
    const querycore::ShellRun run = querycore::runShell(job.command);
    if (!run.succeeded())
        return false;
    const QFileInfo target(job.target);
    // A redirection into a file that cannot take the whole text is not
    // always seen by awk: the size written tells.
    return target.isFile() && target.size() == summaryExportText().size();
}

QString copyCommandText(const QString &chosenPath)
{
    return QStringLiteral("cp ") + appenv::dataFile(QStringLiteral("temp_report"))
        + QLatin1Char(' ') + chosenPath;
}

bool copyReport(const QString &chosenPath)
{
    const int code = QProcess::execute(
        QStringLiteral("cp"), {appenv::dataFile(QStringLiteral("temp_report")), chosenPath});
    return code == 0 && QFileInfo(chosenPath).isFile();
}

} // namespace exportcore
