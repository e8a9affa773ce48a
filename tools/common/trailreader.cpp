// The trail reader shared by ausearch and aureport: source resolution, the
// log directory listing with each file's identity, opening every file up
// front (or checking it and opening it again when its turn comes, when
// descriptors are short), the line reader with its 1 MiB line limit, and
// reading bytes again for the sort (see trailreader.h for the rules).
#include "trailreader.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kvrtools {

namespace {

constexpr size_t kReadChunk = 256 * 1024;
// fetch(): this many buffers of at least this size.
constexpr size_t kFetchWindows = 4;
constexpr size_t kFetchWindow = 64 * 1024;
// Descriptors the tools need besides the trail's: the file being read when
// files are opened in turn, the sort's temporary file, the account database
// and libaudit's tables. Fewer free than this: the trail is not read.
constexpr long kMinFreeDescriptors = 8;
// Left free when the trail's files are kept open.
constexpr long kKeptFree = 16;

const char kNoDescriptors[] = "可打开的文件数不足，无法读取全部审计日志";

// Rotation number of a log file name of the family `stem`: 0 for the stem
// itself ("audit.log"), N for "audit.log.N", -1 for any other name.
long rotationOf(const char *name, const std::string &stem)
{
    if (std::strncmp(name, stem.c_str(), stem.size()) != 0)
        return -1;
    const char *rest = name + stem.size();
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

bool isShortOfDescriptors(int err)
{
    return err == EMFILE || err == ENFILE;
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

// A file of a log family as the directory lists it.
struct Listed {
    long rotation;
    std::string name;
    struct stat st;
    int statError;
};

std::string joinPath(const std::string &dir, const char *name)
{
    std::string full = dir;
    if (full.empty() || full.back() != '/')
        full += '/';
    return full + name;
}

// The files STEM, STEM.1, STEM.2, ... of `dir`, oldest (highest number)
// first, each with what stat(2) says of it. 0, or the errno of opendir.
int listFamily(const std::string &dir, const std::string &stem, std::vector<Listed> *out)
{
    out->clear();
    DIR *d = ::opendir(dir.c_str());
    if (!d)
        return errno;
    while (const dirent *e = ::readdir(d)) {
        const long n = rotationOf(e->d_name, stem);
        if (n < 0)
            continue;
        Listed l{n, joinPath(dir, e->d_name), {}, 0};
        if (::stat(l.name.c_str(), &l.st) != 0)
            l.statError = errno;
        out->push_back(std::move(l));
    }
    ::closedir(d);
    std::sort(out->begin(), out->end(),
              [](const Listed &a, const Listed &b) { return a.rotation > b.rotation; });
    return 0;
}

bool sameListing(const std::vector<Listed> &a, const std::vector<Listed> &b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [](const Listed &x, const Listed &y) {
               return x.name == y.name && x.statError == y.statError && x.st.st_dev == y.st.st_dev
                   && x.st.st_ino == y.st.st_ino;
           });
}

// The directory and family of a log file: "/d/audit.log.7" -> "/d", "audit.log".
void familyOf(const std::string &path, std::string *dir, std::string *stem)
{
    const size_t slash = path.rfind('/');
    *dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    *stem = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = stem->rfind('.');
    if (dot != std::string::npos && dot > 0 && dot + 1 < stem->size()
        && stem->find_first_not_of("0123456789", dot + 1) == std::string::npos)
        stem->resize(dot);
}

void raiseOpenFileLimit()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max)
        return;
    rlimit wanted = limit;
    wanted.rlim_cur = limit.rlim_max;
    if (::setrlimit(RLIMIT_NOFILE, &wanted) == 0 || limit.rlim_max != RLIM_INFINITY)
        return;
    // An unlimited hard limit: the kernel takes at most fs.nr_open.
    std::ifstream nrOpen("/proc/sys/fs/nr_open");
    unsigned long long most = 0;
    if (nrOpen >> most && most > limit.rlim_cur) {
        wanted.rlim_cur = rlim_t(most);
        ::setrlimit(RLIMIT_NOFILE, &wanted);
    }
}

