#include "app/appenv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

namespace appenv {

namespace {
// The data directory of an installed program, beside its own prefix.
QString installedDataDir;
} // namespace

void useProgramDir(const QString &appDir)
{
    const QString dir =
        QDir::cleanPath(appDir + QLatin1Char('/') + QStringLiteral(KVR_DATA_RELATIVE_DIR));
    installedDataDir = QFileInfo(dir).isDir() ? dir : QString();
}

QString dataDir()
{
    QString dir = qEnvironmentVariable("KVR_AUDITREPORT_DATA_DIR");
    if (dir.isEmpty())
        dir = installedDataDir;
    if (dir.isEmpty())
        dir = QStringLiteral(KVR_DEFAULT_DATA_DIR);
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

QString dataFile(const QString &name)
{
    return dataDir() + name;
}

bool ensureDataDirWritable()
{
    const QString dir = dataDir();
    if (!QDir().mkpath(dir))
        return false;
    QTemporaryFile probe(dir + QStringLiteral(".write-test-XXXXXX"));
    return probe.open();
}

QString auditToolsDir(const QString &appDir)
{
    return QDir::cleanPath(appDir + QLatin1Char('/') + QStringLiteral(KVR_TOOLS_RELATIVE_DIR));
}

void prependToPath(const QString &toolsDir)
{
    const QByteArray old = qgetenv("PATH");
    QByteArray path = QFile::encodeName(toolsDir);
    if (!old.isEmpty())
        path += ':' + old;
    qputenv("PATH", path);
}

} // namespace appenv
