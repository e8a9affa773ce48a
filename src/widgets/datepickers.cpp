// The date-picker slots of MainWindow: the two calendars below the start and
// end fields of the query form, and the tool tip of the report table.
#include "mainwindow/mainwindow.h"

#include "line_edit.h"

#include <QCalendarWidget>
#include <QCursor>
#include <QDate>
#include <QDebug>
#include <QToolTip>

#include <cstdio>

namespace {

// Field text of a picked day: year, month and day without leading zeros,
// joined by "-", and a trailing blank that the query road reads back.
QString dateFieldText(const QDate &date)
{
    return QString::number(date.year()) + QLatin1Char('-') + QString::number(date.month())
        + QLatin1Char('-') + QString::number(date.day()) + QLatin1Char(' ');
}

// Writes the day selected in calendar into field and closes the calendar.
// Setting a different text emits textChanged(), which shows the calendar
// again through the field's connection; the hide below wins.
void takePickedDate(QCalendarWidget *calendar, line_edit *field)
{
    const QDate date = calendar->selectedDate();
    qDebug() << date.year() << date.month() << date.day();
    field->setText(dateFieldText(date));
    calendar->hide();
}

// Opens `calendar` and closes the other one, or closes it when it is open.
void toggleCalendar(QCalendarWidget *calendar, QCalendarWidget *other)
{
    if (calendar->isHidden()) {
        calendar->show();
        other->hide();
    } else {
        calendar->hide();
    }
}

} // namespace

void MainWindow::showCalendar()
{
    toggleCalendar(startCalendar, endCalendar);
}

void MainWindow::showTimeCalendar()
{
    toggleCalendar(endCalendar, startCalendar);
}

void MainWindow::ok()
{
    takePickedDate(startCalendar, startEdit);
}

void MainWindow::deadok()
{
    takePickedDate(endCalendar, endEdit);
}

void MainWindow::showToolTip(QModelIndex index)
{
    if (!index.isValid()) {
        std::fputs("Invalid index", stdout);
        std::fflush(stdout);
        return;
    }
    QToolTip::showText(QCursor::pos(), index.data(Qt::DisplayRole).toString());
}
