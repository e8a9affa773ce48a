// The trail reader shared by ausearch and aureport: source resolution, the
// log directory listing, opening every file up front, and the line reader
// with its 1 MiB line limit (see trailreader.h for the rules).
#include "trailreader.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace kvrtools {

namespace {

constexpr size_t kReadChunk = 256 * 1024;

// Rotation number of a log file name: 0 for "audit.log", N for
// "audit.log.N", -1 for any other name.
long rotationOf(const char *name)
{
    static const char base[] = "audit.log";
    const size_t baseLen = sizeof(base) - 1;
    if (std::strncmp(name, base, baseLen) != 0)
        return -1;
    const char *rest = name + baseLen;
    if (*rest == '\0')
        return 0;
    if (*rest != '.' || rest[1] == '\0')
        return -1;
    long n = 0;
    for (const char *p = rest + 1; *p; ++p) {
        if (*p < '0' || *p > '9' || n > 1000000)
            return -1;
        n = n * 10 + (*p - '0');
    }
    return n > 0 ? n : -1;
}

std::string reasonFor(const std::string &path, int err)
{
    return "cannot read " + path + ": " + std::strerror(err);
}

// read(2), or pread(2) from `offset` when it is not negative, again when a
// signal interrupts it.
ssize_t readRetrying(int fd, char *buf, size_t size, off_t offset = -1)
{
    for (;;) {
        const ssize_t n = offset < 0 ? ::read(fd, buf, size) : ::pread(fd, buf, size, offset);
        if (n >= 0 || errno != EINTR)
            return n;
    }
}

std::string trimmed(const std::string &s)
{
    size_t b = s.find_first_not_of(" \t"), e = s.find_last_not_of(" \t\r");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

} // namespace

TrailSource resolveSource(const std::string &inputOption)
{
    TrailSource source;
    if (!inputOption.empty()) {
        source.path = inputOption;
    } else if (const char *env = std::getenv("KVR_AUDITREPORT_LOG"); env && *env) {
        source.path = env;
    }
    return source;
}

bool listTrailDirectory(const std::string &dir, std::vector<std::string> *files, std::string *error)
{
    DIR *d = ::opendir(dir.c_str());
    if (!d) {
        *error = reasonFor(dir, errno);
        return false;
    }
    std::vector<std::pair<long, std::string>> found;
    while (dirent *e = ::readdir(d)) {
        long n = rotationOf(e->d_name);
        if (n < 0)
            continue;
        std::string full = dir;
        if (full.empty() || full.back() != '/')
            full += '/';
        full += e->d_name;
        found.emplace_back(n, full);
    }
    ::closedir(d);
    // Oldest first: the highest rotation number was written first.
    std::sort(found.begin(), found.end(),
              [](const auto &a, const auto &b) { return a.first > b.first; });
    files->clear();
    for (auto &f : found)
        files->push_back(std::move(f.second));
    return true;
}

std::vector<std::string> systemTrailFiles()
{
    std::string logFile = "/var/log/audit/audit.log";
    std::ifstream conf("/etc/audit/auditd.conf");
    std::string line;
    while (std::getline(conf, line)) {
        size_t eq = line.find('=');
        if (eq == std::string::npos || trimmed(line.substr(0, eq)) != "log_file")
            continue;
        std::string v = trimmed(line.substr(eq + 1));
        if (!v.empty())
            logFile = v;
    }
    std::vector<std::string> files{logFile};
    for (int n = 1; n < 100000; ++n) {
        std::string name = logFile + "." + std::to_string(n);
        struct stat st;
        if (::lstat(name.c_str(), &st) != 0)
            break;
        files.insert(files.begin(), name);
    }
    return files;
}

TrailReader::TrailReader() = default;

TrailReader::~TrailReader()
{
    closeAll();
}

void TrailReader::closeAll()
{
    for (int fd : fds_)
        if (fd >= 0)
            ::close(fd);
    fds_.clear();
}

TrailOpen TrailReader::open(const TrailSource &source, std::string *error)
{
    if (source.path.empty())
        return openFiles(systemTrailFiles(), error);
    struct stat st;
    if (::stat(source.path.c_str(), &st) != 0) {
        *error = reasonFor(source.path, errno);
        return TrailOpen::Unreadable;
    }
    if (!S_ISDIR(st.st_mode))
        return openFiles({source.path}, error);
    std::vector<std::string> files;
    if (!listTrailDirectory(source.path, &files, error))
        return TrailOpen::Unreadable;
    if (files.empty()) {
        *error = "no audit.log files in " + source.path;
        return TrailOpen::Unreadable;
    }
    return openFiles(files, error);
}

TrailOpen TrailReader::openFiles(const std::vector<std::string> &files, std::string *error)
{
    closeAll();
    names_ = files;
    for (const std::string &name : files) {
        // O_NONBLOCK: opening a FIFO must not wait for a writer.
        int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        if (fd < 0) {
            *error = reasonFor(name, errno);
            closeAll();
            return TrailOpen::Unreadable;
        }
        fds_.push_back(fd);
        struct stat st;
        if (::fstat(fd, &st) != 0) {
            *error = reasonFor(name, errno);
            closeAll();
            return TrailOpen::Unreadable;
        }
        if (!S_ISREG(st.st_mode)) {
            *error = name + " is not a regular file (a trail is a log file or a directory of them)";
            closeAll();
            return TrailOpen::Usage;
        }
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    }
    current_ = 0;
    begin_ = end_ = scanned_ = 0;
    eof_ = skipping_ = failed_ = inMemory_ = false;
    buffer_.assign(kMaxTrailLine + kReadChunk + 1, '\0');
    return TrailOpen::Ok;
}

void TrailReader::openBytes(std::string_view bytes)
{
    closeAll();
    names_.clear();
    memory_ = bytes;
    inMemory_ = true;
    current_ = 0;
    begin_ = 0;
    failed_ = false;
}

bool TrailReader::fill()
{
    if (begin_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        scanned_ -= begin_;
        begin_ = 0;
    }
    const ssize_t n = readRetrying(fds_[current_], buffer_.data() + end_, buffer_.size() - end_);
    if (n < 0)
        return readFailed(current_);
    if (n == 0) {
        eof_ = true;
        return false;
    }
    end_ += size_t(n);
    return true;
}

bool TrailReader::readFailed(size_t file)
{
    failed_ = true;
    error_ = reasonFor(names_[file], errno);
    return false;
}

TrailRead TrailReader::next(std::string_view *line)
{
    if (failed_)
        return TrailRead::End;
    if (inMemory_) {
        while (begin_ < memory_.size()) {
            size_t nl = memory_.find('\n', begin_);
            size_t stop = nl == std::string_view::npos ? memory_.size() : nl;
            std::string_view l = memory_.substr(begin_, stop - begin_);
            begin_ = stop + 1;
            if (l.size() > kMaxTrailLine) {
                ++skipped_;
                continue;
            }
            *line = l;
            return TrailRead::Line;
        }
        return TrailRead::End;
    }
    while (current_ < fds_.size()) {
        if (scanned_ < end_) {
            const void *p = std::memchr(buffer_.data() + scanned_, '\n', end_ - scanned_);
            if (p) {
                const size_t at = size_t(static_cast<const char *>(p) - buffer_.data());
                const size_t from = begin_;
                begin_ = scanned_ = at + 1;
                if (skipping_ || at - from > kMaxTrailLine) {
                    skipping_ = false;
                    ++skipped_;
                    continue;
                }
                *line = std::string_view(buffer_.data() + from, at - from);
                return TrailRead::Line;
            }
            scanned_ = end_;
        }
        // No newline in the buffer: a line longer than the limit is dropped
        // as it comes, so the buffer never grows.
        if (!skipping_ && end_ - begin_ > kMaxTrailLine)
            skipping_ = true;
        if (skipping_)
            begin_ = scanned_ = end_ = 0;
        if (eof_) {
            if (skipping_) {
                ++skipped_;
                skipping_ = false;
            } else if (end_ > begin_) {
                // The file's last line has no newline: a line of its own.
                *line = std::string_view(buffer_.data() + begin_, end_ - begin_);
                begin_ = scanned_ = end_;
                return TrailRead::Line;
            }
            ++current_;
            begin_ = end_ = scanned_ = 0;
            eof_ = false;
            continue;
        }
        if (!fill() && failed_)
            return TrailRead::End;
    }
    return TrailRead::End;
}

namespace {

// Finds one needle fast: a long needle with memmem, a short
// one by memchr on its least common byte (in audit logs: not a digit, blank,
// '=' or lowercase vowel) and a comparison around each candidate.
class NeedleFinder
{
public:
    explicit NeedleFinder(const std::string &needle) : needle_(needle)
    {
        auto cost = [](unsigned char c) {
            if (c >= '0' && c <= '9')
                return 5;
            if (c == ' ' || c == '=' || c == '"' || c == '/')
                return 6;
            if (std::strchr("aeiost", c))
                return 4;
            if (c >= 'a' && c <= 'z')
                return 3;
            return 1;
        };
        for (size_t i = 1; i < needle_.size(); ++i)
            if (cost(static_cast<unsigned char>(needle_[i]))
                < cost(static_cast<unsigned char>(needle_[rare_])))
                rare_ = i;
    }
    // Offset of the first occurrence in text[from..], npos when none.
    size_t find(std::string_view text, size_t from) const
    {
        const size_t m = needle_.size();
        if (m == 0 || text.size() < m || from > text.size() - m)
            return std::string_view::npos;
        if (m >= 8) {
            const void *p = ::memmem(text.data() + from, text.size() - from, needle_.data(), m);
            return p ? size_t(static_cast<const char *>(p) - text.data()) : std::string_view::npos;
        }
        const char *base = text.data();
        const char *p = base + from + rare_;
        const char *last = base + text.size() - (m - rare_) + 1; // past the last candidate
        while (p < last) {
            p = static_cast<const char *>(std::memchr(p, needle_[rare_], size_t(last - p)));
            if (!p)
                return std::string_view::npos;
            if (std::memcmp(p - rare_, needle_.data(), m) == 0)
                return size_t(p - rare_ - base);
            ++p;
        }
        return std::string_view::npos;
    }

private:
    std::string needle_;
    size_t rare_ = 0;
};

// Calls `onLine` for each line of `text` holding a needle.
void scanText(std::string_view text, const std::vector<NeedleFinder> &finders,
              const std::function<void(std::string_view)> &onLine)
{
    // The next occurrence of each needle, searched again only once passed.
    std::vector<size_t> next(finders.size(), 0);
    std::vector<bool> searched(finders.size(), false);
    size_t from = 0;
    while (from < text.size()) {
        size_t hit = std::string_view::npos;
        for (size_t k = 0; k < finders.size(); ++k) {
            if (!searched[k] || (next[k] != std::string_view::npos && next[k] < from)) {
                next[k] = finders[k].find(text, from);
                searched[k] = true;
            }
            hit = std::min(hit, next[k]);
        }
        if (hit == std::string_view::npos)
            return;
        const size_t nl = text.rfind('\n', hit);
        const size_t start = nl == std::string_view::npos ? 0 : nl + 1;
        size_t end = text.find('\n', hit);
        if (end == std::string_view::npos)
            end = text.size();
        if (end - start <= kMaxTrailLine)
            onLine(text.substr(start, end - start));
        from = end + 1;
    }
}

} // namespace

bool TrailReader::scanFor(const std::vector<std::string> &needles,
                          const std::function<void(std::string_view line)> &onLine)
{
    if (failed_)
        return false;
    const std::vector<NeedleFinder> finders(needles.begin(), needles.end());
    if (inMemory_) {
        scanText(memory_, finders, onLine);
        return true;
    }
    // Read with pread, so that next() keeps its place in every file.
    std::vector<char> buf(kMaxTrailLine + 4 * kReadChunk + 1);
    for (size_t f = 0; f < fds_.size(); ++f) {
        off_t offset = 0;
        size_t have = 0; // bytes of an unfinished line at the buffer's start
        for (;;) {
            const ssize_t n = readRetrying(fds_[f], buf.data() + have, buf.size() - have, offset);
            if (n < 0)
                return readFailed(f);
            offset += n;
            const size_t size = have + size_t(n);
            if (n == 0) { // the file's last line, without a newline
                scanText(std::string_view(buf.data(), size), finders, onLine);
                break;
            }
            const void *last = ::memrchr(buf.data(), '\n', size);
            const size_t complete =
                last ? size_t(static_cast<const char *>(last) - buf.data()) + 1 : 0;
            scanText(std::string_view(buf.data(), complete), finders, onLine);
            have = size - complete;
            if (have > kMaxTrailLine) // a line too long to keep: skipped anyway
                have = 0;
            else
                std::memmove(buf.data(), buf.data() + complete, have);
        }
    }
    return true;
}

} // namespace kvrtools
