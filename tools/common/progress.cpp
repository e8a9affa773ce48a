// The progress lines of the audit tools on KVR_AUDITREPORT_PROGRESS_FD (see
// progress.h).
#include "progress.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

namespace kvrtools {

namespace {

constexpr int64_t kIntervalNs = 50'000'000;

int64_t nowNs()
{
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return int64_t(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

} // namespace

int ProgressReporter::descriptorFromEnvironment()
{
    const char *text = std::getenv("KVR_AUDITREPORT_PROGRESS_FD");
    if (!text || !*text)
        return -1;
    long fd = 0;
    for (const char *p = text; *p; ++p) {
        if (*p < '0' || *p > '9' || fd > 1000000000)
            return -1;
        fd = fd * 10 + (*p - '0');
    }
    // Never the tool's own input, output or error: progress lines there
    // would mix with the results.
    if (fd <= 2)
        return -1;
    const int flags = ::fcntl(int(fd), F_GETFL);
    if (flags < 0)
        return -1;
    const int mode = flags & O_ACCMODE;
    return mode == O_WRONLY || mode == O_RDWR ? int(fd) : -1;
}

void ProgressReporter::start(int fd, uint64_t total)
{
    fd_ = fd;
    total_ = total;
    last_ = 0;
    if (fd_ < 0)
        return;
    // A reader that does not keep up must never hold the tool up.
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags < 0 || ::fcntl(fd_, F_SETFL, flags | O_NONBLOCK) < 0) {
        fd_ = -1;
        return;
    }
    write(0);
}

void ProgressReporter::updateSlow(uint64_t read)
{
    const int64_t now = nowNs();
    if (now - lastNs_ < kIntervalNs)
        return;
    write(read);
}

void ProgressReporter::finish(uint64_t read)
{
    if (fd_ >= 0)
        write(read);
    fd_ = -1;
}

void ProgressReporter::write(uint64_t read)
{
    read = std::min(read, total_);
    char line[48];
    const int n =
        std::snprintf(line, sizeof line, "%llu %llu\n", static_cast<unsigned long long>(read),
                      static_cast<unsigned long long>(total_));
    // A write to a pipe whose reader has gone raises SIGPIPE, which would
    // end the tool. It is blocked around the write, and one it raised is
    // taken back before it is unblocked (unless one was pending already,
    // which then stays for its owner).
    sigset_t pipeOnly, previous, pending;
    sigemptyset(&pipeOnly);
    sigaddset(&pipeOnly, SIGPIPE);
    ::pthread_sigmask(SIG_BLOCK, &pipeOnly, &previous);
    sigemptyset(&pending);
    ::sigpending(&pending);
    const bool wasPending = sigismember(&pending, SIGPIPE) == 1;
    ssize_t written;
    do
        written = ::write(fd_, line, size_t(n));
    while (written < 0 && errno == EINTR);
    const int error = written < 0 ? errno : 0;
    if (error == EPIPE && !wasPending) {
        const timespec zero{};
        while (::sigtimedwait(&pipeOnly, nullptr, &zero) < 0 && errno == EINTR) {
        }
    }
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    lastNs_ = nowNs();
    last_ = read;
    // A full pipe drops this line; any other failure ends the reporting.
    if (error != 0 && error != EAGAIN && error != EWOULDBLOCK)
        fd_ = -1;
}

} // namespace kvrtools
