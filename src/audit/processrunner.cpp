// Starts commands in process groups of their own, waits for them and reaps
// them, stops them on demand (see processrunner.h).
#include "audit/processrunner.h"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <mutex>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace processrunner {

namespace {

// The members of a killed group outlive their leader by a moment; once the
// leader is gone they are re-parented to the nearest subreaper, this process,
// which then reaps them instead of leaving that to whatever init there is.
void becomeSubreaper()
{
    static std::once_flag once;
    std::call_once(once, [] { ::prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0); });
}

int openPidfd(pid_t pid)
{
#ifdef SYS_pidfd_open
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    return -1;
#endif
}

// The descriptor number the progress pipe has in the command.
constexpr int kChildProgressFd = 3;

void closeFd(int &fd) noexcept
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

// A NULL-terminated vector of C strings that owns its bytes.
class CStrings
{
public:
    void add(const QByteArray &bytes) { store.push_back(bytes); }
    char **data()
    {
        pointers.clear();
        for (QByteArray &bytes : store)
            pointers.push_back(bytes.data());
        pointers.push_back(nullptr);
        return pointers.data();
    }

private:
    std::vector<QByteArray> store;
    std::vector<char *> pointers;
};

QByteArray variableName(const QByteArray &entry)
{
    const qsizetype equals = entry.indexOf('=');
    return equals < 0 ? entry : entry.left(equals);
}

// This process's environment with `changes` ("NAME=value") applied.
CStrings environmentWith(const QStringList &changes)
{
    std::vector<QByteArray> replaced;
    for (const QString &change : changes)
        replaced.push_back(change.toUtf8());
    CStrings env;
    for (char **entry = environ; entry && *entry; ++entry) {
        const QByteArray existing(*entry);
        bool overridden = false;
        for (const QByteArray &change : replaced)
            overridden = overridden || variableName(change) == variableName(existing);
        if (!overridden)
            env.add(existing);
    }
    for (const QByteArray &change : replaced)
        env.add(change);
    return env;
}

// A pipe whose ends are close-on-exec and non-blocking, the write end moved
// above the descriptors the command gets, so that handing it over is a real dup2.
bool makePipe(int *readEnd, int *writeEnd)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    const int moved = ::fcntl(fds[1], F_DUPFD_CLOEXEC, 10);
    ::close(fds[1]);
    if (moved < 0) {
        ::close(fds[0]);
        return false;
    }
    *readEnd = fds[0];
    *writeEnd = moved;
    return true;
}

// Every command of this process still running, for stopAll().
constexpr int kRunningSlots = 64;
std::atomic<pid_t> running[kRunningSlots];

int registerRunning(pid_t group) noexcept
{
    for (int i = 0; i < kRunningSlots; ++i) {
        pid_t empty = 0;
        if (running[i].compare_exchange_strong(empty, group))
            return i;
    }
    return -1;
}

void unregisterRunning(int slot) noexcept
{
    if (slot >= 0)
        running[slot].store(0);
}

extern "C" void stopAllAndEnd(int signal)
{
    stopAll();
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

void pause(int milliseconds)
{
    const timespec interval{0, milliseconds * 1000000L};
    ::nanosleep(&interval, nullptr);
}

} // namespace

StopSwitch::StopSwitch()
{
    for (std::atomic<pid_t> &group : groups)
        group.store(0);
}

void StopSwitch::stop() noexcept
{
    stopped.store(true);
    for (std::atomic<pid_t> &group : groups) {
        if (const pid_t id = group.load(); id > 0)
            ::kill(-id, SIGKILL);
    }
}

int StopSwitch::enter(pid_t group) noexcept
{
    for (int i = 0; i < kSlots; ++i) {
        pid_t empty = 0;
        if (groups[i].compare_exchange_strong(empty, group)) {
            // A stop() that ran before the slot was taken did not see it.
            if (stopped.load())
                ::kill(-group, SIGKILL);
            return i;
        }
    }
    return -1;
}

void StopSwitch::leave(int slot) noexcept
{
    if (slot >= 0 && slot < kSlots)
        groups[slot].store(0);
}

Process::~Process()
{
    release();
}

Process::Process(Process &&other) noexcept
{
    *this = std::move(other);
}

