// Writes the HTML exports: the page frame with its print style, the facts
// about where the figures come from, the tables and the SVG chart of runs
// per day, each value escaped and names display-escaped.
#include "export/htmlreport.h"

#include "audit/displaytext.h"

#include <QCoreApplication>

#include <algorithm>

namespace htmlreport {

namespace {

// The context of the page's texts.
class HtmlReport
{
    Q_DECLARE_TR_FUNCTIONS(HtmlReport)
};

// Printed on A4 with the suite's green; a long table breaks across pages
// and repeats its header row on each.
const char kStyle[] =
    "@page{size:A4;margin:14mm}"
    "*{-webkit-print-color-adjust:exact;print-color-adjust:exact}"
    "body{font-family:'Noto Sans CJK SC','WenQuanYi Micro Hei',sans-serif;color:#333;"
    "margin:0;font-size:10pt}"
    "header{background:#32B16C;color:#fff;padding:12px 16px}"
    "h1{margin:0 0 4px;font-size:16pt}"
    "main{padding:0 16px 16px}"
    "h2{font-size:12pt;color:#32B16C;border-bottom:1px solid #ddd;margin:18px 0 6px;"
    "break-after:avoid}"
    "table{border-collapse:collapse;width:100%}"
    "th,td{border:1px solid #ddd;padding:3px 6px;text-align:left;vertical-align:top}"
    "th{background:#EEF8F2}"
    "thead{display:table-header-group}"
    "tr{break-inside:avoid;page-break-inside:avoid}"
    "td.num,th.num{text-align:right}"
    "td.cmd{word-break:break-all;white-space:pre-wrap}"
    ".bad{color:#C0392B}"
    ".legend{color:#777}"
    "svg{display:block;max-width:100%}";

QString stamp(const QDateTime &at)
{
    if (!at.isValid())
        return HtmlReport::tr("未知");
    return runfigures::isoTime(at.toMSecsSinceEpoch(), at.timeZone())
        .replace(QLatin1Char('T'), QLatin1Char(' '));
}

QString cell(const QString &text, const char *cls = nullptr)
{
    const QString open =
        cls ? QStringLiteral("<td class=\"%1\">").arg(QLatin1String(cls)) : QStringLiteral("<td>");
    return open + escaped(text) + QStringLiteral("</td>");
}

QString head(const QString &text, const char *cls = nullptr)
{
    const QString open =
        cls ? QStringLiteral("<th class=\"%1\">").arg(QLatin1String(cls)) : QStringLiteral("<th>");
    return open + escaped(text) + QStringLiteral("</th>");
}

QString pageStart(const QString &title)
{
    return QStringLiteral("<!DOCTYPE html>\n<html lang=\"") + escaped(HtmlReport::tr("zh-CN"))
        + QStringLiteral("\">\n<head>\n<meta charset=\"utf-8\">\n<title>") + escaped(title)
        + QStringLiteral("</title>\n<style>") + QLatin1String(kStyle)
        + QStringLiteral("</style>\n</head>\n<body>\n");
}

QString pageEnd()
{
    return QStringLiteral("</main>\n</body>\n</html>\n");
}

// The machine, when the report was made, the logs read and their span.
QString originTable(const reportdata::Origin &origin, const QTimeZone *zone)
{
    QString out = QStringLiteral("<table class=\"facts\">\n");
    auto row = [&out](const QString &label, const QString &valueHtml) {
        out += QStringLiteral("<tr>") + head(label) + QStringLiteral("<td>") + valueHtml
            + QStringLiteral("</td></tr>\n");
    };
    row(HtmlReport::tr("主机"), escaped(displaytext::name(origin.hostName)));
    row(HtmlReport::tr("生成时间"), escaped(stamp(origin.madeAt)));
    if (zone)
        row(HtmlReport::tr("时区"), escaped(QString::fromUtf8(zone->id())));
    QStringList files;
    for (const QString &file : origin.trailFiles)
        files << escaped(displaytext::text(file));
    row(HtmlReport::tr("审计日志文件"),
        files.isEmpty() ? escaped(HtmlReport::tr("未知")) : files.join(QStringLiteral("<br>")));
    const QString span = origin.trailFirst.isValid() || origin.trailLast.isValid()
        ? stamp(origin.trailFirst) + QStringLiteral(" ~ ") + stamp(origin.trailLast)
        : HtmlReport::tr("未知");
    row(HtmlReport::tr("日志时间跨度"), escaped(span));
    return out + QStringLiteral("</table>\n");
}

// Runs per day as bars, as on the report page: neighbouring days share a bar
// when there are more days than room, the highest bar carries its value,
// each bar's <title> names its days and count.
QString chart(const QDate &firstDay, const QList<int> &perDay)
{
    constexpr int kWidth = 720, kHeight = 180, kLeft = 10, kTop = 22, kBottom = 22;
    const int plotWidth = kWidth - 2 * kLeft;
    const int plotHeight = kHeight - kTop - kBottom;
    const int days = int(perDay.size());
    const int perBar = std::max(1, (days + plotWidth / 3 - 1) / (plotWidth / 3));
    const int bars = (days + perBar - 1) / perBar;
    QList<int> values(bars, 0);
    for (int day = 0; day < days; ++day)
        values[day / perBar] += perDay.at(day);
    const int highest = int(std::max_element(values.begin(), values.end()) - values.begin());
    const int top = std::max(1, values.value(highest));

    QString out = QStringLiteral("<svg width=\"%1\" height=\"%2\" viewBox=\"0 0 %1 %2\" "
                                 "role=\"img\" aria-label=\"%3\">\n")
                      .arg(kWidth)
                      .arg(kHeight)
                      .arg(escaped(HtmlReport::tr("每日执行次数")));
    out += QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%2\" stroke=\"#BBBBBB\"/>\n")
               .arg(kLeft)
               .arg(kTop + plotHeight + 1)
               .arg(kLeft + plotWidth);
    for (int bar = 0; bar < bars; ++bar) {
        const double x0 = kLeft + double(bar) * plotWidth / bars;
        const double slot = double(plotWidth) / bars;
        const double gap = slot >= 4 ? std::max(1.0, slot / 5) : 0;
        const double width = std::min(48.0, slot - gap);
        const QDate first = firstDay.addDays(qint64(bar) * perBar);
        const QDate last = firstDay.addDays(std::min(qint64(bar + 1) * perBar, qint64(days)) - 1);
        const QString dayText = first == last
            ? first.toString(Qt::ISODate)
            : first.toString(Qt::ISODate) + QStringLiteral(" ~ ") + last.toString(Qt::ISODate);
        const int height = values.at(bar) > 0
            ? std::max(1, int((qint64(values.at(bar)) * plotHeight + top / 2) / top))
            : 0;
        out += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"#32B16C\">"
                              "<title>%5</title></rect>\n")
                   .arg(x0 + (slot - width) / 2, 0, 'f', 1)
                   .arg(kTop + plotHeight - height)
                   .arg(width, 0, 'f', 1)
                   .arg(height)
                   .arg(escaped(HtmlReport::tr("%1：%n 次", nullptr, values.at(bar)).arg(dayText)));
        if (bar == highest && values.at(bar) > 0)
            out += QStringLiteral("<text x=\"%1\" y=\"%2\" font-size=\"11\" "
                                  "text-anchor=\"middle\">%3</text>\n")
                       .arg(x0 + slot / 2, 0, 'f', 1)
                       .arg(kTop + plotHeight - height - 4)
                       .arg(values.at(bar));
    }
    const int labelY = kHeight - 6;
    out += QStringLiteral("<text x=\"%1\" y=\"%2\" font-size=\"11\" fill=\"#777\">%3</text>\n")
               .arg(kLeft)
               .arg(labelY)
               .arg(firstDay.toString(Qt::ISODate));
    out += QStringLiteral("<text x=\"%1\" y=\"%2\" font-size=\"11\" fill=\"#777\" "
                          "text-anchor=\"end\">%3</text>\n")
               .arg(kLeft + plotWidth)
               .arg(labelY)
               .arg(firstDay.addDays(days - 1).toString(Qt::ISODate));
    return out + QStringLiteral("</svg>\n");
}

