// Figures and texts derived from the runs of a report: counts per user with
// their results, result words, times in the report's zone, hosts and scopes.
#include "audit/runfigures.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QHash>

#include <algorithm>
#include <limits>

namespace runfigures {

QList<UserFigures> perUser(const QList<Run> &runs)
{
    QHash<QString, qsizetype> index;
    QList<UserFigures> users;
    for (const Run &run : runs) {
        auto it = index.constFind(run.loginUser);
        if (it == index.constEnd()) {
            it = index.insert(run.loginUser, users.size());
            users.append({run.loginUser, 0, 0, 0});
        }
        UserFigures &figures = users[it.value()];
        ++figures.runs;
        if (run.result == RunResult::Refused)
            ++figures.refused;
        else if (run.result == RunResult::Failed)
            ++figures.failed;
    }
    std::sort(users.begin(), users.end(), [](const UserFigures &a, const UserFigures &b) {
        if (a.runs != b.runs)
            return a.runs > b.runs;
        return a.user < b.user;
    });
    return users;
}

QString userFiguresText(const UserFigures &f)
{
    const QString runs = QString::number(f.runs);
    if (f.refused > 0 && f.failed > 0)
        return QCoreApplication::translate("RunFigures", "%1（拒绝 %2，失败 %3）")
            .arg(runs)
            .arg(f.refused)
            .arg(f.failed);
    if (f.refused > 0)
        return QCoreApplication::translate("RunFigures", "%1（拒绝 %2）").arg(runs).arg(f.refused);
    if (f.failed > 0)
        return QCoreApplication::translate("RunFigures", "%1（失败 %2）").arg(runs).arg(f.failed);
    return runs;
}

QString resultText(RunResult result)
{
    switch (result) {
    case RunResult::Refused:
        return QCoreApplication::translate("RunFigures", "拒绝");
    case RunResult::Failed:
        return QCoreApplication::translate("RunFigures", "失败");
    case RunResult::Success:
        break;
    }
    return QCoreApplication::translate("RunFigures", "成功");
}

QLatin1String resultKey(RunResult result)
{
    switch (result) {
    case RunResult::Refused:
        return QLatin1String("refused");
    case RunResult::Failed:
        return QLatin1String("failed");
    case RunResult::Success:
        break;
    }
    return QLatin1String("success");
}

QStringList columnTitles()
{
    return {QCoreApplication::translate("RunFigures", "时间"),
            QCoreApplication::translate("RunFigures", "登录用户"),
            QCoreApplication::translate("RunFigures", "执行身份"),
            QCoreApplication::translate("RunFigures", "主机"),
            QCoreApplication::translate("RunFigures", "终端或远程地址"),
            QCoreApplication::translate("RunFigures", "结果"),
            QCoreApplication::translate("RunFigures", "执行内容")};
}

QString successLegend()
{
    return QCoreApplication::translate("RunFigures",
                                       "“成功”表示程序已运行且没有拒绝；sudo "
                                       "所运行的命令随后是否成功，审计日志中没有记录。");
}

namespace {

// Division rounded down, also for the negative times before 1970.
qint64 floorDiv(qint64 a, qint64 b)
{
    return a / b - (a % b != 0 && (a < 0) != (b < 0));
}

void appendDigits(QString &out, qint64 value, int width)
{
    char16_t digits[20];
    int n = 0;
    do {
        digits[n++] = char16_t(u'0' + value % 10);
        value /= 10;
    } while (value > 0 && n < 20);
    for (int i = n; i < width; ++i)
        out += QLatin1Char('0');
    while (n > 0)
        out += QChar(digits[--n]);
}

// "yyyy-MM-dd" then `separator` and "HH:mm:ss" of the local seconds `local`.
QString localText(qint64 local, QChar separator)
{
    const qint64 days = floorDiv(local, 86400);
    const qint64 second = local - days * 86400;
    const QDate date = QDate::fromJulianDay(days + 2440588);
    QString out;
    out.reserve(25);
    appendDigits(out, date.year(), 4);
    out += QLatin1Char('-');
    appendDigits(out, date.month(), 2);
    out += QLatin1Char('-');
    appendDigits(out, date.day(), 2);
    out += separator;
    appendDigits(out, second / 3600, 2);
    out += QLatin1Char(':');
    appendDigits(out, second / 60 % 60, 2);
    out += QLatin1Char(':');
    appendDigits(out, second % 60, 2);
    return out;
}

} // namespace

ZoneClock::ZoneClock(const QTimeZone &timeZone)
    : zone(timeZone), fixed(!timeZone.hasTransitions() && !timeZone.hasDaylightTime())
{
}

int ZoneClock::offsetAt(qint64 timeMs)
{
    if (timeMs >= validFrom && timeMs < validTo)
        return offset;
    const QDateTime at = QDateTime::fromMSecsSinceEpoch(timeMs, QTimeZone::utc());
    offset = zone.offsetFromUtc(at);
    if (fixed) {
        validFrom = std::numeric_limits<qint64>::min();
        validTo = std::numeric_limits<qint64>::max();
    } else if (zone.hasTransitions()) {
        // No transition lies after timeMs and before the next one.
        const QTimeZone::OffsetData next = zone.nextTransition(at);
        validFrom = timeMs;
        validTo = next.atUtc.isValid() ? next.atUtc.toMSecsSinceEpoch()
                                       : std::numeric_limits<qint64>::max();
    } else {
        validFrom = timeMs;
        validTo = timeMs + 1;
    }
    return offset;
}

QString ZoneClock::timeText(qint64 timeMs)
{
    return localText(floorDiv(timeMs, 1000) + offsetAt(timeMs), QLatin1Char(' '));
}

QString ZoneClock::isoTime(qint64 timeMs)
{
    const int seconds = offsetAt(timeMs);
    QString out = localText(floorDiv(timeMs, 1000) + seconds, QLatin1Char('T'));
    out += seconds < 0 ? QLatin1Char('-') : QLatin1Char('+');
    const int minutes = qAbs(seconds) / 60;
    appendDigits(out, minutes / 60, 2);
    out += QLatin1Char(':');
    appendDigits(out, minutes % 60, 2);
    return out;
}

QDate ZoneClock::day(qint64 timeMs)
{
    return QDate::fromJulianDay(floorDiv(floorDiv(timeMs, 1000) + offsetAt(timeMs), 86400)
                                + 2440588);
}

QString timeText(qint64 timeMs, const QTimeZone &zone)
{
    return ZoneClock(zone).timeText(timeMs);
}

QString isoTime(qint64 timeMs, const QTimeZone &zone)
{
    return ZoneClock(zone).isoTime(timeMs);
}

QDate runDay(qint64 timeMs, const QTimeZone &zone)
{
    return ZoneClock(zone).day(timeMs);
}

QString hostOf(const Run &run, const QString &thisMachine)
{
    return run.node == QLatin1String("-") ? thisMachine : run.node;
}

QList<Run> inScope(const QList<Run> &runs, const Scope &scope, const QTimeZone &zone)
{
    if (!scope.loginUser && !scope.hasDays())
        return runs;
    QList<Run> chosen;
    ZoneClock clock(zone);
    for (const Run &run : runs) {
        if (scope.loginUser && run.loginUser != *scope.loginUser)
            continue;
        if (scope.hasDays()) {
            const QDate day = clock.day(run.timeMs);
            if (day < scope.firstDay || day > scope.lastDay)
                continue;
        }
        chosen.append(run);
    }
    return chosen;
}

} // namespace runfigures
