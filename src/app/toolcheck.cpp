// The start-up check of the project's own ausearch and aureport: present,
// executable, and printing the project's --version line.
#include "app/toolcheck.h"

#include <QFileInfo>
#include <QProcess>

namespace toolcheck {

QString expectedVersionLine(const QString &toolName)
{
    return toolName + QStringLiteral(" (kvr-auditreport) ") + QStringLiteral(KVR_APP_VERSION);
}

Verdict check(const QString &toolsDir)
{
    for (const char *toolName : {"ausearch", "aureport"}) {
        const QString name = QLatin1String(toolName);
        const QString path = toolsDir + QLatin1Char('/') + name;
        const QFileInfo info(path);
        if (!info.isFile() || !info.isExecutable())
            return {Problem::Missing, path, {}};

        QProcess tool;
        tool.setProcessChannelMode(QProcess::SeparateChannels);
        tool.setStandardInputFile(QProcess::nullDevice());
        tool.start(path, {QStringLiteral("--version")});
        QString first;
        if (tool.waitForStarted(5000) && tool.waitForFinished(5000))
            first =
                QString::fromUtf8(tool.readAllStandardOutput()).section(QLatin1Char('\n'), 0, 0);
        else {
            tool.kill();
            tool.waitForFinished(1000);
        }
        if (first.trimmed() != expectedVersionLine(name))
            return {Problem::Foreign, path, first.trimmed()};
    }
    return {};
}

} // namespace toolcheck
