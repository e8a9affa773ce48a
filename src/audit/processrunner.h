#pragma once
// Every program the application starts goes through here: an argument vector
// where no shell is needed, `sh -c` for the fixed pipelines. Each command runs
// in a process group of its own, so that stopping it stops the whole pipeline,
// and the application is a child subreaper, so that the members of a stopped
// group are reaped here instead of lingering. A command can report how far
// it has read through a progress descriptor, and can be stopped from another
// thread (or from a signal handler) through a StopSwitch.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

#include <sys/types.h>

namespace processrunner {

// How a command ended.
struct Exit {
    bool started = false; // false: it could not be started (or was stopped before)
    int exitCode = -1;    // its exit status; -1 when a signal ended it or it never ran
    // The signal that ended it, 0 when none did. For `sh -c` also the one
    // the shell reports for its last command as 128+N.
    int signal = 0;
    bool stopped = false;  // a StopSwitch ended it or kept it from starting
    bool timedOut = false; // killed (with its group) when its time was up
    bool succeeded() const
    {
        return started && !stopped && !timedOut && exitCode == 0 && signal == 0;
    }
};

// Stops every command started with it, at once and for good: their process
// groups are killed, and commands started later do not run. stop() may be
// called from any thread and from a signal handler.
class StopSwitch
{
public:
    StopSwitch();
    StopSwitch(const StopSwitch &) = delete;
    StopSwitch &operator=(const StopSwitch &) = delete;

    void stop() noexcept;
    bool isStopped() const noexcept { return stopped.load(); }

    // For the runner: a started group is registered (and killed at once when
    // the switch has been thrown meanwhile) and removed before it is reaped.
    int enter(pid_t group) noexcept;
    void leave(int slot) noexcept;

private:
    static constexpr int kSlots = 8;
    std::atomic<bool> stopped{false};
    std::atomic<pid_t> groups[kSlots];
};

// The name of the variable that tells the audit tools their progress descriptor.
inline constexpr char kProgressVariable[] = "KVR_AUDITREPORT_PROGRESS_FD";

struct Options {
    // "NAME=value" entries that replace or add to the environment.
    QStringList environment;
    // Thrown: the command is killed with its group, or not started.
    StopSwitch *stopSwitch = nullptr;
    // Set: the command gets a progress descriptor (kProgressVariable) and each
    // "READ TOTAL" line it writes there is handed on, on the waiting thread.
    std::function<void(qint64 read, qint64 total)> onProgress;
    // Set: standard output is collected here; otherwise it is discarded.
    QByteArray *output = nullptr;
    // False: standard error is discarded instead of shared with this process.
    bool showErrors = true;
    // Above 0: the command is killed with its group after that many milliseconds.
    int timeoutMs = 0;
};

// A started command. Its destructor stops and reaps one never waited for.
class Process
{
public:
    Process() = default;
    ~Process();
    Process(Process &&other) noexcept;
    Process &operator=(Process &&other) noexcept;
    Process(const Process &) = delete;
    Process &operator=(const Process &) = delete;

    // `argv[0]` is looked up in PATH. Standard input is /dev/null.
    static Process start(const QStringList &argv, const Options &options = {});
    bool isStarted() const { return pid > 0; }
    // Waits for the command to end, reading its progress and output meanwhile,
    // then reaps it and whatever is left of its group.
    Exit wait();

private:
    void release() noexcept;
    Exit finish(int status);
    void drain(bool untilEnd);
    void readProgress();
    void stopGroup() noexcept;

    pid_t pid = -1;
    int pidfd = -1;
    int progressRead = -1;
    int outputRead = -1;
    int slot = -1;
    int runningSlot = -1;
    bool stoppedBeforeStart = false;
    Options options;
    QByteArray progressPending;
};

// start() and wait() in one.
Exit run(const QStringList &argv, const Options &options = {});
// `/bin/sh -c commandLine`, the line handed over as UTF-8.
Exit runShell(const QString &commandLine, const Options &options = {});
// The argument vector of runShell().
QStringList shellArgv(const QString &commandLine);
// How a shell run ended, its status 128+N read as the signal N that ended
// its last command.
Exit shellExit(Exit exit);

// Kills the process group of every command of this process still running.
// Safe in a signal handler.
void stopAll() noexcept;
// From now on SIGINT, SIGTERM and SIGHUP first stop every running command
// (whose process groups such a signal to this program does not reach), then
// end the program as they would have.
void stopAllOnTerminatingSignals();

// The "READ TOTAL" lines of a progress descriptor: the complete lines at the
// start of `pending` are taken out of it and the last valid pair returned;
// false when none was complete and valid.
bool takeProgress(QByteArray *pending, qint64 *read, qint64 *total);

} // namespace processrunner
