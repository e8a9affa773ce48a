#pragma once
// The one trail reader of the project's ausearch and aureport: chooses the
// trail (TrailSource), opens every file of it before reading any, and hands
// out its lines one by one with bounded memory.
//
// Use:
//   TrailReader reader;
//   std::string error;
//   TrailOpen how = reader.open(resolveSource(inputOption), &error);
//   if (how != TrailOpen::Ok)   // Usage: exit ExitUsage; Unreadable: ExitUnreadable
//       fail(error);
//   std::string_view line;
//   while (reader.next(&line) == TrailRead::Line)
//       use(line);              // valid until the next call of next()
//   if (reader.failed())        // a read error: exit ExitUnreadable
//       fail(reader.error());
//
// Rules: the source is -if/--input when given, else $KVR_AUDITREPORT_LOG,
// else the log file named by log_file in /etc/audit/auditd.conf (default
// /var/log/audit/audit.log) with its rotations, oldest first. A directory
// gives its audit.log.N ... audit.log.1, audit.log files, oldest first.
// Every file must be a regular file (a FIFO, a device such as /dev/zero, a
// socket is refused with TrailOpen::Usage); all are opened before the first
// line is read, so a rotation that renames files mid-run changes nothing.
// A line is the bytes up to a newline (not included) or up to the end of
// its file: a file's last line without a newline is a line of its own, so
// no line ever spans two files. Lines longer than kMaxTrailLine bytes are
// skipped whole (counted in skippedLines()). Standard input is never read.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kvrtools {

// Longest line handed out; longer ones are skipped.
constexpr size_t kMaxTrailLine = size_t(1) << 20;

// Where the events come from: the -if/--input argument when given, else the
// KVR_AUDITREPORT_LOG environment variable, else the system's audit logs.
// `path` may name a file or a directory of logs. Never standard input.
struct TrailSource {
    std::string path; // empty: the audit daemon's configured logs
};
TrailSource resolveSource(const std::string &inputOption);

// The names of a directory's log files in reading order: audit.log.N ...
// audit.log.1, then audit.log (other names are ignored; the files are not
// checked here). Returns false and sets `error` when the directory cannot
// be listed.
bool listTrailDirectory(const std::string &dir, std::vector<std::string> *files,
                        std::string *error);

// The daemon's log file (log_file of auditd.conf) and its rotations that
// exist, oldest first.
std::vector<std::string> systemTrailFiles();

enum class TrailOpen {
    Ok,
    Usage,     // not a regular file nor a directory of them
    Unreadable // missing, no permission, an empty log directory, ...
};

enum class TrailRead { Line, End };

class TrailReader
{
public:
    TrailReader();
    ~TrailReader();
    TrailReader(const TrailReader &) = delete;
    TrailReader &operator=(const TrailReader &) = delete;

    // Opens every file of `source`. On failure sets `error` to a one-line
    // reason fit for stderr.
    TrailOpen open(const TrailSource &source, std::string *error);
    // Reads the given files (already chosen), in this order.
    TrailOpen openFiles(const std::vector<std::string> &files, std::string *error);
    // Reads a trail held in memory (tests, fuzzing). `bytes` must outlive
    // the reader.
    void openBytes(std::string_view bytes);

    // The next line, or End at the end of the trail or on a read error.
    TrailRead next(std::string_view *line);

    // A quick first pass over the whole trail that leaves next() where it
    // is: calls `onLine` for every line (at most kMaxTrailLine bytes) that
    // contains one of `needles`, found by scanning the raw bytes, so that
    // lines without them cost no more than the scan. Returns false on a
    // read error (failed() and error() tell).
    bool scanFor(const std::vector<std::string> &needles,
                 const std::function<void(std::string_view line)> &onLine);
    // Index (in opening order) of the file the last line came from.
    size_t fileIndex() const { return current_; }
    // True after a read error; error() gives the reason.
    bool failed() const { return failed_; }
    const std::string &error() const { return error_; }
    size_t skippedLines() const { return skipped_; }

private:
    bool fill();                  // reads more of the current file; false at its end or on error
    bool readFailed(size_t file); // notes errno's reason for `file`; false
    void closeAll();

    std::vector<std::string> names_;
    std::vector<int> fds_;
    size_t current_ = 0;
    std::vector<char> buffer_;
    size_t begin_ = 0, end_ = 0, scanned_ = 0;
    bool eof_ = false;      // the current file has no more bytes
    bool skipping_ = false; // inside a line longer than the limit
    std::string_view memory_;
    bool inMemory_ = false;
    bool failed_ = false;
    std::string error_;
    size_t skipped_ = 0;
};

} // namespace kvrtools