// Descriptors that can still be opened under the soft limit.
long freeDescriptors(long *limitOut)
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return kKeptFree;
    const long most = limit.rlim_cur > rlim_t(1) << 30 ? 1L << 30 : long(limit.rlim_cur);
    *limitOut = most;
    // The limit bounds descriptor numbers: one above it (inherited) takes
    // no place under it.
    long used = 0;
    if (DIR *d = ::opendir("/proc/self/fd")) {
        while (const dirent *e = ::readdir(d))
            used += e->d_name[0] != '.' && std::strtol(e->d_name, nullptr, 10) < most;
        ::closedir(d);
        used -= 1; // the listing's own descriptor
    } else if (isShortOfDescriptors(errno)) {
        return 0;
    } else {
        used = 16; // no /proc: a guess
    }
    return std::max(0L, most - used);
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
    std::vector<Listed> listed;
    if (const int err = listFamily(dir, "audit.log", &listed)) {
        *error = reasonFor(dir, err);
        return false;
    }
    files->clear();
    for (Listed &l : listed)
        files->push_back(std::move(l.name));
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
    for (File &f : files_)
        if (f.fd >= 0) {
            ::close(f.fd);
            f.fd = -1;
        }
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
    // A listing taken while the daemon renames files may show one twice or
    // miss one: it is taken again until two in a row agree.
    std::vector<Listed> listed, again;
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (const int err = listFamily(source.path, "audit.log", &again)) {
            *error = reasonFor(source.path, err);
            return isShortOfDescriptors(err) ? TrailOpen::NoDescriptors : TrailOpen::Unreadable;
        }
        if (attempt > 0 && sameListing(listed, again))
            break;
        listed.swap(again);
    }
    std::vector<File> files;
    for (const Listed &l : listed) {
        const bool twice = std::any_of(files.begin(), files.end(), [&l](const File &f) {
            return !l.statError && !f.statError && f.dev == l.st.st_dev && f.ino == l.st.st_ino;
        });
        if (!twice)
            files.push_back({l.name, l.st.st_dev, l.st.st_ino, l.st.st_size, l.statError});
    }
    if (files.empty()) {
        *error = "no audit.log files in " + source.path;
        return TrailOpen::Unreadable;
    }
    return openListed(std::move(files), error);
}

TrailOpen TrailReader::openFiles(const std::vector<std::string> &names, std::string *error)
{
    std::vector<File> files;
    for (const std::string &name : names) {
        File f;
        f.name = name;
        struct stat st;
        if (::stat(name.c_str(), &st) != 0) {
            f.statError = errno;
        } else {
            f.dev = st.st_dev;
            f.ino = st.st_ino;
        }
        files.push_back(std::move(f));
    }
    return openListed(std::move(files), error);
}

