#pragma once
// The processes a query may leave behind, as /proc shows them: zombies
// included, so that a process killed but never reaped still counts.

#include <QByteArray>
#include <QList>

#include <sys/types.h>

namespace testsupport {

struct ProcessInfo {
    pid_t pid = 0;
    pid_t parent = 0;
    pid_t group = 0;
    char state = '?';       // 'Z' for a zombie
    QByteArray commandLine; // arguments joined by blanks
};

// Every process of the machine.
QList<ProcessInfo> processes();
// The children of this test process (the tools and pipelines it started).
QList<ProcessInfo> ownChildren();
// The processes whose command line starts with `start` ("sleep 31.5").
QList<ProcessInfo> processesWith(const QByteArray &start);

} // namespace testsupport
