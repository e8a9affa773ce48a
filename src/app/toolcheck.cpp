// The start-up check of the project's own ausearch and aureport: present,
// executable, and printing the project's --version line.
#include "app/toolcheck.h"

#include "audit/processrunner.h"

#include <QFileInfo>

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

        QByteArray printed;
        processrunner::Options options;
        options.output = &printed;
        options.showErrors = false;
        options.timeoutMs = 5000;
        const processrunner::Exit exit =
            processrunner::run({path, QStringLiteral("--version")}, options);
        const QString first = exit.timedOut
            ? QString()
            : QString::fromUtf8(printed).section(QLatin1Char('\n'), 0, 0).trimmed();
        if (first != expectedVersionLine(name))
            return {Problem::Foreign, path, first};
    }
    return {};
}

} // namespace toolcheck
