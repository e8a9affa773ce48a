#pragma once
// The surroundings a window test runs its queries in: its own data
// directory, its own trail (written from exec events), UTC, and the built
// audit tools found first.

#include <QByteArray>
#include <QString>

namespace testsupport {

// Points the program at `dataDir` (KVR_AUDITREPORT_DATA_DIR), writes `trail`
// to `trailPath` and points KVR_AUDITREPORT_LOG at it, sets TZ=UTC and puts
// the built tools first in PATH. A trail that cannot be written ends the run.
void setUpQueryWorld(const QString &dataDir, const QString &trailPath, const QByteArray &trail);

// The two records (SYSCALL and PATH) of an exec of `program` by login uid
// `auid` in process `pid`: event `serial` at `second`.250 UTC.
QByteArray execRun(qint64 second, int serial, int pid, uint auid, const QString &program);

// A record of type `type` (USER_AUTH, USER_CMD, ...) that program `exe`
// writes itself, by login uid `auid` in process `pid`, ending in `res`
// (success or failed): event `serial` at `second`.250 UTC.
QByteArray userRecord(const QString &type, qint64 second, int serial, int pid, uint auid,
                      const QString &exe, const QString &res);

// setUpQueryWorld() in `dir` (data/ and trail.log) with a trail of one sudo
// run by root on 2019-02-20: the world of the tests that only drive the form.
void setUpOneRunWorld(const QString &dir);

} // namespace testsupport