Process &Process::operator=(Process &&other) noexcept
{
    if (this != &other) {
        release();
        pid = other.pid;
        pidfd = other.pidfd;
        progressRead = other.progressRead;
        outputRead = other.outputRead;
        slot = other.slot;
        runningSlot = other.runningSlot;
        stoppedBeforeStart = other.stoppedBeforeStart;
        options = std::move(other.options);
        progressPending = std::move(other.progressPending);
        other.pid = -1;
        other.pidfd = other.progressRead = other.outputRead = other.slot = -1;
        other.runningSlot = -1;
    }
    return *this;
}

Process Process::start(const QStringList &argv, const Options &options)
{
    Process process;
    process.options = options;
    if (argv.isEmpty())
        return process;
    if (options.stopSwitch && options.stopSwitch->isStopped()) {
        process.stoppedBeforeStart = true;
        return process;
    }
    becomeSubreaper();

    CStrings args;
    for (const QString &arg : argv)
        args.add(arg.toUtf8());
    QStringList changes = options.environment;
    int progressWrite = -1;
    int outputWrite = -1;
    if (options.onProgress && makePipe(&process.progressRead, &progressWrite))
        changes << QLatin1String(kProgressVariable) + QLatin1Char('=')
                + QString::number(kChildProgressFd);
    if (options.output && !makePipe(&process.outputRead, &outputWrite)) {
        closeFd(process.progressRead);
        closeFd(progressWrite);
        return process;
    }
    CStrings env = environmentWith(changes);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (outputWrite >= 0)
        posix_spawn_file_actions_adddup2(&actions, outputWrite, 1);
    else
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (!options.showErrors)
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (progressWrite >= 0)
        posix_spawn_file_actions_adddup2(&actions, progressWrite, kChildProgressFd);
    // Nothing of this process beyond those descriptors reaches the command.
    posix_spawn_file_actions_addclosefrom_np(&actions, kChildProgressFd + 1);

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK);

    char **argvData = args.data();
    pid_t child = -1;
    const int failed =
        ::posix_spawnp(&child, argvData[0], &actions, &attributes, argvData, env.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    closeFd(progressWrite);
    closeFd(outputWrite);
    if (failed != 0) {
        closeFd(process.progressRead);
        closeFd(process.outputRead);
        return process;
    }
    process.pid = child;
    process.runningSlot = registerRunning(child);
    process.pidfd = openPidfd(child);
    if (options.stopSwitch)
        process.slot = options.stopSwitch->enter(child);
    return process;
}

void Process::readProgress()
{
    if (progressRead < 0)
        return;
    char buffer[512];
    for (;;) {
        const ssize_t got = ::read(progressRead, buffer, sizeof buffer);
        if (got > 0) {
            progressPending.append(buffer, got);
            continue;
        }
        if (got == 0)
            closeFd(progressRead); // every writer has closed it
        else if (errno == EINTR)
            continue;
        break;
    }
    // A line that never ends is no progress line.
    if (progressPending.size() > 4096)
        progressPending.clear();
    qint64 read = 0;
    qint64 total = 0;
    if (takeProgress(&progressPending, &read, &total))
        options.onProgress(read, total);
}

void Process::drain(bool untilEnd)
{
    if (outputRead < 0)
        return;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(outputRead, buffer, sizeof buffer);
        if (got > 0) {
            options.output->append(buffer, got);
            continue;
        }
        if (got == 0) {
            closeFd(outputRead);
        } else if (errno == EINTR) {
            continue;
        } else if (errno == EAGAIN && untilEnd) {
            // Written before the command ended, but not yet all read.
            pollfd ready{outputRead, POLLIN, 0};
            if (::poll(&ready, 1, 0) > 0)
                continue;
        }
        break;
    }
}

void Process::stopGroup() noexcept
{
    // The leader is a zombie until it is reaped: the group id is still its own.
    ::kill(-pid, SIGKILL);
}

