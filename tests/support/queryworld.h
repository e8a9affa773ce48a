#pragma once
// The surroundings a window test runs its queries in: its own data
// directory, its own trail, UTC, and the built audit tools found first.

#include <QByteArray>
#include <QString>

namespace testsupport {

// Points the program at `dataDir` (KVR_AUDITREPORT_DATA_DIR), writes `trail`
// to `trailPath` and points KVR_AUDITREPORT_LOG at it, sets TZ=UTC and puts
// the built tools first in PATH. A trail that cannot be written ends the run.
void setUpQueryWorld(const QString &dataDir, const QString &trailPath, const QByteArray &trail);

// A trail of one event: root runs /usr/bin/sudo at 2019-02-20 01:00:00.250 UTC.
QByteArray oneSudoRun();

} // namespace testsupport
