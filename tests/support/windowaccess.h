#pragma once
// The tests' (and the query benchmark's) one way into MainWindow's private
// members: the designer tree, the form's two date fields with their
// calendars, the drag state, the page each stack shows, the chart and the
// per-user rows. MainWindow and QueryForm name this class their friend.

#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"
#include "widgets/dailychart.h"
#include "widgets/line_edit.h"
#include "widgets/queryform.h"

#include <QCalendarWidget>

// The start field (with its calendar) or the end field.
enum class DateField { Start, End };

class MainWindowTestAccess
{
public:
    static Ui_MainWindow *ui(MainWindow &w) { return w.ui.get(); }
    static QueryForm *form(MainWindow &w) { return w.ui->content1; }
    static line_edit *edit(MainWindow &w, DateField f)
    {
        return f == DateField::Start ? form(w)->startEdit : form(w)->endEdit;
    }
    static QCalendarWidget *calendar(MainWindow &w, DateField f)
    {
        return f == DateField::Start ? form(w)->startCalendar : form(w)->endCalendar;
    }
    static line_edit *startEdit(MainWindow &w) { return edit(w, DateField::Start); }
    static line_edit *endEdit(MainWindow &w) { return edit(w, DateField::End); }
    static QCalendarWidget *startCalendar(MainWindow &w) { return calendar(w, DateField::Start); }
    static QCalendarWidget *endCalendar(MainWindow &w) { return calendar(w, DateField::End); }
    // Picks `date` in the field's calendar, as a click on a day does.
    static void pickDate(MainWindow &w, DateField f, const QDate &date)
    {
        calendar(w, f)->setSelectedDate(date);
        QMetaObject::invokeMethod(&w, f == DateField::Start ? "ok" : "deadok");
    }
    static DailyChart *chart(MainWindow &w) { return w.dailyChart; }
    // Shows `ids` with their run `counts` as the rows under the summary.
    static void setUsers(MainWindow &w, const QStringList &ids, const QList<int> &counts)
    {
        w.report.userIds = ids;
        w.report.execCounts = counts;
        w.showRunsPerUser();
    }
    static void toolTip(MainWindow &w, const QModelIndex &index) { w.showToolTip(index); }
    static bool dragging(MainWindow &w) { return w.dragging; }
    static QPoint dragOffset(MainWindow &w) { return w.dragOffset; }
    // The page each of the three stacks shows: content, bottom bar, title.
    static QList<int> pages(MainWindow &w)
    {
        return {w.ui->contentStackedWidget->currentIndex(),
                w.ui->bottomStackedWidget->currentIndex(),
                w.ui->titleStackedWidget->currentIndex()};
    }
};
