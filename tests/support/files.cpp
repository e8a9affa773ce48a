// Whole-file reading and writing for the tests (see files.h).
#include "files.h"

#include <QFile>

namespace testsupport {

QByteArray readAll(const QString &path, const QByteArray &ifMissing)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : ifMissing;
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QString writeFixture(const QString &path, const QByteArray &bytes)
{
    if (!writeAll(path, bytes))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

} // namespace testsupport
