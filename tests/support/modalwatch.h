#pragma once
// Test helper: runs an action of the real window while every modal dialog it
// opens is read and closed, with standard output sent to a file.

#include "modaldialogs.h"

#include <QFile>
#include <QStringList>

#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <unistd.h>

namespace modalwatch {

// The texts of each modal dialog shown while `action` ran, its labels joined
// by "|", in the order shown; each is closed as it appears.
inline QStringList closingDialogs(const std::function<void()> &action)
{
    const testsupport::ModalCloser closer(false);
    action();
    return closer.seen();
}

// closingDialogs with standard output sent to `outFile` meanwhile.
inline QStringList messagesOf(const std::function<void()> &action, const QString &outFile)
{
    std::fflush(stdout);
    const int saved = ::dup(1);
    const int fd =
        ::open(QFile::encodeName(outFile).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(fd, 1);
    ::close(fd);
    const QStringList seen = closingDialogs(action);
    std::fflush(stdout);
    ::dup2(saved, 1);
    ::close(saved);
    return seen;
}

} // namespace modalwatch
