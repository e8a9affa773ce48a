#pragma once
// Figures and texts derived from the runs of a report: runs, refusals and
// failures per user, the words for a run's result and time, the host a run
// was recorded on, and which runs a view of one user or of some days holds.

#include "audit/runsfile.h"

#include <QDate>
#include <QLatin1String>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTimeZone>

#include <optional>

namespace runfigures {

using runsfile::Run;
using runsfile::RunResult;

// The runs of one login user and how many of them were refused or failed.
struct UserFigures {
    QString user; // the login user as the runs file writes it
    int runs = 0;
    int refused = 0;
    int failed = 0;
};

// The users of `runs` with their figures, most runs first, then by name (the
// order of the report's rows per user).
QList<UserFigures> perUser(const QList<Run> &runs);

// The figure of a per-user row: "5", "5（拒绝 5）", "3（失败 1）",
// "7（拒绝 2，失败 1）" (English "5 (5 refused)", ...), in the window's language.
QString userFiguresText(const UserFigures &figures);

// The result as shown: "成功", "拒绝", "失败" (success, refused, failed).
QString resultText(RunResult result);
// The result as the runs file and the CSV export write it, in any language.
QLatin1String resultKey(RunResult result);

// The titles of the columns of a runs table (window and exports), in the
// order time, login user, acting user, host, terminal, result, command.
QStringList columnTitles();

// What "成功" (success) does and does not say, under every runs table.
QString successLegend();

// Times of many runs in one zone: the zone's UTC offset is looked up once for
// each stretch of time between two of its transitions, not for every run, so
// that 100,000 runs are written or filtered without delay. Quickest when the
// instants come in time order.
class ZoneClock
{
public:
    explicit ZoneClock(const QTimeZone &zone);
    // The zone's offset from UTC at `timeMs`, in seconds.
    int offsetAt(qint64 timeMs);
    // "2024-03-05 14:07:09"
    QString timeText(qint64 timeMs);
    // "2024-04-06T23:30:00-04:00"; UTC is written "+00:00".
    QString isoTime(qint64 timeMs);
    QDate day(qint64 timeMs);

private:
    QTimeZone zone;
    bool fixed = false;   // one offset at all times
    qint64 validFrom = 1; // the cached offset holds from validFrom to before validTo
    qint64 validTo = 0;
    int offset = 0;
};

// The time of a run in `zone` to the second, "2024-03-05 14:07:09".
QString timeText(qint64 timeMs, const QTimeZone &zone);
// The same in ISO 8601 with the zone's UTC offset at that instant,
// "2024-04-06T23:30:00-04:00" (UTC is written "+00:00").
QString isoTime(qint64 timeMs, const QTimeZone &zone);
// The day of a run in `zone`.
QDate runDay(qint64 timeMs, const QTimeZone &zone);

// The host a run was recorded on: its node name, or `thisMachine` for the
// runs of this machine (node "-").
QString hostOf(const Run &run, const QString &thisMachine);

// Which runs a view shows: all of them, one login user's, or those of a span
// of days (both ends included, days of `zone`).
struct Scope {
    std::optional<QString> loginUser;
    QDate firstDay;
    QDate lastDay;
    static Scope all() { return {}; }
    static Scope user(const QString &name) { return {name, {}, {}}; }
    static Scope days(const QDate &first, const QDate &last) { return {{}, first, last}; }
    bool hasDays() const { return firstDay.isValid() && lastDay.isValid(); }
};
QList<Run> inScope(const QList<Run> &runs, const Scope &scope, const QTimeZone &zone);

} // namespace runfigures