Exit Process::wait()
{
    Exit exit;
    if (stoppedBeforeStart) {
        exit.stopped = true;
        return exit;
    }
    if (pid <= 0)
        return exit;
    exit.started = true;
    timespec began{};
    ::clock_gettime(CLOCK_MONOTONIC, &began);
    auto elapsedMs = [&began] {
        timespec now{};
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        return (now.tv_sec - began.tv_sec) * 1000 + (now.tv_nsec - began.tv_nsec) / 1000000;
    };
    bool timedOut = false;
    for (;;) {
        pollfd fds[3];
        nfds_t count = 0;
        if (pidfd >= 0)
            fds[count++] = {pidfd, POLLIN, 0};
        if (progressRead >= 0)
            fds[count++] = {progressRead, POLLIN, 0};
        if (outputRead >= 0)
            fds[count++] = {outputRead, POLLIN, 0};
        // Without a pidfd the end is noticed by looking every 20 ms.
        int wait = pidfd >= 0 ? -1 : 20;
        if (options.timeoutMs > 0 && !timedOut) {
            const long left = options.timeoutMs - elapsedMs();
            if (left <= 0) {
                timedOut = true;
                stopGroup();
            }
            wait = static_cast<int>(left <= 0 ? 0 : (wait < 0 || left < wait ? left : wait));
        }
        ::poll(fds, count, wait);
        readProgress();
        drain(false);
        siginfo_t info{};
        const int waited =
            ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT);
        if (waited == 0 && info.si_pid == pid)
            break;
        if (waited != 0 && errno != EINTR)
            break; // no longer our child to wait for
    }
    const bool stopped = timedOut || (options.stopSwitch && options.stopSwitch->isStopped());
    if (stopped)
        stopGroup();
    readProgress();
    drain(true);

    int status = 0;
    if (options.stopSwitch)
        options.stopSwitch->leave(slot);
    slot = -1;
    unregisterRunning(runningSlot);
    runningSlot = -1;
    pid_t reaped;
    do {
        reaped = ::waitpid(pid, &status, 0);
    } while (reaped < 0 && errno == EINTR);
    exit.timedOut = timedOut;
    exit.stopped = stopped && !timedOut;
    if (reaped == pid && WIFSIGNALED(status))
        exit.signal = WTERMSIG(status);
    else if (reaped == pid && WIFEXITED(status))
        exit.exitCode = WEXITSTATUS(status);

    // What is left of the group came back to this process: reap it, waiting
    // for the killed members of a stopped group.
    const pid_t group = pid;
    pid = -1;
    for (int waitedMs = 0; waitedMs < 2000;) {
        const pid_t member = ::waitpid(-group, &status, WNOHANG);
        if (member > 0)
            continue;
        if (member < 0 && errno == EINTR)
            continue;
        if (member < 0 || !stopped)
            break; // ECHILD: none left; or members still running on their own
        pause(2);
        waitedMs += 2;
    }
    closeFd(pidfd);
    closeFd(progressRead);
    closeFd(outputRead);
    return exit;
}

void Process::release() noexcept
{
    if (pid > 0) {
        stopGroup();
        if (options.stopSwitch)
            options.stopSwitch->leave(slot);
        unregisterRunning(runningSlot);
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        for (int waitedMs = 0; waitedMs < 2000;) {
            const pid_t member = ::waitpid(-pid, &status, WNOHANG);
            if (member > 0 || (member < 0 && errno == EINTR))
                continue;
            if (member < 0)
                break;
            pause(2);
            waitedMs += 2;
        }
    }
    pid = -1;
    slot = -1;
    runningSlot = -1;
    closeFd(pidfd);
    closeFd(progressRead);
    closeFd(outputRead);
}

Exit run(const QStringList &argv, const Options &options)
{
    return Process::start(argv, options).wait();
}

QStringList shellArgv(const QString &commandLine)
{
    return {QStringLiteral("/bin/sh"), QStringLiteral("-c"), commandLine};
}

Exit shellExit(Exit exit)
{
    if (exit.signal == 0 && exit.exitCode > 128 && exit.exitCode < 128 + 65)
        exit.signal = exit.exitCode - 128;
    return exit;
}

Exit runShell(const QString &commandLine, const Options &options)
{
    return shellExit(run(shellArgv(commandLine), options));
}

void stopAll() noexcept
{
    for (std::atomic<pid_t> &group : running) {
        if (const pid_t id = group.load(); id > 0)
            ::kill(-id, SIGKILL);
    }
}

void stopAllOnTerminatingSignals()
{
    struct sigaction action {
    };
    action.sa_handler = stopAllAndEnd;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

bool takeProgress(QByteArray *pending, qint64 *read, qint64 *total)
{
    bool found = false;
    qsizetype end;
    while ((end = pending->indexOf('\n')) >= 0) {
        const QList<QByteArray> words = pending->left(end).split(' ');
        pending->remove(0, end + 1);
        bool readOk = false;
        bool totalOk = false;
        const qint64 r = words.size() == 2 ? words[0].toLongLong(&readOk) : 0;
        const qint64 t = words.size() == 2 ? words[1].toLongLong(&totalOk) : 0;
        if (readOk && totalOk && r >= 0 && t >= 0) {
            *read = r;
            *total = t;
            found = true;
        }
    }
    return found;
}

} // namespace processrunner