// Opens `file` by its name and checks that it is the file listed (device
// and inode); when the name now belongs to another file (a rotation
// renamed them meanwhile), the listed file is looked for in its directory
// by inode. Returns the descriptor, -2 when the file is gone (removed, not
// renamed), or -1 with `how` and `error` set.
int TrailReader::openFile(File &file, std::string *error, TrailOpen *how)
{
    for (int attempt = 0;; ++attempt) {
        // O_NONBLOCK: opening a FIFO must not wait for a writer.
        const int fd = ::open(file.name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        if (fd < 0 && (errno != ENOENT || attempt > 0 || file.statError)) {
            const int err = errno;
            *how = isShortOfDescriptors(err) ? TrailOpen::NoDescriptors : TrailOpen::Unreadable;
            *error = isShortOfDescriptors(err)
                ? std::string(kNoDescriptors) + ": " + reasonFor(file.name, err)
                : reasonFor(file.name, err);
            return -1;
        }
        struct stat st;
        if (fd >= 0) {
            if (::fstat(fd, &st) != 0) {
                *error = reasonFor(file.name, errno);
                *how = TrailOpen::Unreadable;
                ::close(fd);
                return -1;
            }
            if (!S_ISREG(st.st_mode)) {
                *error = file.name
                    + " is not a regular file (a trail is a log file or a directory of them)";
                *how = TrailOpen::Usage;
                ::close(fd);
                return -1;
            }
            if (file.statError || (st.st_dev == file.dev && st.st_ino == file.ino)) {
                ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
                file.dev = st.st_dev;
                file.ino = st.st_ino;
                file.statError = 0;
                file.size = st.st_size;
                return fd;
            }
            ::close(fd);
        }
        // Renamed since it was listed: find it again by inode.
        std::string dir, stem;
        familyOf(file.name, &dir, &stem);
        std::vector<Listed> listed;
        const int err = attempt < 5 ? listFamily(dir, stem, &listed) : 0;
        const auto found = std::find_if(listed.begin(), listed.end(), [&file](const Listed &l) {
            return !l.statError && l.st.st_dev == file.dev && l.st.st_ino == file.ino;
        });
        if (err) {
            *how = isShortOfDescriptors(err) ? TrailOpen::NoDescriptors : TrailOpen::Unreadable;
            *error = reasonFor(dir, err);
            if (isShortOfDescriptors(err))
                *error = std::string(kNoDescriptors) + ": " + *error;
            return -1;
        }
        if (found == listed.end()) {
            *how = TrailOpen::Unreadable;
            *error = "cannot read " + file.name + ": the file was removed while the trail was read";
            return -2;
        }
        file.name = found->name;
    }
}

TrailOpen TrailReader::openListed(std::vector<File> files, std::string *error)
{
    closeAll();
    files_ = std::move(files);
    current_ = 0;
    currentOpen_ = false;
    begin_ = end_ = scanned_ = 0;
    base_ = 0;
    eof_ = skipping_ = failed_ = outOfDescriptors_ = inMemory_ = false;
    scanPass_ = finished_ = false;
    total_ = readBytes_ = scanBytes_ = 0;
    windows_.clear();

    raiseOpenFileLimit();
    long limit = 0;
    const long free = freeDescriptors(&limit);
    if (free < kMinFreeDescriptors) {
        *error = std::string(kNoDescriptors) + ": " + std::to_string(free)
            + " more files can be opened (limit " + std::to_string(limit) + "), "
            + std::to_string(kMinFreeDescriptors) + " are needed";
        return TrailOpen::NoDescriptors;
    }
    // Files beyond the budget are checked now and opened again in turn.
    size_t budget = size_t(std::max(0L, free - kKeptFree));
    budget = std::min(budget, openLimit_);
    size_t kept = 0;
    for (File &f : files_) {
        if (f.statError && f.statError != ENOENT) {
            *error = reasonFor(f.name, f.statError);
            closeAll();
            return isShortOfDescriptors(f.statError) ? TrailOpen::NoDescriptors
                                                     : TrailOpen::Unreadable;
        }
        TrailOpen how = TrailOpen::Ok;
        int fd = openFile(f, error, &how);
        if (fd == -1 && how == TrailOpen::NoDescriptors && kept > 0) {
            // Fewer descriptors than counted (another process took them):
            // the files kept last are opened in turn too, and nothing more
            // is kept.
            long released = 0;
            for (size_t i = files_.size(); i-- > 0 && released < kKeptFree;)
                if (files_[i].kept) {
                    ::close(files_[i].fd);
                    files_[i].fd = -1;
                    files_[i].kept = false;
                    --kept;
                    ++released;
                }
            budget = kept;
            fd = openFile(f, error, &how);
        }
        if (fd == -2) { // removed before it was opened: no longer part of the trail
            f.gone = true;
            continue;
        }
        if (fd < 0) {
            closeAll();
            return how;
        }
        total_ += uint64_t(f.size);
        if (kept < budget) {
            f.fd = fd;
            f.kept = true;
            ++kept;
        } else {
            ::close(fd);
        }
    }
    files_.erase(std::remove_if(files_.begin(), files_.end(), [](const File &f) { return f.gone; }),
                 files_.end());
    buffer_.assign(kMaxTrailLine + kReadChunk + 1, '\0');
    progress_.start(ProgressReporter::descriptorFromEnvironment(), total_);
    return TrailOpen::Ok;
}

void TrailReader::openBytes(std::string_view bytes)
{
    closeAll();
    files_.clear();
    memory_ = bytes;
    inMemory_ = true;
    current_ = 0;
    begin_ = 0;
    failed_ = outOfDescriptors_ = false;
    windows_.clear();
}

bool TrailReader::fail(const std::string &reason, bool descriptors)
{
    failed_ = true;
    outOfDescriptors_ = descriptors;
    error_ = reason;
    return false;
}

bool TrailReader::startFile(size_t index)
{
    File &f = files_[index];
    if (f.fd >= 0)
        return true;
    std::string error;
    TrailOpen how = TrailOpen::Ok;
    const int fd = openFile(f, &error, &how);
    if (fd < 0)
        return fail(error, fd == -1 && how == TrailOpen::NoDescriptors);
    f.fd = fd;
    return true;
}

void TrailReader::endFile(size_t index)
{
    File &f = files_[index];
    if (!f.kept && f.fd >= 0) {
        ::close(f.fd);
        f.fd = -1;
    }
}

void TrailReader::report()
{
    progress_.update(scanPass_ ? (scanBytes_ + readBytes_) / 2 : readBytes_);
}

bool TrailReader::fill()
{
    if (begin_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        scanned_ -= begin_;
        base_ += begin_;
        begin_ = 0;
    }
    const ssize_t n =
        readRetrying(files_[current_].fd, buffer_.data() + end_, buffer_.size() - end_);
    if (n < 0)
        return readFailed(current_);
    if (n == 0) {
        eof_ = true;
        return false;
    }
    end_ += size_t(n);
    readBytes_ += uint64_t(n);
    report();
    return true;
}

bool TrailReader::readFailed(size_t file)
{
    return fail(reasonFor(files_[file].name, errno), false);
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
            spot_ = {0, begin_, nl != std::string_view::npos};
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
    while (current_ < files_.size()) {
        if (!currentOpen_) {
            if (!startFile(current_))
                return TrailRead::End;
            currentOpen_ = true;
        }
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
                spot_ = {uint32_t(current_), base_ + from, true};
                return TrailRead::Line;
            }
            scanned_ = end_;
        }
        // No newline in the buffer: a line longer than the limit is dropped
        // as it comes, so the buffer never grows.
        if (!skipping_ && end_ - begin_ > kMaxTrailLine)
            skipping_ = true;
        if (skipping_) {
            base_ += end_;
            begin_ = scanned_ = end_ = 0;
        }
        if (eof_) {
            if (skipping_) {
                ++skipped_;
                skipping_ = false;
            } else if (end_ > begin_) {
                // The file's last line has no newline: a line of its own.
                *line = std::string_view(buffer_.data() + begin_, end_ - begin_);
                spot_ = {uint32_t(current_), base_ + begin_, false};
                begin_ = scanned_ = end_;
                return TrailRead::Line;
            }
            endFile(current_);
            ++current_;
            currentOpen_ = false;
            begin_ = end_ = scanned_ = 0;
            base_ = 0;
            eof_ = false;
            continue;
        }
        if (!fill() && failed_)
            return TrailRead::End;
    }
    if (!finished_) {
        finished_ = true;
        progress_.finish(scanPass_ ? (scanBytes_ + readBytes_) / 2 : readBytes_);
    }
    return TrailRead::End;
}

