#pragma once
// Test helper: runs an action of the real window while every modal dialog it
// opens is read and closed, with standard output sent to a file.

#include "modaldialogs.h"
#include "stdoutcapture.h"

#include <QStringList>

#include <functional>

namespace modalwatch {

// The texts of each modal dialog shown while `action` ran, its labels joined
// by "|", in the order shown; each is closed as it appears.
inline QStringList closingDialogs(const std::function<void()> &action)
{
    const testsupport::ModalCloser closer(false);
    action();
    return closer.seen();
}

// closingDialogs, except that the first dialog is answered "确定" (a question: yes).
inline QStringList acceptingFirstDialog(const std::function<void()> &action)
{
    const testsupport::ModalCloser closer(false, true);
    action();
    return closer.seen();
}

// closingDialogs with standard output sent to `outFile` meanwhile.
inline QStringList messagesOf(const std::function<void()> &action, const QString &outFile)
{
    QStringList seen;
    testsupport::captureStdout([&] { seen = closingDialogs(action); }, outFile);
    return seen;
}

} // namespace modalwatch
