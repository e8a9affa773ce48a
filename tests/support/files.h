#pragma once
// Whole-file reading and writing for the tests: the working files the program
// leaves behind, trails and inputs the tests prepare.

#include <QByteArray>
#include <QFileDevice>
#include <QString>

namespace testsupport {

// The bytes of `path`, or `ifMissing` when it cannot be opened.
QByteArray readAll(const QString &path, const QByteArray &ifMissing = QByteArray());

// Replaces the content of `path` with `bytes`; false when it cannot be written whole.
bool writeAll(const QString &path, const QByteArray &bytes);

// writeAll for a test's own fixtures: a file the test cannot write ends the
// run (qFatal) rather than test the wrong input; returns `path`.
QString writeFixture(const QString &path, const QByteArray &bytes);

// Writes a shell script "#!/bin/sh\n" + `body` to `path` with `permissions`
// (by default only the owner reads, writes and runs it); false on failure.
bool writeScript(const QString &path, const QByteArray &body,
                 QFileDevice::Permissions permissions = QFileDevice::ReadOwner
                     | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

} // namespace testsupport
