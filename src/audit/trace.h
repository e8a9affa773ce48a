#pragma once
// The diagnostic lines of the query road ("minglingshi …", "hangshushi 3"):
// written on standard output by the window, where they have always gone, on
// standard error by `--report --verbose`, and not at all by a quiet
// `--report`, whose standard output may be the report itself.

#include <QByteArray>

namespace trace {

enum class Target { StandardOutput, StandardError, Off };

// Where the lines go from now on, for every thread; standard output at first.
void setTarget(Target target);
Target target();

// Writes `bytes` (no newline added) and flushes, so that the lines keep their
// place among the tools' own output.
void raw(const QByteArray &bytes);
// Writes `bytes` and a newline, and flushes.
void line(const QByteArray &bytes);

} // namespace trace
