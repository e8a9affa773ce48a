// Captures the standard output of a piece of code (see stdoutcapture.h).
#include "stdoutcapture.h"

#include "files.h"

#include <QFile>
#include <QTemporaryFile>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace testsupport {

QByteArray captureStdout(const std::function<void()> &action, const QString &file)
{
    QTemporaryFile temporary;
    QString path = file;
    if (path.isEmpty()) {
        if (!temporary.open())
            return QByteArray("<no capture file>");
        path = temporary.fileName();
    }
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return QByteArray("<no capture file>");
    std::fflush(stdout);
    const int saved = ::dup(STDOUT_FILENO);
    ::dup2(fd, STDOUT_FILENO);
    ::close(fd);
    action();
    std::fflush(stdout);
    ::dup2(saved, STDOUT_FILENO);
    ::close(saved);
    return readAll(path);
}

} // namespace testsupport
