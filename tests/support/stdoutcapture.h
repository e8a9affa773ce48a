#pragma once
// Captures what a piece of code writes to the process's standard output (file
// descriptor 1, so printf and qDebug-free std::cout alike), for tests of the
// program's diagnostic lines.

#include <QByteArray>
#include <QString>

#include <functional>

namespace testsupport {

// Runs `action` with standard output sent to `file` (a temporary file when
// empty) and returns what was written; "<no capture file>" when the file
// cannot be opened, so that a comparison fails instead of passing on nothing.
QByteArray captureStdout(const std::function<void()> &action, const QString &file = QString());

} // namespace testsupport
