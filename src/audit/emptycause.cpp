// Establishes why a query found nothing (see emptycause.h) and says it in the
// user's language.
#include "audit/emptycause.h"

#include "audit/processrunner.h"
#include "audit/querycore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <optional>

#include <unistd.h>

namespace emptycause {

namespace {

// Output of `auditctl args`, or nothing when it could not run, failed or
// took longer than 5 s.
std::optional<QString> runAuditctl(const QString &auditctl, const QStringList &args)
{
    QByteArray output;
    processrunner::Options options;
    options.output = &output;
    options.timeoutMs = 5000;
    options.showErrors = false;
    if (!processrunner::run(QStringList{auditctl} + args, options).succeeded())
        return std::nullopt;
    return QString::fromUtf8(output);
}

// The value of a "-F key=value" filter of a rule line, or empty.
QStringList filterValues(const QString &rule, const QString &key)
{
    QStringList values;
    const QRegularExpression re(QStringLiteral("(?:^|\\s)-F\\s+%1=(\\S+)").arg(key));
    auto it = re.globalMatch(rule);
    while (it.hasNext())
        values << it.next().captured(1);
    return values;
}

} // namespace

AuditStatus parseStatus(const QString &statusOutput)
{
    AuditStatus status;
    for (const QString &line : statusOutput.split(QLatin1Char('\n'))) {
        const QStringList parts = line.simplified().split(QLatin1Char(' '));
        if (parts.size() != 2)
            continue;
        if (parts[0] == QLatin1String("enabled")) {
            status.known = true;
            status.enabled = parts[1] != QLatin1String("0");
        } else if (parts[0] == QLatin1String("pid")) {
            status.known = true;
            status.daemonRunning = parts[1] != QLatin1String("0");
        }
    }
    return status;
}

QString mergedUsrTwin(const QString &path)
{
    for (const char *top : {"/bin/", "/sbin/", "/lib/", "/lib64/"}) {
        const QString plain = QLatin1String(top);
        const QString usr = QStringLiteral("/usr") + plain;
        if (path.startsWith(plain))
            return usr + path.mid(plain.size());
        if (path.startsWith(usr))
            return plain + path.mid(usr.size());
    }
    return QString();
}

bool rulesWatch(const QStringList &ruleLines, const QString &program)
{
    QStringList names{program};
    if (const QString twin = mergedUsrTwin(program); !twin.isEmpty())
        names << twin;

    for (const QString &raw : ruleLines) {
        const QString rule = raw.simplified();
        const QStringList words = rule.split(QLatin1Char(' '));
        // A file watch: -w PATH [-p PERMS] ...
        const int w = words.indexOf(QStringLiteral("-w"));
        if (w >= 0 && w + 1 < words.size()) {
            const int p = words.indexOf(QStringLiteral("-p"));
            const bool executes =
                p < 0 || (p + 1 < words.size() && words[p + 1].contains(QLatin1Char('x')));
            if (executes && names.contains(words[w + 1]))
                return true;
            continue;
        }
        // A syscall rule on program execution.
        if (!rule.startsWith(QLatin1String("-a")) || rule.contains(QLatin1String("never")))
            continue;
        if (!rule.contains(QLatin1String("execve")) && !rule.contains(QLatin1String("-S all")))
            continue;
        const QStringList paths =
            filterValues(rule, QStringLiteral("path")) + filterValues(rule, QStringLiteral("exe"));
        const QStringList dirs = filterValues(rule, QStringLiteral("dir"));
        if (paths.isEmpty() && dirs.isEmpty())
            return true; // every execution is recorded
        for (const QString &name : names) {
            if (paths.contains(name))
                return true;
            for (QString dir : dirs) {
                if (!dir.endsWith(QLatin1Char('/')))
                    dir += QLatin1Char('/');
                if (name.startsWith(dir))
                    return true;
            }
        }
    }
    return false;
}

Cause establish(const QString &program)
{
    const QString auditctl = QStandardPaths::findExecutable(QStringLiteral("auditctl"));
    if (auditctl.isEmpty())
        return Cause::NoAuditDaemon;

    if (const std::optional<QString> out = runAuditctl(auditctl, {QStringLiteral("-s")})) {
        const AuditStatus status = parseStatus(*out);
        if (status.known && !status.enabled)
            return Cause::AuditingOff;
        if (status.known && !status.daemonRunning)
            return Cause::DaemonNotRunning;
    } else {
        return Cause::None; // not root, or no audit support: nothing to tell
    }

    const std::optional<QString> listed = runAuditctl(auditctl, {QStringLiteral("-l")});
    if (!listed)
        return Cause::None;
    const QStringList rules = listed->split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (!program.isEmpty())
        return rulesWatch(rules, program) ? Cause::None : Cause::NoRuleForProgram;
    // A query of every program: blame the rules only when none is watched.
    for (const QString &name : querycore::eventTypeNames()) {
        if (rulesWatch(rules, querycore::eventTypePath(name.toUtf8()).trimmed()))
            return Cause::None;
    }
    return Cause::NoRuleForProgram;
}

QString rulesFile()
{
    return QStringLiteral(KVR_RULES_FILE);
}

QString disabledRule(const QString &program, const QString &rulesPath)
{
    // Only a regular file: opening a FIFO put in its place would block.
    QFile file(rulesPath);
    if (program.isEmpty() || !QFileInfo(rulesPath).isFile()
        || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    QStringList active;
    QString disabled;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (!line.startsWith(QLatin1Char('#'))) {
            active << line;
            continue;
        }
        // A rule behind "#" (or "# "), not a comment that merely mentions one.
        int start = 1;
        while (start < line.size() && line[start].isSpace())
            ++start;
        const QString rule = line.mid(start);
        if (disabled.isEmpty()
            && (rule.startsWith(QLatin1String("-w ")) || rule.startsWith(QLatin1String("-a ")))
            && rulesWatch({rule}, program))
            disabled = line;
    }
    return rulesWatch(active, program) ? QString() : disabled;
}

QString causeText(Cause cause, const QString &program, const QString &rulesPath)
{
    switch (cause) {
    case Cause::None:
        return QString();
    case Cause::NoAuditDaemon:
        return QCoreApplication::translate("MainWindow",
                                           "原因：没有安装审计服务 auditd，系统不记录审计事件。");
    case Cause::AuditingOff:
        return QCoreApplication::translate(
            "MainWindow", "原因：内核审计功能已关闭（auditctl -s 显示 enabled 0）。");
    case Cause::DaemonNotRunning:
        return QCoreApplication::translate(
            "MainWindow", "原因：审计服务 auditd 没有运行，审计事件没有写入日志。");
    case Cause::NoRuleForProgram: {
        if (const QString line = disabledRule(program, rulesPath); !line.isEmpty())
            return QCoreApplication::translate(
                       "MainWindow",
                       "原因：已加载的审计规则中没有监视 %1 的规则。它的规则因开销大在规则文件 %2 "
                       "中默认被注释掉：%3。删去这一行行首的“#”，再运行命令 %4 加载。")
                .arg(program, rulesPath, line, QStringLiteral("augenrules --load"));
        const QString what = program.isEmpty() ? QStringLiteral("28") : program;
        return QCoreApplication::translate(
                   "MainWindow",
                   "原因：已加载的审计规则中没有监视 %1 的规则。规则文件 %2 可用命令 %3 加载。")
            .arg(what, rulesPath, QStringLiteral("augenrules --load"));
    }
    }
    return QString();
}

QString trailPath(const QString &auditdConf)
{
    const QString fromEnv = qEnvironmentVariable("KVR_AUDITREPORT_LOG");
    if (!fromEnv.isEmpty())
        return fromEnv;
    QFile conf(auditdConf);
    if (conf.open(QIODevice::ReadOnly | QIODevice::Text)) {
        while (!conf.atEnd()) {
            const QString line = QString::fromUtf8(conf.readLine()).trimmed();
            if (line.startsWith(QLatin1Char('#')))
                continue;
            const int eq = line.indexOf(QLatin1Char('='));
            if (eq > 0 && line.left(eq).trimmed() == QLatin1String("log_file"))
                return line.mid(eq + 1).trimmed();
        }
    }
    return QStringLiteral("/var/log/audit/audit.log");
}

bool trailNeverWritten(const QString &path)
{
    const QFileInfo info(path);
    // A place this process may not look into says nothing about the trail.
    const QString parent = info.absolutePath();
    if (::access(QFile::encodeName(parent).constData(), X_OK) != 0)
        return !QFileInfo::exists(parent);
    if (!info.exists())
        return true;
    if (info.isDir()) {
        if (::access(QFile::encodeName(path).constData(), R_OK | X_OK) != 0)
            return false;
        return QDir(path).entryList({QStringLiteral("audit.log*")}, QDir::Files).isEmpty();
    }
    return false;
}

QString unreadableTrailText()
{
    const QString trail = trailPath();
    if (!trailNeverWritten(trail))
        return QCoreApplication::translate("MainWindow", "无法读取审计日志，请以管理员身份运行");
    QString text = QCoreApplication::translate("MainWindow",
                                               "无法读取审计日志：还没有写入任何审计日志（%1）。")
                       .arg(trail);
    if (const QString cause = causeText(establish(QString()), QString()); !cause.isEmpty())
        text += QLatin1Char('\n') + cause;
    return text;
}

} // namespace emptycause
