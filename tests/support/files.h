#pragma once
// Whole-file reading and writing for the tests: the working files the program
// leaves behind, trails and inputs the tests prepare.

#include <QByteArray>
#include <QString>

namespace testsupport {

// The bytes of `path`, or `ifMissing` when it cannot be opened.
QByteArray readAll(const QString &path, const QByteArray &ifMissing = QByteArray());

// Replaces the content of `path` with `bytes`; false when it cannot be written whole.
bool writeAll(const QString &path, const QByteArray &bytes);

// writeAll for a test's own fixtures: a file the test cannot write ends the
// run (qFatal) rather than test the wrong input; returns `path`.
QString writeFixture(const QString &path, const QByteArray &bytes);

} // namespace testsupport
