#pragma once
// The one trail reader of the project's ausearch and aureport: chooses the
// trail (TrailSource), opens every file of it before reading any, and hands
// out its lines one by one with bounded memory.
//
// Use:
//   TrailReader reader;
//   std::string error;
//   TrailOpen how = reader.open(resolveSource(inputOption), &error);
//   if (how != TrailOpen::Ok)   // Usage: ExitUsage; Unreadable: ExitUnreadable;
//       fail(error);            // NoDescriptors: ExitNoDescriptors
//   std::string_view line;
//   while (reader.next(&line) == TrailRead::Line)
//       use(line);              // valid until the next call of next()
//   if (reader.failed())        // ExitNoDescriptors when outOfDescriptors(),
//       fail(reader.error());   // else ExitUnreadable
//
// Rules: the source is -if/--input when given, else $KVR_AUDITREPORT_LOG,
// else the log file named by log_file in /etc/audit/auditd.conf (default
// /var/log/audit/audit.log) with its rotations, oldest first. A directory
// gives its audit.log.N ... audit.log.1, audit.log files, oldest first.
// Every file must be a regular file (a FIFO, a device such as /dev/zero, a
// socket is refused with TrailOpen::Usage); all are opened (and checked)
// before the first line is read, so a rotation that renames files mid-run
// changes nothing: each file is known by its device and inode from the
// moment the trail is listed, and a file found under another name later
// (audit.log.3 renamed to audit.log.4) is still read once, at its place.
// The tool's soft limit of open files is raised to the hard limit; when
// that still does not let every file stay open, the files that do not fit
// are opened again when their turn comes (by inode, under whatever name
// they then have) and closed once read. A trail that cannot be read for
// want of descriptors gives TrailOpen::NoDescriptors or outOfDescriptors().
// A line is the bytes up to a newline (not included) or up to the end of
// its file: a file's last line without a newline is a line of its own, so
// no line ever spans two files. Lines longer than kMaxTrailLine bytes are
// skipped whole (counted in skippedLines()). Standard input is never read.
// Progress lines go to KVR_AUDITREPORT_PROGRESS_FD (progress.h).

#include "progress.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <sys/types.h>
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
    Usage,        // not a regular file nor a directory of them
    Unreadable,   // missing, no permission, an empty log directory, ...
    NoDescriptors // too few file descriptors left to read the trail
};

enum class TrailRead { Line, End };

// Where a line handed out by next() lies in the trail.
struct TrailSpot {
    uint32_t file = 0;    // index in opening order
    uint64_t offset = 0;  // of its first byte in that file
    bool newline = false; // a newline follows it in the file
};

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
    // At most `files` files are kept open at once (besides the limit of
    // open files); call before open(). Tests use it to make the reader open
    // files when their turn comes.
    void limitOpenFiles(size_t files) { openLimit_ = files; }

    // The next line, or End at the end of the trail or on a read error.
    TrailRead next(std::string_view *line);
    // Where the last line from next() lies.
    TrailSpot spot() const { return spot_; }

    // A quick first pass over the whole trail that leaves next() where it
    // is: calls `onLine` for every line (at most kMaxTrailLine bytes) that
    // contains one of `needles`, found by scanning the raw bytes, so that
    // lines without them cost no more than the scan. Returns false on a
    // read error (failed() and error() tell).
    bool scanFor(const std::vector<std::string> &needles,
                 const std::function<void(std::string_view line)> &onLine);

    // True when the bytes of `file` can be read again with fetch() until
    // the reader is destroyed (its descriptor stays open, or the trail is
    // in memory).
    bool keeps(uint32_t file) const;
    // Reads `size` bytes at `offset` of a kept file again, through a few
    // buffers of 64 kB, so that fetches in file order cost few reads. The
    // bytes stay valid until the next fetch() (in memory: for good). False
    // on a read error or when the file became shorter (error() tells).
    bool fetch(uint32_t file, uint64_t offset, size_t size, std::string_view *bytes);

    // Index (in opening order) of the file the last line came from.
    size_t fileIndex() const { return current_; }
    size_t fileCount() const { return files_.size(); }
    // The name of file `index` (in reading order) as it was last opened:
    // a file found again by inode after a rotation has its new name.
    const std::string &fileName(size_t index) const { return files_[index].name; }
    // The sum of the files' sizes when they were opened.
    uint64_t totalBytes() const { return total_; }
    // True after a read error; error() gives the reason.
    bool failed() const { return failed_; }
    // The failure was a shortage of file descriptors.
    bool outOfDescriptors() const { return outOfDescriptors_; }
    const std::string &error() const { return error_; }
    size_t skippedLines() const { return skipped_; }

private:
    struct File {
        std::string name;
        dev_t dev = 0;
        ino_t ino = 0;
        off_t size = 0;
        int statError = 0; // errno of the listing's stat, 0 when it worked
        int fd = -1;
        bool kept = false; // opened with the trail, open until the end
        bool gone = false; // removed between the listing and the opening
    };
    struct Window {
        uint32_t file = UINT32_MAX;
        uint64_t start = 0;
        std::vector<char> bytes;
        size_t size = 0, uses = 0;
        uint64_t lastUse = 0;
    };
    TrailOpen openListed(std::vector<File> files, std::string *error);
    int openFile(File &file, std::string *error, TrailOpen *how);
    bool startFile(size_t index); // opens a file that was not kept
    void endFile(size_t index);   // closes it again
    bool fill();                  // reads more of the current file; false at its end or on error
    bool readFailed(size_t file); // notes errno's reason for `file`; false
    bool fail(const std::string &reason, bool descriptors);
    void report(); // the progress of the reading
    void closeAll();

    std::vector<File> files_;
    size_t openLimit_ = SIZE_MAX;
    size_t current_ = 0;
    bool currentOpen_ = false;
    std::vector<char> buffer_;
    size_t begin_ = 0, end_ = 0, scanned_ = 0;
    uint64_t base_ = 0;     // offset in the current file of buffer_[0]
    bool eof_ = false;      // the current file has no more bytes
    bool skipping_ = false; // inside a line longer than the limit
    TrailSpot spot_;
    std::string_view memory_;
    bool inMemory_ = false;
    bool failed_ = false, outOfDescriptors_ = false;
    std::string error_;
    size_t skipped_ = 0;
    std::vector<Window> windows_;
    uint64_t fetches_ = 0;
    uint64_t total_ = 0, readBytes_ = 0, scanBytes_ = 0;
    bool scanPass_ = false, finished_ = false;
    ProgressReporter progress_;
};

} // namespace kvrtools