bool TrailReader::keeps(uint32_t file) const
{
    return inMemory_ || (file < files_.size() && files_[file].kept);
}

bool TrailReader::fetch(uint32_t file, uint64_t offset, size_t size, std::string_view *bytes)
{
    if (inMemory_) {
        if (offset > memory_.size() || size > memory_.size() - offset)
            return fail("cannot read the trail again: the bytes asked for are not there", false);
        *bytes = memory_.substr(size_t(offset), size);
        return true;
    }
    if (!keeps(file))
        return fail("cannot read the trail again: a file that was not kept open", false);
    ++fetches_;
    for (Window &w : windows_)
        if (w.file == file && offset >= w.start && offset + size <= w.start + w.size) {
            ++w.uses;
            w.lastUse = fetches_;
            *bytes = std::string_view(w.bytes.data() + (offset - w.start), size);
            return true;
        }
    // A buffer of the same file continues its reading; else the one used
    // least recently is taken.
    Window *w = nullptr;
    for (Window &c : windows_)
        if (c.file == file && (!w || c.lastUse > w->lastUse))
            w = &c;
    if (!w && windows_.size() < kFetchWindows)
        w = &windows_.emplace_back();
    if (!w)
        w = &*std::min_element(
            windows_.begin(), windows_.end(),
            [](const Window &a, const Window &b) { return a.lastUse < b.lastUse; });
    // Reading on from where the buffer ends, or a buffer that served more
    // than one fetch, reads ahead; a fetch out of file order reads only
    // what it needs.
    const bool ahead =
        w->file != file || w->uses > 1 || offset == w->start + w->size || w->size == 0;
    const size_t want = ahead ? std::max(size, kFetchWindow) : size;
    if (w->bytes.size() < want)
        w->bytes.resize(want);
    w->file = file;
    w->start = offset;
    w->size = 0;
    w->uses = 1;
    w->lastUse = fetches_;
    while (w->size < want) {
        const ssize_t n = readRetrying(files_[file].fd, w->bytes.data() + w->size, want - w->size,
                                       off_t(offset + w->size));
        if (n < 0)
            return readFailed(file);
        if (n == 0)
            break;
        w->size += size_t(n);
    }
    if (w->size < size)
        return fail("cannot read " + files_[file].name
                        + " again: it became shorter while the trail was read",
                    false);
    *bytes = std::string_view(w->bytes.data(), size);
    return true;
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
    scanPass_ = true;
    // Read with pread, so that next() keeps its place in every file.
    std::vector<char> buf(kMaxTrailLine + 4 * kReadChunk + 1);
    for (size_t f = 0; f < files_.size(); ++f) {
        const bool opened = files_[f].fd < 0;
        if (opened && !startFile(f))
            return false;
        off_t offset = 0;
        size_t have = 0; // bytes of an unfinished line at the buffer's start
        for (;;) {
            const ssize_t n =
                readRetrying(files_[f].fd, buf.data() + have, buf.size() - have, offset);
            if (n < 0) {
                readFailed(f);
                if (opened)
                    endFile(f);
                return false;
            }
            offset += n;
            scanBytes_ += uint64_t(n);
            report();
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
        if (opened)
            endFile(f);
    }
    return true;
}

} // namespace kvrtools
