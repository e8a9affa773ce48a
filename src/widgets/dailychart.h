#pragma once

#include <QDate>
#include <QList>
#include <QRect>
#include <QString>
#include <QWidget>

// A small bar chart of runs per day for the report page, painted with
// QPainter: one green bar per day of a span (or per group of days when the
// span has more days than the chart has room for), days without runs left
// empty, the first and last day written under the bars, the highest bar's
// value above it, and a tool tip with the day and the count of each bar. A
// click on a bar with runs asks for the runs of the days it covers.
class DailyChart : public QWidget
{
    Q_OBJECT

public:
    explicit DailyChart(QWidget *parent = nullptr);

    // The runs of each day from `first` on, one count per day.
    void setRuns(const QDate &first, const QList<int> &perDay);
    void clear();
    bool isEmpty() const { return perDay.isEmpty(); }

    // The bars as laid out for the current size.
    int barCount() const;
    int daysPerBar() const;
    QDate barFirstDay(int bar) const;
    QDate barLastDay(int bar) const;
    int barValue(int bar) const;
    // The whole column a bar may fill, and the part its value fills (empty
    // for a bar of no runs).
    QRect barColumn(int bar) const;
    QRect barRect(int bar) const;
    // The first of the highest bars; -1 when there are no runs at all.
    int highestBar() const;
    // The bar under a point of the widget, or -1.
    int barAt(const QPoint &pos) const;
    QString barToolTip(int bar) const;
    // The texts written on the chart.
    QString title() const;
    QString firstDayLabel() const;
    QString lastDayLabel() const;
    // Where the highest bar's value is written.
    QRect highestValueRect() const;

signals:
    // A left click on a bar that holds runs: its first and last day.
    void barClicked(const QDate &first, const QDate &last);

protected:
    bool event(QEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QRect plotArea() const;

    QDate firstDay;
    QList<int> perDay;
};
