// Replaces a file through a new one beside it (see outputfile.h).
#include "cli/outputfile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace outputfile {

namespace {

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Writes all of `bytes` to `fd`; 0 or the errno of the failure.
int writeAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote =
            ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return wrote < 0 ? errno : EIO;
        done += wrote;
    }
    return 0;
}

} // namespace

QString replace(const QString &path, const QByteArray &bytes)
{
    const QFileInfo target(path);
    const QByteArray name = QFile::encodeName(target.fileName());
    if (name.isEmpty() || name == "." || name == "..")
        return systemError(EISDIR);
    const int dir = ::open(QFile::encodeName(target.absolutePath()).constData(),
                           O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return systemError(errno);

    // A name of its own in the same folder, which nobody else can have
    // planted: O_EXCL refuses anything already there, a link included.
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary =
            '.' + name + ".tmp-" + QByteArray::number(QRandomGenerator::system()->generate64(), 36);
        fd = ::openat(dir, temporary.constData(),
                      O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        const int error = errno;
        ::close(dir);
        return systemError(error);
    }
    int error = writeAll(fd, bytes);
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    // rename() puts the new file in the name's place: what was there (a file,
    // a link) is replaced, and a reader never sees half a report.
    if (error == 0 && ::renameat(dir, temporary.constData(), dir, name.constData()) != 0)
        error = errno;
    if (error != 0)
        ::unlinkat(dir, temporary.constData(), 0);
    else
        ::fsync(dir);
    ::close(dir);
    return error == 0 ? QString() : systemError(error);
}

QString writeStandardOutput(const QByteArray &bytes)
{
    std::fflush(stdout);
    const int error = writeAll(STDOUT_FILENO, bytes);
    return error == 0 ? QString() : systemError(error);
}

} // namespace outputfile