QString period(const reportdata::QueryReport &report)
{
    const QString from =
        report.askedStart ? report.askedStart->toString(Qt::ISODate) : HtmlReport::tr("最早的记录");
    const QString to =
        report.askedEnd ? report.askedEnd->toString(Qt::ISODate) : HtmlReport::tr("最新的记录");
    return HtmlReport::tr("查询时段：%1 ~ %2").arg(from, to);
}

} // namespace

QString escaped(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        switch (c.unicode()) {
        case '&':
            out += QLatin1String("&amp;");
            break;
        case '<':
            out += QLatin1String("&lt;");
            break;
        case '>':
            out += QLatin1String("&gt;");
            break;
        case '"':
            out += QLatin1String("&quot;");
            break;
        case '\'':
            out += QLatin1String("&#39;");
            break;
        default:
            out += c;
        }
    }
    return out;
}

QByteArray query(const reportdata::QueryReport &report)
{
    const QString title = HtmlReport::tr("审计报告：%1").arg(displaytext::name(report.command));
    QString out = pageStart(title + QStringLiteral(" (") + period(report) + QLatin1Char(')'));
    out += QStringLiteral("<header><h1>") + escaped(title) + QStringLiteral("</h1><div>")
        + escaped(period(report)) + QStringLiteral("</div></header>\n<main>\n");
    out += originTable(report.origin, &report.zone);

    out += QStringLiteral("<h2>") + escaped(HtmlReport::tr("概要"))
        + QStringLiteral("</h2>\n<table>\n");
    for (const reportdata::QueryReport::Row &row : report.summaryRows)
        out += QStringLiteral("<tr>") + head(displaytext::text(row.label))
            + cell(displaytext::text(row.value)) + QStringLiteral("</tr>\n");
    out += QStringLiteral("</table>\n");

    out += QStringLiteral("<h2>") + escaped(HtmlReport::tr("各用户执行次数"))
        + QStringLiteral("</h2>\n<table>\n<thead><tr>") + head(HtmlReport::tr("用户ID"))
        + head(HtmlReport::tr("执行次数"), "num") + head(HtmlReport::tr("拒绝"), "num")
        + head(HtmlReport::tr("失败"), "num") + QStringLiteral("</tr></thead>\n<tbody>\n");
    for (const runfigures::UserFigures &user : report.users)
        out += QStringLiteral("<tr>") + cell(displaytext::name(user.user))
            + cell(QString::number(user.runs), "num") + cell(QString::number(user.refused), "num")
            + cell(QString::number(user.failed), "num") + QStringLiteral("</tr>\n");
    out += QStringLiteral("</tbody>\n</table>\n");

    out += QStringLiteral("<h2>") + escaped(HtmlReport::tr("每日执行次数"))
        + QStringLiteral("</h2>\n");
    if (report.perDay.isEmpty() || !report.firstDay.isValid())
        out += QStringLiteral("<p>") + escaped(HtmlReport::tr("没有运行。"))
            + QStringLiteral("</p>\n");
    else
        out += chart(report.firstDay, report.perDay);

    out += QStringLiteral("<h2>") + escaped(HtmlReport::tr("运行明细"))
        + QStringLiteral("</h2>\n<table class=\"runs\">\n<thead><tr>");
    for (const QString &column : runfigures::columnTitles())
        out += head(column);
    out += QStringLiteral("</tr></thead>\n<tbody>\n");
    runfigures::ZoneClock clock(report.zone);
    for (const runsfile::Run &run : report.runs) {
        const bool bad = run.result != runsfile::RunResult::Success;
        out += QStringLiteral("<tr>") + cell(clock.timeText(run.timeMs))
            + cell(displaytext::name(run.loginUser)) + cell(displaytext::name(run.actingUser))
            + cell(displaytext::name(runfigures::hostOf(run, report.origin.hostName)))
            + cell(displaytext::name(run.terminal))
            + cell(runfigures::resultText(run.result), bad ? "bad" : nullptr)
            + cell(displaytext::text(run.command), "cmd") + QStringLiteral("</tr>\n");
    }
    out += QStringLiteral("</tbody>\n</table>\n<p class=\"legend\">")
        + escaped(runfigures::successLegend()) + QStringLiteral("</p>\n");
    return (out + pageEnd()).toUtf8();
}

QByteArray summary(const reportdata::SummaryReport &report)
{
    const QString title = HtmlReport::tr("审计日志总体报告");
    QString out = pageStart(title);
    out += QStringLiteral("<header><h1>") + escaped(title)
        + QStringLiteral("</h1></header>\n<main>\n");
    out += originTable(report.origin, nullptr);
    out += QStringLiteral("<h2>") + escaped(HtmlReport::tr("概要"))
        + QStringLiteral("</h2>\n<table>\n");
    for (const reportdata::SummaryFigure &figure : reportdata::summaryFigures(report.lines))
        out += QStringLiteral("<tr>") + head(displaytext::text(figure.figure))
            + cell(displaytext::text(figure.value)) + QStringLiteral("</tr>\n");
    out += QStringLiteral("</table>\n");
    return (out + pageEnd()).toUtf8();
}

} // namespace htmlreport
