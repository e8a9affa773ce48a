// DailyChart: the bar chart of runs per day on the report page. Lays the
// bars out from the widget's size, paints them with QPainter and answers
// tool-tip events with the day and the count of the bar under the mouse;
// a click on a bar hands on the days it covers.
#include "widgets/dailychart.h"

#include <QEvent>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>

namespace {

const QColor kGreen(0x32, 0xB1, 0x6C);
const QColor kText(0x33, 0x33, 0x33);
const QColor kMuted(0x77, 0x77, 0x77);
const QColor kRule(0xBB, 0xBB, 0xBB);
const QColor kBorder(0xDD, 0xDD, 0xDD);

// Horizontal margins, the title band, the band of the highest value above the
// bars and the band of the day labels under them.
constexpr int kSide = 14;
constexpr int kTitleBand = 24;
constexpr int kValueBand = 16;
constexpr int kLabelBand = 20;
// Narrowest slot of a bar (3 pixels and a gap): a span with more days than
// the chart has such slots groups its days.
constexpr int kMinBarWidth = 4;

QString dayText(const QDate &day)
{
    return day.toString(Qt::ISODate);
}

} // namespace

DailyChart::DailyChart(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName(title());
}

void DailyChart::setRuns(const QDate &first, const QList<int> &days)
{
    firstDay = first;
    perDay = first.isValid() ? days : QList<int>();
    update();
}

void DailyChart::clear()
{
    setRuns(QDate(), {});
}

QRect DailyChart::plotArea() const
{
    const int top = kTitleBand + kValueBand;
    return QRect(kSide, top, std::max(1, width() - 2 * kSide),
                 std::max(1, height() - top - kLabelBand));
}

int DailyChart::daysPerBar() const
{
    if (perDay.isEmpty())
        return 1;
    const qint64 maxBars = std::max(1, plotArea().width() / kMinBarWidth);
    return int((perDay.size() + maxBars - 1) / maxBars);
}

int DailyChart::barCount() const
{
    const int per = daysPerBar();
    return int((perDay.size() + per - 1) / per);
}

QDate DailyChart::barFirstDay(int bar) const
{
    return firstDay.addDays(qint64(bar) * daysPerBar());
}

QDate DailyChart::barLastDay(int bar) const
{
    const qint64 last = std::min<qint64>(qint64(bar + 1) * daysPerBar(), perDay.size()) - 1;
    return firstDay.addDays(last);
}

int DailyChart::barValue(int bar) const
{
    if (bar < 0 || bar >= barCount())
        return 0;
    const int per = daysPerBar();
    int sum = 0;
    for (int i = bar * per; i < std::min<int>((bar + 1) * per, perDay.size()); ++i)
        sum += perDay.at(i);
    return sum;
}

int DailyChart::highestBar() const
{
    int best = -1;
    int bestValue = 0;
    for (int bar = 0; bar < barCount(); ++bar) {
        const int value = barValue(bar);
        if (value > bestValue) {
            best = bar;
            bestValue = value;
        }
    }
    return best;
}

QRect DailyChart::barColumn(int bar) const
{
    const QRect plot = plotArea();
    const int bars = barCount();
    if (bar < 0 || bar >= bars)
        return QRect();
    const int x0 = plot.left() + int(qint64(bar) * plot.width() / bars);
    const int x1 = plot.left() + int(qint64(bar + 1) * plot.width() / bars);
    const int slot = x1 - x0;
    // Wide bars get a gap so that neighbours stay apart; a bar of one day
    // on a one-day span stays a bar rather than a block.
    int gap = slot >= 4 ? std::max(1, slot / 5) : 0;
    int barWidth = slot - gap;
    if (barWidth > 48) {
        gap += barWidth - 48;
        barWidth = 48;
    }
    return QRect(x0 + gap / 2, plot.top(), std::max(1, barWidth), plot.height());
}

