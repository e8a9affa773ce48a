#pragma once
// Reading the runs file that the search tool writes beside result.log: one
// line per run of the searched program, with who ran it, where, as whom,
// how it ended and what was run.

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

namespace runsfile {

// The first line of every runs file.
inline constexpr char kHeader[] = "# kvr-auditreport runs 1";

// How a run ended: the program ran and did not refuse, it refused (sudo or su
// said no), or it failed (the exec or the program's own check failed).
enum class RunResult : quint8 { Success, Refused, Failed };

// One run. The names (node, users, terminal) are kept exactly as the search
// wrote them, with its \ooo escapes, so that they read as the report's names;
// the command is decoded back to its bytes and read as UTF-8.
struct Run {
    qint64 timeMs = 0;  // the first event of the run, epoch milliseconds
    quint64 serial = 0; // that event's serial number
    QString node;       // "-" for records of this machine
    QString loginUser;  // the name the report counts the run under
    QString actingUser; // whom the program ran as, "-" when unknown
    QString terminal;   // the terminal, else the remote host or address; "-" when none
    RunResult result = RunResult::Success;
    QString command; // what was run; "-" when the trail holds none
};

struct RunsFile {
    enum class Status {
        Read,        // the header was right; runs holds every well-formed line
        CannotOpen,  // missing or unreadable (reason names why)
        NotRunsFile, // the first line is not the header: nothing was read
    };
    Status status = Status::CannotOpen;
    QString path;
    QString reason;  // the system's reason for CannotOpen
    QList<Run> runs; // in file order (the order of the search output)
    // What the search read, from the lines "# file PATH" (one per trail file,
    // in reading order) and "# span FIRST LAST" (the times of the earliest
    // and the latest record of those files) that follow the runs.
    QStringList trailFiles;
    std::optional<qint64> trailFirstMs; // epoch milliseconds; empty: no record read
    std::optional<qint64> trailLastMs;
    // From the lines "# day YYYY-MM-DD N": the "用户id:" lines of the search
    // output on each local day, the runs a chart of days shows.
    QMap<QDate, int> runsPerDay;
    qsizetype malformed = 0;          // lines after the header that are no run
    qsizetype firstMalformedLine = 0; // 1-based line number of the first of them
    bool isComplete() const { return status == Status::Read && malformed == 0; }
};

// Reads the runs file at `path`.
RunsFile read(const QString &path);
// The same on the bytes of a file.
RunsFile parse(const QByteArray &content);

// `field` with every backslash and three octal digits turned back into the
// byte they stand for. False (and `out` unspecified) when a backslash is not
// followed by three octal digits of a byte: the search never writes that.
bool decodeEscapes(const QByteArray &field, QByteArray *out);

// Why a runs file cannot be shown whole, in the window's language: it cannot
// be opened, it is no runs file, or some of its lines are damaged. Empty for
// a complete file.
QString problemText(const RunsFile &file);

} // namespace runsfile
