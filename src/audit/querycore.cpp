#include "audit/querycore.h"

#include "app/appenv.h"
#include "audit/displaytext.h"
#include "audit/trace.h"

#include "commandtable.h"

#include <QFile>
#include <QRegularExpression>
#include <QTextStream>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace querycore {

namespace {

bool isShellSafe(QChar c)
{
    const ushort u = c.unicode();
    if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9'))
        return true;
    return u != 0 && u < 128 && std::strchr("_./:@%+=,-", char(u)) != nullptr;
}

} // namespace

void writeRaw(const QByteArray &bytes)
{
    trace::raw(bytes);
}

void writeLine(const QByteArray &bytes)
{
    trace::line(bytes);
}

QString shellQuote(const QString &text)
{
    bool safe = !text.isEmpty();
    for (QChar c : text) {
        if (!isShellSafe(c)) {
            safe = false;
            break;
        }
    }
    if (safe)
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QLatin1String("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString shellDataFile(const QString &name)
{
    return shellQuote(appenv::dataFile(name));
}

ShellRun runShell(const QString &commandLine)
{
    return processrunner::runShell(commandLine);
}

QString eventTypePath(const QByteArray &entryUtf8)
{
    const kvrcommands::Command *command =
        kvrcommands::findCommand(std::string_view(entryUtf8.constData(), size_t(entryUtf8.size())));
    // The trailing blank belongs to the command line.
    return command ? QString::fromLatin1(command->path) + QLatin1Char(' ') : QString();
}

QStringList eventTypeNames()
{
    QStringList names;
    for (const kvrcommands::Command &command : kvrcommands::kCommands)
        names << QString::fromLatin1(command.name);
    return names;
}

QString searchDate(const QDate &date)
{
    const QString yearText = QString::number(date.year());
    // The third and fourth characters of the year; a year written with fewer
    // than four digits has none, so its last two digits stand in for them.
    const QString year = yearText.size() >= 4
        ? yearText.mid(2, 2)
        : QStringLiteral("%1").arg(qAbs(date.year()) % 100, 2, 10, QLatin1Char('0'));
    return QString::number(date.month()) + QLatin1Char('/') + QString::number(date.day())
        + QLatin1Char('/') + year;
}

SearchCommand composeSearchCommand(const std::optional<QString> &eventEntry,
                                   const std::optional<QDate> &start,
                                   const std::optional<QDate> &end)
{
    SearchCommand cmd;
    cmd.head = QStringLiteral("ausearch -i ");
    if (eventEntry)
        cmd.head += QStringLiteral(" -f ") + eventTypePath(eventEntry->toUtf8());
    if (start)
        cmd.startArg = QStringLiteral("-ts ") + searchDate(*start) + QLatin1Char(' ');
    if (end)
        cmd.endArg = QStringLiteral("-te ") + searchDate(*end) + QLatin1Char(' ');
    cmd.redirect = QStringLiteral(" > ") + shellDataFile(QStringLiteral("result.log"));
    return cmd;
}

QDate firstSearchDate()
{
    return QDate(1970, 1, 1);
}

QDate lastSearchDate()
{
    return QDate(2068, 12, 31);
}

std::optional<QDate> parseFieldDate(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^(\\d{4})-(\\d{1,2})-(\\d{1,2})$"));
    const QRegularExpressionMatch m = form.match(text.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if (!date.isValid() || date < firstSearchDate() || date > lastSearchDate())
        return std::nullopt;
    return date;
}

WriteContext writeContext(const QString &directory)
{
    WriteContext context;
    struct statvfs fs {
    };
    if (::statvfs(QFile::encodeName(directory).constData(), &fs) == 0) {
        // Root may use the blocks reserved for it; others only the available ones.
        const unsigned long long blocks = ::geteuid() == 0 ? fs.f_bfree : fs.f_bavail;
        context.directoryFull = blocks * fs.f_frsize < 64 * 1024;
    }
    struct rlimit limit {
    };
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0)
        context.sizeLimited = limit.rlim_cur != RLIM_INFINITY;
    return context;
}

namespace {

// A write that failed or a signal: what the directory says about its cause.
RunProblem unfinished(const ShellRun &run, const WriteContext &context)
{
    if (context.directoryFull)
        return RunProblem::NoSpace;
    if (run.signal == SIGXFSZ || (run.signal == 0 && context.sizeLimited))
        return RunProblem::OutputLimit;
    return run.signal != 0 ? RunProblem::Stopped : RunProblem::Failed;
}

} // namespace

RunProblem toolProblem(const ShellRun &run, const WriteContext &context)
{
    if (run.stopped)
        return RunProblem::Cancelled;
    if (!run.started)
        return RunProblem::Failed;
    if (run.signal != 0)
        return unfinished(run, context);
    switch (run.exitCode) {
    case 0:
    case SearchExitNothingFound:
        return RunProblem::None;
    case SearchExitUnreadable:
        return RunProblem::Unreadable;
    case SearchExitTooLarge:
        return RunProblem::TooLarge;
    case SearchExitNoDescriptors:
        return RunProblem::NoDescriptors;
    case SearchExitWriteFailed:
        return unfinished(run, context);
    default:
        // The redirection itself failing (the shell's status 2) is a write too.
        return context.directoryFull ? RunProblem::NoSpace : RunProblem::Failed;
    }
}

RunProblem pipelineProblem(const ShellRun &run, const WriteContext &context)
{
    if (run.stopped)
        return RunProblem::Cancelled;
    if (run.succeeded())
        return RunProblem::None;
    if (!run.started)
        return RunProblem::Failed;
    return unfinished(run, context);
}

QStringList statisticsCommands()
{
    const QString result = shellDataFile(QStringLiteral("result.log"));
    const QString tongji = shellDataFile(QStringLiteral("tongji.log"));
    const QString dateWord =
        QStringLiteral(" |awk -F '日期:' '{print $2}'|awk '{split($0,a,\" \");}END{print a[1]}' ");
    return {
        QStringLiteral("sed -n '3p' ") + result + dateWord + QStringLiteral("> ") + tongji,
        QStringLiteral("tail -1 ") + result + dateWord + QStringLiteral(">> ") + tongji,
        QStringLiteral("awk -F '用户id:' '{print $2}'  ") + result
            + QStringLiteral(" | awk 'NF' |awk '{split($0,a,\" \");name[a[1]]+=1};"
                             "END{for(i in name) print i, name[i]}' >> ")
            + tongji,
    };
}

DaySpan chartSpan(const std::optional<QDate> &start, const std::optional<QDate> &end,
                  const QString &reportStart, const QString &reportEnd,
                  const QMap<QDate, int> &runs)
{
    auto dayOf = [](const QString &word) {
        return QDate::fromString(word.trimmed().left(10), Qt::ISODate);
    };
    DaySpan span;
    span.first = start ? *start : dayOf(reportStart);
    span.last = end ? *end : dayOf(reportEnd);
    if (!runs.isEmpty()) {
        if (!span.first.isValid() || runs.firstKey() < span.first)
            span.first = runs.firstKey();
        if (!span.last.isValid() || runs.lastKey() > span.last)
            span.last = runs.lastKey();
    }
    if (span.first.isValid() && span.last.isValid() && span.first > span.last)
        std::swap(span.first, span.last);
    return span;
}

QList<int> runsPerDay(const QMap<QDate, int> &runs, const DaySpan &span)
{
    QList<int> counts;
    if (!span.isValid())
        return counts;
    counts.fill(0, span.days());
    for (auto it = runs.constBegin(); it != runs.constEnd(); ++it) {
        const qint64 index = span.first.daysTo(it.key());
        if (index >= 0 && index < counts.size())
            counts[index] += it.value();
    }
    return counts;
}

QList<UserRuns> usersByRuns(const QStringList &userIds, const QList<int> &execCounts)
{
    QList<UserRuns> users;
    for (int i = 0; i < userIds.size(); ++i)
        users.append({userIds.at(i), execCounts.value(i)});
    std::stable_sort(users.begin(), users.end(), [](const UserRuns &a, const UserRuns &b) {
        if (a.runs != b.runs)
            return a.runs > b.runs;
        return a.user < b.user;
    });
    return users;
}

TongjiCount countTongjiLines(const QString &path)
{
    TongjiCount result;
    std::ifstream in(QFile::encodeName(path).constData(), std::ios::in | std::ios::binary);
    // A line is read into a 256-byte buffer: a longer one is cut and fails
    // the stream, which ends the count after it.
    while (in) {
        char buffer[256] = {};
        in.getline(buffer, sizeof buffer);
        const int length = int(std::strlen(buffer));
        result.lineLengths << length;
        if (result.count == 0 && length == 0)
            break;
        if (++result.count == 3)
            break;
    }
    return result;
}

int TongjiData::totalRecords() const
{
    int total = 0;
    for (int n : execCounts)
        total += n;
    return total;
}

TongjiData readTongji(const QString &path)
{
    TongjiData data;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return data;
    data.opened = true;
    QTextStream in(&file);
    data.startTime = in.readLine();
    data.endTime = in.readLine();
    for (QString line = in.readLine(); !line.isEmpty(); line = in.readLine()) {
        const QStringList parts = line.split(QLatin1Char(' '), Qt::KeepEmptyParts);
        data.userIds << parts.at(0);
        data.execCounts << parts.value(1).toInt(nullptr, 10);
    }
    return data;
}

QString cutDate(const QString &date)
{
    const QByteArray bytes = date.toUtf8();
    const struct {
        int from;
        int length;
        const char *label;
    } pieces[] = {{0, 4, "年"}, {5, 2, "月"}, {8, 2, "日"}};
    QByteArray cut;
    for (const auto &piece : pieces) {
        const QByteArray part = bytes.mid(piece.from, piece.length);
        if (!part.isEmpty())
            cut += part + piece.label;
    }
    return QString::fromUtf8(cut);
}

QByteArray reportText(const QString &startTime, const QString &endTime, int recordCount,
                      const QStringList &userIds, const QList<int> &execCounts)
{
    QStringList counts;
    QStringList names;
    for (const QString &user : userIds)
        names << displaytext::name(user);
    for (int n : execCounts)
        counts << QString::number(n, 10);
    const QString text = QStringLiteral("时间范围：") + cutDate(startTime) + QLatin1Char('~')
        + cutDate(endTime) + QLatin1Char('\n') + QStringLiteral("记录条数：")
        + QString::number(recordCount) + QLatin1Char('\n') + QStringLiteral("用户ID：")
        + names.join(QLatin1Char(',')) + QLatin1Char('\n') + QStringLiteral("执行次数：")
        + counts.join(QLatin1Char(','));
    return text.toUtf8();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(bytes) == bytes.size() && file.flush();
}

QString summaryCommand()
{
    return QStringLiteral("aureport --summary > ")
        + shellDataFile(QStringLiteral("all_report.log"));
}

QList<QByteArray> readSummaryLines(const QString &path, bool *opened)
{
    QFile file(path);
    *opened = file.open(QIODevice::ReadOnly);
    if (!*opened)
        return {};
    const QByteArray content = file.readAll();
    QList<QByteArray> lines = content.split('\n');
    // The reading stops only when a read finds nothing more, and that read
    // still adds an empty line; split() already yields it after a final newline.
    if (!content.isEmpty() && !content.endsWith('\n'))
        lines << QByteArray();
    return lines;
}

} // namespace querycore
