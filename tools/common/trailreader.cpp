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

bool listTrailDirectory(const std::string &dir, std::vector<std::string> *files,
                        std::string *error)
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
    for (;;) {
        ssize_t n = ::read(fds_[current_], buffer_.data() + end_, buffer_.size() - end_);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            failed_ = true;
            error_ = reasonFor(names_[current_], errno);
            return false;
        }
        if (n == 0) {
            eof_ = true;
            return false;
        }
        end_ += size_t(n);
        return true;
    }
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
            ::close(fds_[current_]);
            fds_[current_] = -1;
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

} // namespace kvrtools
