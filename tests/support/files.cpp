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

bool writeScript(const QString &path, const QByteArray &body, QFileDevice::Permissions permissions)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    f.write("#!/bin/sh\n" + body);
    f.close();
    return f.setPermissions(permissions);
}

} // namespace testsupport
