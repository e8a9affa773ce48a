// The data directory, trail, time zone and PATH of a window test (see
// queryworld.h).
#include "queryworld.h"

#include "app/appenv.h"
#include "files.h"

#include <QFile>

namespace testsupport {

void setUpQueryWorld(const QString &dataDir, const QString &trailPath, const QByteArray &trail)
{
    qputenv("KVR_AUDITREPORT_DATA_DIR", QFile::encodeName(dataDir));
    qputenv("TZ", "UTC");
    appenv::prependToPath(QStringLiteral(KVR_TOOLS_BUILD_DIR));
    writeFixture(trailPath, trail);
    qputenv("KVR_AUDITREPORT_LOG", QFile::encodeName(trailPath));
}

QByteArray oneSudoRun()
{
    return "type=SYSCALL msg=audit(1550624400.250:100): arch=c000003e syscall=59 success=yes "
           "exit=0 items=1 pid=200 auid=0 uid=0 gid=0 exe=\"/usr/bin/sudo\"\n";
}

} // namespace testsupport
