// Replacing a file by a fresh one through a handle on its folder (see
// safefile.h for why).
#include "export/safefile.h"

#include <QByteArray>
#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace safefile {

namespace {

Failure failed(Problem problem, const QString &path, int error = 0)
{
    return {problem, path, error};
}

// The folder and the last component of `target`, as written.
void split(const QString &target, QString *folder, QString *name)
{
    const qsizetype slash = target.lastIndexOf(QLatin1Char('/'));
    if (slash < 0) {
        *folder = QStringLiteral(".");
        *name = target;
    } else {
        *folder = slash == 0 ? QStringLiteral("/") : target.left(slash);
        *name = target.mid(slash + 1);
    }
}

// The umask of this process, read without changing it.
mode_t processUmask()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("Umask:")) {
                bool ok = false;
                const uint mask = line.mid(6).trimmed().toUInt(&ok, 8);
                if (ok)
                    return mode_t(mask & 0777);
            }
        }
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

// A name no other user can guess, for the temporary file beside the target.
QByteArray temporaryName()
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QByteArray name = ".kvr-export-";
    for (int i = 0; i < 12; ++i)
        name += letters[QRandomGenerator::system()->bounded(int(sizeof letters - 1))];
    return name;
}

// Gives the file to `owner` and that user's primary group (the group stays
// as it is for a uid without an account).
void giveTo(int fd, uid_t owner)
{
    gid_t group = gid_t(-1);
    struct passwd entry {
    }, *found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(owner, &entry, buffer, sizeof buffer, &found) == 0 && found)
        group = found->pw_gid;
    // A folder that cannot hold another owner (vfat) keeps the export anyway.
    (void)::fchown(fd, owner, group);
}

} // namespace

Failure writeAll(int fd, const QByteArray &bytes, const QString &path)
{
    struct rlimit limit {
    };
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY
        && rlim_t(bytes.size()) > limit.rlim_cur)
        return failed(Problem::WriteFailed, path, EFBIG);
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return failed(Problem::WriteFailed, path, n < 0 ? errno : EIO);
        data += n;
        left -= n;
    }
    return {};
}

bool replace(const QString &target, const Filler &fill, std::optional<uid_t> owner,
             Failure *failure)
{
    Failure ignored;
    Failure &why = failure ? *failure : ignored;
    why = {};
    QString folder, name;
    split(target, &folder, &name);
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) {
        why = failed(Problem::NotAFileName, target);
        return false;
    }
    const QByteArray nativeFolder = QFile::encodeName(folder);
    const QByteArray nativeName = QFile::encodeName(name);

    const int dir =
        ::open(nativeFolder.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dir < 0) {
        const int error = errno;
        struct stat st {
        };
        if (error == ENOENT)
            why = failed(Problem::FolderMissing, folder);
        else if ((error == ENOTDIR || error == ELOOP) && ::lstat(nativeFolder.constData(), &st) == 0
                 && S_ISLNK(st.st_mode))
            why = failed(Problem::FolderIsLink, folder);
        else if (error == ENOTDIR)
            why = failed(Problem::FolderMissing, folder);
        else
            why = failed(Problem::FolderUnusable, folder, error);
        return false;
    }

    struct stat dirStat {
    }, existing{};
    ::fstat(dir, &dirStat);
    if (::fstatat(dir, nativeName.constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISDIR(existing.st_mode))
            why = failed(Problem::NameIsDirectory, target);
        else if (!S_ISREG(existing.st_mode) && !S_ISLNK(existing.st_mode))
            why = failed(Problem::NameNotRegular, target);
        if (why.problem != Problem::None) {
            ::close(dir);
            return false;
        }
    }

    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = temporaryName();
        fd = ::openat(dir, temporary.constData(),
                      O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        why = failed(Problem::WriteFailed, target, errno);
        ::close(dir);
        return false;
    }

    why = fill(fd);
    if (why.problem == Problem::None) {
        if (owner && dirStat.st_uid == *owner && *owner != ::geteuid())
            giveTo(fd, *owner);
        // The mode a shell redirection or cp would give a new file.
        ::fchmod(fd, 0666 & ~processUmask());
        if (::fsync(fd) != 0)
            why = failed(Problem::WriteFailed, target, errno);
    }
    if (::close(fd) != 0 && why.problem == Problem::None)
        why = failed(Problem::WriteFailed, target, errno);
    if (why.problem == Problem::None
        && ::renameat(dir, temporary.constData(), dir, nativeName.constData()) != 0)
        why = failed(Problem::ReplaceFailed, target, errno);
    if (why.problem != Problem::None)
        ::unlinkat(dir, temporary.constData(), 0);
    else
        ::fsync(dir); // the new name on disk too; a folder that cannot be synced keeps it anyway
    ::close(dir);
    return why.problem == Problem::None;
}

bool wouldReplace(const QString &target)
{
    struct stat st {
    };
    return ::lstat(QFile::encodeName(target).constData(), &st) == 0
        && (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode));
}

std::optional<uid_t> requestingUser()
{
    for (const char *variable : {"PKEXEC_UID", "SUDO_UID"}) {
        const QByteArray value = qgetenv(variable);
        if (value.isEmpty() || value.size() > 10)
            continue;
        bool digits = true;
        for (char c : value)
            digits = digits && c >= '0' && c <= '9';
        const qulonglong uid = digits ? value.toULongLong() : 0;
        if (digits && uid < qulonglong(uid_t(-1)))
            return uid_t(uid);
    }
    return std::nullopt;
}

} // namespace safefile
