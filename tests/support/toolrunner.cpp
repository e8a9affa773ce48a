// Runs a program with arguments, environment and input, and collects what it
// did (see toolrunner.h).
#include "toolrunner.h"

#include <QProcess>
#include <QProcessEnvironment>

namespace testsupport {

ToolRun runTool(const QString &program, const QStringList &args, const ToolOptions &options)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &change : options.env) {
        const qsizetype eq = change.indexOf(QLatin1Char('='));
        if (eq < 0)
            env.remove(change);
        else
            env.insert(change.left(eq), change.mid(eq + 1));
    }
    p.setProcessEnvironment(env);
    if (!options.workingDirectory.isEmpty())
        p.setWorkingDirectory(options.workingDirectory);
    if (options.input.isNull())
        p.setStandardInputFile(QProcess::nullDevice());
    p.start(program, args);
    if (!options.input.isNull()) {
        p.write(options.input);
        p.closeWriteChannel();
    }
    ToolRun r;
    r.finished = p.waitForFinished(options.timeoutMs);
    if (!r.finished) {
        p.kill();
        p.waitForFinished();
    }
    r.crashed = r.finished && p.exitStatus() == QProcess::CrashExit;
    if (r.finished && !r.crashed)
        r.exit = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

} // namespace testsupport
