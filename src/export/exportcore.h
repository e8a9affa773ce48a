#pragma once
// Writing the two reports to a file the user chose, without widgets.

#include <QByteArray>
#include <QString>

namespace exportcore {

// The overall summary export: the awk program that aligns the label/value
// lines of all_report.log, redirected into the chosen file.
struct SummaryExport {
    QByteArray suffix; // the last four bytes of the command before ".doc" is considered
    QString target;    // the file that is written: the chosen path, ".doc" appended unless
                       // it already ends in exactly ".doc"
    QString command;   // the shell command line; the target is one quoted word
};
SummaryExport summaryExport(const QString &chosenPath);

// Runs the summary export; true only when the shell ended with status 0 and
// the target file holds every byte the awk program prints (an unwritable or
// immutable target, a full disk or a file-size limit all give false).
bool runSummaryExport(const SummaryExport &job);

// The bytes the awk program of the summary export prints for all_report.log.
QByteArray summaryExportText();

// "cp <temp_report> <chosen path>", as shown in the diagnostic line.
QString copyCommandText(const QString &chosenPath);

// Copies temp_report to the chosen path with cp (no shell, the path is one
// argument); true when cp exited 0 and the file exists.
bool copyReport(const QString &chosenPath);

} // namespace exportcore
