// Runs a program with arguments, environment and input, and collects what it
// did (see toolrunner.h): fork and exec, a poll loop over its pipes, and
// wait4 for its exit status and resource use.
#include "toolrunner.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcessEnvironment>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

namespace testsupport {

namespace {

// Owns the strings of an argv or envp and the null-ended pointer list.
struct CStrings {
    QList<QByteArray> strings;
    std::vector<char *> pointers;

    explicit CStrings(QList<QByteArray> list) : strings(std::move(list))
    {
        for (QByteArray &s : strings)
            pointers.push_back(s.data());
        pointers.push_back(nullptr);
    }
};

QStringList environmentFor(const QStringList &changes)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &change : changes) {
        const qsizetype eq = change.indexOf(QLatin1Char('='));
        if (eq < 0)
            env.remove(change);
        else
            env.insert(change.left(eq), change.mid(eq + 1));
    }
    return env.toStringList();
}

void closeFd(int &fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

// Reads what `fd` holds now into `into`; closes it at end of file or error.
void drain(int &fd, QByteArray &into)
{
    char buffer[65536];
    while (fd >= 0) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0)
            into.append(buffer, n);
        else if (n < 0 && errno == EINTR)
            continue;
        else if (n < 0 && errno == EAGAIN)
            return;
        else
            closeFd(fd);
    }
}

// In the forked child: only async-signal-safe calls. Reports a failure to
// start through `report` (close-on-exec, so a successful exec closes it).
[[noreturn]] void execChild(const char *path, char *const argv[], char *const envp[], int in,
                            int out, int err, const char *workingDirectory, int report)
{
    ::signal(SIGPIPE, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    if (::dup2(in, 0) >= 0 && ::dup2(out, 1) >= 0 && ::dup2(err, 2) >= 0
        && (!workingDirectory || ::chdir(workingDirectory) == 0))
        ::execve(path, argv, envp);
    const int error = errno;
    [[maybe_unused]] const ssize_t written = ::write(report, &error, sizeof error);
    ::_exit(127);
}

} // namespace

ToolRun runTool(const QString &program, const QStringList &args, const ToolOptions &options)
{
    // Writing input to a program that has stopped reading must not end the test.
    static const bool sigpipeIgnored = [] { return std::signal(SIGPIPE, SIG_IGN) != SIG_ERR; }();
    Q_UNUSED(sigpipeIgnored);

    ToolRun r;
    const QString path =
        program.contains(QLatin1Char('/')) ? program : QStandardPaths::findExecutable(program);
    if (path.isEmpty())
        return r;
    const QByteArray path8 = QFile::encodeName(path);
    QList<QByteArray> argv8{path8};
    for (const QString &a : args)
        argv8 << a.toLocal8Bit();
    QList<QByteArray> env8;
    for (const QString &e : environmentFor(options.env))
        env8 << e.toLocal8Bit();
    const CStrings argv(argv8), envp(env8);
    const QByteArray workingDirectory = QFile::encodeName(options.workingDirectory);

    int inPipe[2] = {-1, -1}, outPipe[2] = {-1, -1}, errPipe[2] = {-1, -1}, report[2] = {-1, -1};
    const bool piped =
        (options.input.isNull() ? (inPipe[0] = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0
                                : ::pipe2(inPipe, O_CLOEXEC) == 0)
        && ::pipe2(outPipe, O_CLOEXEC) == 0 && ::pipe2(errPipe, O_CLOEXEC) == 0
        && ::pipe2(report, O_CLOEXEC) == 0;
    const pid_t pid = piped ? ::fork() : -1;
    if (pid == 0)
        execChild(path8.constData(), argv.pointers.data(), envp.pointers.data(), inPipe[0],
                  outPipe[1], errPipe[1],
                  workingDirectory.isEmpty() ? nullptr : workingDirectory.constData(), report[1]);
    for (int *fd : {&inPipe[0], &outPipe[1], &errPipe[1], &report[1]})
        closeFd(*fd);
    int startError = 0;
    if (pid > 0 && ::read(report[0], &startError, sizeof startError) <= 0)
        startError = 0;
    closeFd(report[0]);
    if (pid < 0 || startError != 0) {
        if (pid > 0)
            ::waitpid(pid, nullptr, 0);
        for (int *fd : {&inPipe[1], &outPipe[0], &errPipe[0]})
            closeFd(*fd);
        return r;
    }

    for (int fd : {inPipe[1], outPipe[0], errPipe[0]})
        if (fd >= 0)
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    qsizetype written = 0;
    if (options.input.isEmpty())
        closeFd(inPipe[1]);
    QElapsedTimer clock;
    clock.start();
    int status = 0;
    rusage usage{};
    bool ended = false;
    while (!ended) {
        if (clock.elapsed() >= options.timeoutMs) {
            ::kill(pid, SIGKILL);
            break;
        }
        pollfd fds[3] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}, {inPipe[1], POLLOUT, 0}};
        ::poll(fds, 3, 20);
        drain(outPipe[0], r.out);
        drain(errPipe[0], r.err);
        if (inPipe[1] >= 0 && (fds[2].revents & (POLLOUT | POLLERR | POLLHUP))) {
            const ssize_t n = ::write(inPipe[1], options.input.constData() + written,
                                      size_t(options.input.size() - written));
            if (n > 0)
                written += n;
            if ((n < 0 && errno != EAGAIN && errno != EINTR) || written == options.input.size())
                closeFd(inPipe[1]);
        }
        ended = ::wait4(pid, &status, WNOHANG, &usage) == pid;
    }
    if (!ended) // killed on time-out
        ::wait4(pid, &status, 0, &usage);
    closeFd(inPipe[1]);
    // What the program wrote before it ended; a descendant that keeps the
    // pipes open is not waited for.
    drain(outPipe[0], r.out);
    drain(errPipe[0], r.err);
    closeFd(outPipe[0]);
    closeFd(errPipe[0]);
    r.peakKb = usage.ru_maxrss;
    r.finished = ended;
    r.crashed = ended && WIFSIGNALED(status);
    if (ended && WIFEXITED(status))
        r.exit = WEXITSTATUS(status);
    return r;
}

} // namespace testsupport
