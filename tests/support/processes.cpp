// Reads the process table from /proc (see processes.h).
#include "processes.h"

#include <QDir>
#include <QFile>

#include <unistd.h>

namespace testsupport {

namespace {

QByteArray readProcFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

QList<ProcessInfo> processes()
{
    QList<ProcessInfo> all;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        bool numeric = false;
        const int pid = entry.toInt(&numeric);
        if (!numeric)
            continue;
        // "pid (comm) state ppid pgrp …": comm may hold blanks and brackets.
        const QByteArray stat = readProcFile(QStringLiteral("/proc/%1/stat").arg(pid));
        const qsizetype close = stat.lastIndexOf(')');
        if (close < 0)
            continue;
        const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
        if (fields.size() < 3)
            continue;
        ProcessInfo info;
        info.pid = pid;
        info.state = fields[0].isEmpty() ? '?' : fields[0][0];
        info.parent = fields[1].toInt();
        info.group = fields[2].toInt();
        info.commandLine = readProcFile(QStringLiteral("/proc/%1/cmdline").arg(pid));
        info.commandLine.replace('\0', ' ');
        all << info;
    }
    return all;
}

QList<ProcessInfo> ownChildren()
{
    QList<ProcessInfo> children;
    for (const ProcessInfo &info : processes())
        if (info.parent == ::getpid())
            children << info;
    return children;
}

QList<ProcessInfo> processesWith(const QByteArray &start)
{
    QList<ProcessInfo> found;
    for (const ProcessInfo &info : processes())
        if (info.commandLine.startsWith(start))
            found << info;
    return found;
}

} // namespace testsupport
