#pragma once
// The query road without widgets: the command lines handed to the shell, the
// working files of the data directory and how they are read and written.
// The query runner (queryrunner.h) builds the road from these.

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include "audit/processrunner.h"

#include <optional>

namespace querycore {

// ---- Standard output and the shell ------------------------------------

// A diagnostic line through the trace module (trace.h): `bytes` without or
// with a newline, flushed at once.
void writeRaw(const QByteArray &bytes);
void writeLine(const QByteArray &bytes);

// `text` as one word for the POSIX shell: unchanged when it holds only
// characters the shell never interprets, otherwise in single quotes.
QString shellQuote(const QString &text);

// The path of a working file of the data directory as a shell word.
QString shellDataFile(const QString &name);

// How a command line handed to the shell ended (see processrunner::Exit).
using ShellRun = processrunner::Exit;

// Hands `commandLine` to /bin/sh through the process runner and waits for it.
// For a simple command with a redirection the shell's status is the command's own.
ShellRun runShell(const QString &commandLine);

// ---- Audit search --------------------------------------------------------

// The program file searched for an event type entry ("chown" -> "/bin/chown "),
// looked up by the UTF-8 text of the entry. Empty for an unknown entry.
QString eventTypePath(const QByteArray &entryUtf8);
// The 28 untranslated event type names, in the order of the type list.
QStringList eventTypeNames();

// A date as the search tool takes it: M/D/YY without leading zeros.
QString searchDate(const QDate &date);

// The pieces of the search command line, in the order they are joined.
struct SearchCommand {
    QString head;     // "ausearch -i " and, for an event type, " -f " and its path
    QString startArg; // "-ts M/D/YY " or empty
    QString endArg;   // "-te M/D/YY " or empty
    QString redirect; // " > " and result.log
    QString full() const { return head + startArg + endArg + redirect; }
};

// Composes the search command. An empty optional means "no restriction"
// (the all marker); `eventEntry` is the entry text of the type list.
SearchCommand composeSearchCommand(const std::optional<QString> &eventEntry,
                                   const std::optional<QDate> &start,
                                   const std::optional<QDate> &end);

// Exit statuses of the audit tools: nothing found, an unreadable trail,
// output that could not be written whole (disk full, file-size limit), a
// trail too large to count or sort in the memory and temporary files the
// tools allow themselves, and no file descriptor left to open the trail with.
constexpr int SearchExitNothingFound = 1;
constexpr int SearchExitUnreadable = 3;
constexpr int SearchExitWriteFailed = 4;
constexpr int SearchExitTooLarge = 5;
constexpr int SearchExitNoDescriptors = 6;

// The dates the window accepts: the search passes years with two digits,
// which the audit tools read as 1969 to 2068, so only four-digit years from
// 1970 to 2068 mean the same to the window and to the search.
QDate firstSearchDate();
QDate lastSearchDate();

// A date typed or picked into a date field: year-month-day with "-", a
// four-digit year within the range above, blanks around it ignored
// ("2024-3-5 ", "2024-03-05"). Empty when it is no such date.
std::optional<QDate> parseFieldDate(const QString &text);

// ---- Why a command of the query road did not finish ------------------------

enum class RunProblem {
    None,             // finished (for a tool: found something or nothing)
    Unreadable,       // the audit trail could not be read
    TooLarge,         // the trail is too large to count or sort in bounded resources
    NoSpace,          // the working directory has no space left
    OutputLimit,      // the output met the file-size limit of the process
    Stopped,          // ended by a signal
    Failed,           // any other failure, the shell not started included
    NoDescriptors,    // a tool ran out of file descriptors
    ReportUnwritable, // temp_report could not be written
    Cancelled,        // the user (or a signal to `--report`) stopped the query
};

// What the state of the data directory tells about a failed write.
struct WriteContext {
    bool directoryFull = false; // less room left than one output buffer
    bool sizeLimited = false;   // a file-size limit is set for this process
};
WriteContext writeContext(const QString &directory);

// A command of the query road and what became of it.
struct RunOutcome {
    ShellRun run;
    RunProblem problem = RunProblem::None;
};

// How an audit tool run (search or summary) ended: statuses 0 and 1 are
// finished, 3 an unreadable trail, 4 and any signal an unfinished output,
// 5 a trail too large, 6 no file descriptors; a stopped run is cancelled.
RunProblem toolProblem(const ShellRun &run, const WriteContext &context);
// How a statistics pipeline ended: anything but status 0 is unfinished.
RunProblem pipelineProblem(const ShellRun &run, const WriteContext &context);

// ---- Statistics ------------------------------------------------------------

// The three pipelines that condense result.log into tongji.log.
QStringList statisticsCommands();

// ---- Runs per day and per user ---------------------------------------------

// The first and last day a chart of runs covers: the chosen dates, and for a
// side left open the first or last record day of the report (then the first
// or last run day). Widened so that every run day lies inside. Invalid days
// when nothing at all is known.
struct DaySpan {
    QDate first;
    QDate last;
    bool isValid() const { return first.isValid() && last.isValid() && first <= last; }
    qint64 days() const { return isValid() ? first.daysTo(last) + 1 : 0; }
};
DaySpan chartSpan(const std::optional<QDate> &start, const std::optional<QDate> &end,
                  const QString &reportStart, const QString &reportEnd,
                  const QMap<QDate, int> &runs);

// One count per day of `span`, in order; 0 for a day without runs.
QList<int> runsPerDay(const QMap<QDate, int> &runs, const DaySpan &span);

// The users of a report with their runs, most runs first, then by name.
struct UserRuns {
    QString user;
    int runs = 0;
};
QList<UserRuns> usersByRuns(const QStringList &userIds, const QList<int> &execCounts);

// ---- Report ------------------------------------------------------------------

// How the first lines of tongji.log count: the lengths of the lines read
// (at most three, a line over 255 bytes cut and ending the count) and the
// number of lines counted. A report exists when the count is 3.
struct TongjiCount {
    QList<int> lineLengths;
    int count = 0;
};
TongjiCount countTongjiLines(const QString &path);

// What tongji.log holds: the first and last record dates and one line per user.
struct TongjiData {
    bool opened = false;
    QString startTime;
    QString endTime;
    QStringList userIds;
    QList<int> execCounts;
    int totalRecords() const;
};
TongjiData readTongji(const QString &path);

// A date word of the search tool cut into 年/月/日 pieces by byte position:
// "2024-03-05" -> "2024年03月05日". A piece missing from a short text is left
// out together with its label.
QString cutDate(const QString &date);

// The four-line report text (the last line without newline), UTF-8. The user
// ids are written through the display escaping of names (displaytext.h).
QByteArray reportText(const QString &startTime, const QString &endTime, int recordCount,
                      const QStringList &userIds, const QList<int> &execCounts);

// Writes `bytes` to `path`, replacing it. False when it cannot be written.
bool writeFile(const QString &path, const QByteArray &bytes);

// ---- Overall summary -------------------------------------------------------

// "aureport --summary > <all_report.log>".
QString summaryCommand();

// The lines of the overall summary file, whole, each without its newline,
// followed by one empty line (what a reader that stops at end of file leaves).
// Empty list with *opened false when the file cannot be opened.
QList<QByteArray> readSummaryLines(const QString &path, bool *opened);

} // namespace querycore