QRect DailyChart::barRect(int bar) const
{
    const QRect column = barColumn(bar);
    const int value = barValue(bar);
    const int highest = highestBar();
    if (column.isNull() || value <= 0 || highest < 0)
        return QRect();
    const int top = barValue(highest);
    const int height = std::max(1, int((qint64(value) * column.height() + top / 2) / top));
    return QRect(column.left(), column.bottom() - height + 1, column.width(), height);
}

int DailyChart::barAt(const QPoint &pos) const
{
    const QRect plot = plotArea();
    if (barCount() == 0 || pos.x() < plot.left() || pos.x() > plot.right()
        || pos.y() < plot.top() - kValueBand || pos.y() > plot.bottom())
        return -1;
    return int(qint64(pos.x() - plot.left()) * barCount() / plot.width());
}

QString DailyChart::barToolTip(int bar) const
{
    if (bar < 0 || bar >= barCount())
        return QString();
    const QDate first = barFirstDay(bar);
    const QDate last = barLastDay(bar);
    const int value = barValue(bar);
    if (first == last)
        return tr("%1：%n 次", nullptr, value).arg(dayText(first));
    return tr("%1 ~ %2：%n 次", nullptr, value).arg(dayText(first), dayText(last));
}

QString DailyChart::title() const
{
    return tr("每日执行次数");
}

QString DailyChart::firstDayLabel() const
{
    return perDay.isEmpty() ? QString() : dayText(firstDay);
}

QString DailyChart::lastDayLabel() const
{
    return perDay.isEmpty() ? QString() : dayText(firstDay.addDays(perDay.size() - 1));
}

QRect DailyChart::highestValueRect() const
{
    const int bar = highestBar();
    if (bar < 0)
        return QRect();
    const QString text = QString::number(barValue(bar));
    const QFontMetrics fm(font());
    const int textWidth = fm.horizontalAdvance(text) + 2;
    const QRect column = barColumn(bar);
    const QRect plot = plotArea();
    int left = column.center().x() - textWidth / 2;
    left = std::clamp(left, plot.left(), std::max(plot.left(), plot.right() + 1 - textWidth));
    const int bottom = barRect(bar).top() - 2;
    return QRect(left, bottom - fm.height() + 1, textWidth, fm.height());
}

bool DailyChart::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        const int bar = barAt(help->pos());
        if (bar >= 0)
            QToolTip::showText(help->globalPos(), barToolTip(bar), this, barColumn(bar));
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

void DailyChart::mouseReleaseEvent(QMouseEvent *event)
{
    const int bar = barAt(event->position().toPoint());
    if (event->button() != Qt::LeftButton || bar < 0 || barValue(bar) <= 0) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    emit barClicked(barFirstDay(bar), barLastDay(bar));
}

void DailyChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(kBorder);
    painter.drawLine(0, 0, width() - 1, 0);

    QFont titleFont = font();
    titleFont.setBold(true);
    painter.setFont(titleFont);
    painter.setPen(kText);
    painter.drawText(QRect(kSide, 0, width() - 2 * kSide, kTitleBand),
                     Qt::AlignLeft | Qt::AlignVCenter, title());
    painter.setFont(font());
    if (perDay.isEmpty())
        return;

    const QRect plot = plotArea();
    painter.setPen(kRule);
    painter.drawLine(plot.left(), plot.bottom() + 1, plot.right(), plot.bottom() + 1);

    for (int bar = 0; bar < barCount(); ++bar) {
        const QRect r = barRect(bar);
        if (!r.isNull())
            painter.fillRect(r, kGreen);
    }

    const int highest = highestBar();
    if (highest >= 0) {
        painter.setPen(kText);
        painter.drawText(highestValueRect(), Qt::AlignCenter, QString::number(barValue(highest)));
    }

    painter.setPen(kMuted);
    const QRect labels(plot.left(), plot.bottom() + 3, plot.width(), kLabelBand - 3);
    if (perDay.size() == 1) {
        painter.drawText(labels, Qt::AlignHCenter | Qt::AlignTop, firstDayLabel());
    } else {
        painter.drawText(labels, Qt::AlignLeft | Qt::AlignTop, firstDayLabel());
        painter.drawText(labels, Qt::AlignRight | Qt::AlignTop, lastDayLabel());
    }
}
