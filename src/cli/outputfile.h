#pragma once
// Writes a finished report to the file an administrator named, whole or not
// at all: into a new file beside it, which then takes the name's place. A
// symbolic link at that name is replaced, never written through.

#include <QByteArray>
#include <QString>

namespace outputfile {

// Writes `bytes` to `path` as said above. Empty on success, otherwise why
// it failed (the system's words).
QString replace(const QString &path, const QByteArray &bytes);

// Writes `bytes` to standard output whole. Empty on success, else why not.
QString writeStandardOutput(const QByteArray &bytes);

} // namespace outputfile
