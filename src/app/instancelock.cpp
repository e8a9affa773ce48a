// Inspecting and taking over the single-instance lock file (see
// instancelock.h). The file is the one QLockFile writes: the pid, the
// program's name, the host name, then the machine and boot ids, one a line.
#include "app/instancelock.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSysInfo>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace instancelock {

namespace {

// Closes a descriptor when it goes out of scope (which also drops its locks).
struct Descriptor {
    int fd = -1;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// A host name as gethostname() gives it; anything else in that line is taken
// for damage, not for another host.
bool isHostName(const QByteArray &name)
{
    if (name.isEmpty() || name.size() > 253)
        return false;
    for (char c : name) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
            || c == '.' || c == '-' || c == '_';
        if (!ok)
            return false;
    }
    return true;
}

// Whether a kernel lock (flock or fcntl, as QLockFile takes both) is held on
// the open file by anyone else. Takes the flock itself when it is free, so
// that nobody else takes it until `fd` is closed.
bool lockedByOther(int fd)
{
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return errno == EWOULDBLOCK || errno == EINTR;
    struct flock probe {
    };
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    return ::fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
}

// Whether process `pid` is alive here and runs the program named `program`
// (any program when the name is unknown or cannot be read).
bool runsHere(qint64 pid, const QByteArray &program)
{
    if (pid <= 0 || pid > 0x3fffffff)
        return false;
    if (::kill(pid_t(pid), 0) != 0 && errno != EPERM)
        return false;
    if (program.isEmpty())
        return true;
    char exe[4096];
    const QByteArray link = "/proc/" + QByteArray::number(pid) + "/exe";
    const ssize_t n = ::readlink(link.constData(), exe, sizeof exe - 1);
    if (n < 0)
        return errno != ENOENT; // ENOENT: gone, or a kernel thread
    QByteArray path(exe, n);
    // A program replaced by an upgrade while it runs.
    if (path.endsWith(" (deleted)"))
        path.chop(10);
    return path.mid(path.lastIndexOf('/') + 1) == program;
}

Inspection examine(const QString &path, int *openFd)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat st {
    };
    if (::lstat(native.constData(), &st) != 0)
        return {State::Absent, QString(), 0};
    if (!S_ISREG(st.st_mode))
        return {State::NotAFile, QString(), 0};
    const int fd = ::open(native.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        // Gone meanwhile; anything else (a link swapped in) is not touched.
        return {errno == ENOENT ? State::Absent : State::NotAFile, QString(), 0};
    }
    *openFd = fd;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return {State::NotAFile, QString(), 0};
    if (lockedByOther(fd))
        return {State::Held, QString(), 0};

    char buffer[4096];
    ssize_t got;
    do {
        got = ::read(fd, buffer, sizeof buffer);
    } while (got < 0 && errno == EINTR);
    const QList<QByteArray> lines = QByteArray(buffer, got > 0 ? got : 0).split('\n');
    bool numeric = false;
    const qint64 pid = lines.value(0).toLongLong(&numeric);
    const QByteArray program = lines.value(1);
    const QByteArray host = lines.value(2);
    const QByteArray bootId = lines.value(4);

    if (isHostName(host) && host != QSysInfo::machineHostName().toUtf8())
        return {State::OtherHost, QString::fromUtf8(host), numeric ? pid : 0};
    // A lock written before the last boot is stale whatever runs under its pid now.
    const QByteArray ourBoot = QSysInfo::bootUniqueId();
    if (!bootId.isEmpty() && !ourBoot.isEmpty() && bootId != ourBoot)
        return {State::Stale, QString(), numeric ? pid : 0};
    if (numeric && runsHere(pid, program))
        return {State::Held, QString(), pid};
    return {State::Stale, QString(), numeric ? pid : 0};
}

} // namespace

Inspection inspect(const QString &path)
{
    Descriptor fd;
    return examine(path, &fd.fd);
}

bool removeUnheld(const QString &path, bool otherHostToo)
{
    Descriptor fd;
    const Inspection seen = examine(path, &fd.fd);
    if (seen.state != State::Stale && !(seen.state == State::OtherHost && otherHostToo))
        return false;
    // Only the file examined, which this process now holds the flock of.
    struct stat held {
    }, named{};
    const QByteArray native = QFile::encodeName(path);
    if (::fstat(fd.fd, &held) != 0 || ::lstat(native.constData(), &named) != 0
        || held.st_dev != named.st_dev || held.st_ino != named.st_ino)
        return false;
    return ::unlink(native.constData()) == 0;
}

DirectoryGuard::DirectoryGuard(const QString &dir)
{
    fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX);
    } while (rc != 0 && errno == EINTR);
}

DirectoryGuard::~DirectoryGuard()
{
    if (fd >= 0)
        ::close(fd);
}

} // namespace instancelock
