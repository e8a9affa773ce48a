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

QByteArray execRun(qint64 second, int serial, int pid, uint auid, const QString &program)
{
    const QString stamp = QStringLiteral("msg=audit(%1.250:%2): ").arg(second).arg(serial);
    return QStringLiteral("type=SYSCALL %1arch=c000003e syscall=59 success=yes exit=0 items=1 "
                          "pid=%2 auid=%3 uid=0 gid=0 exe=\"%4\"\ntype=PATH %1item=0 "
                          "name=\"%4\" inode=1 nametype=NORMAL\n")
        .arg(stamp)
        .arg(pid)
        .arg(auid)
        .arg(program)
        .toUtf8();
}

QByteArray userRecord(const QString &type, qint64 second, int serial, int pid, uint auid,
                      const QString &exe, const QString &res)
{
    return QStringLiteral("type=%1 msg=audit(%2.250:%3): pid=%4 uid=0 auid=%5 ses=3 "
                          "msg='op=PAM:authentication grantors=? acct=\"root\" exe=\"%6\" "
                          "hostname=? addr=? terminal=pts/0 res=%7'\n")
        .arg(type)
        .arg(second)
        .arg(serial)
        .arg(pid)
        .arg(auid)
        .arg(exe, res)
        .toUtf8();
}

void setUpOneRunWorld(const QString &dir)
{
    setUpQueryWorld(dir + QStringLiteral("/data"), dir + QStringLiteral("/trail.log"),
                    execRun(1550624400, 100, 200, 0, QStringLiteral("/usr/bin/sudo")));
}

} // namespace testsupport
