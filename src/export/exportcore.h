#pragma once
// Writing the two reports to a file the user chose, without widgets.

#include "export/safefile.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace exportcore {

// The overall summary export: the awk program that aligns the label/value
// lines of all_report.log, its output written into the chosen file.
struct SummaryExport {
    QByteArray suffix; // the last four bytes of the command before ".doc" is considered
    QString target;    // the file that is written: the chosen path, ".doc" appended unless
                       // it already ends in exactly ".doc"
    QString command;   // the command as a shell line, for the diagnostic line only; the
                       // target is one quoted word
};
SummaryExport summaryExport(const QString &chosenPath);

// Runs the summary export into job.target through safefile::replace(): never
// through a link at the name, the file given to the user who started the
// program when it lands in that user's folder. True only when awk ended with
// status 0 and the file holds every byte the awk program prints (an
// unwritable or immutable target, a full disk or a file-size limit all give
// false, with the cause in `failure`).
bool runSummaryExport(const SummaryExport &job, safefile::Failure *failure = nullptr);

// The bytes the awk program of the summary export prints for all_report.log;
// empty when it cannot run.
QByteArray summaryExportText();

// "cp <temp_report> <chosen path>", as shown in the diagnostic line.
QString copyCommandText(const QString &chosenPath);

// Writes the bytes of temp_report to the chosen path, the same safe way as the
// summary export; true when the file holds them all.
bool copyReport(const QString &chosenPath, safefile::Failure *failure = nullptr);

// How a program run by runProgram() ended.
struct ProgramRun {
    bool started = false;
    int exitCode = -1; // -1 when not started or ended by a signal
    int signal = 0;
    int writeError = 0; // errno of writing its output to the file, 0 when written whole
    bool succeeded() const { return started && exitCode == 0 && signal == 0; }
};

// Runs `arguments` (the program, looked up on PATH, and its arguments; no
// shell) through the application's process runner with standard input on
// /dev/null, waits for it and, when it succeeded, writes all it printed to
// `standardOutput`. Every program an export starts goes through here.
ProgramRun runProgram(const QStringList &arguments, int standardOutput);

} // namespace exportcore
