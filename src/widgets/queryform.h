#pragma once
// The query form (the window's content1 page): the event-type box, the two
// date fields with their calendars, picking and typing dates, and the keys of
// the fields and calendars. It turns what the user chose into one
// QueryRequest, warning about a date it cannot take, and emits it; nothing
// else reads its widgets.

#include "audit/queryrequest.h"

#include <QWidget>

#include <optional>

class QCalendarWidget;
class QComboBox;
class line_edit;

class QueryForm : public QWidget
{
    Q_OBJECT

public:
    explicit QueryForm(QWidget *parent = nullptr);
    ~QueryForm() override;

    // Builds the form on the designer's widgets, once, after setupUi(): fills
    // the event-type box (its child type_com) and puts the date fields and,
    // above every other child, their calendars.
    void build();

    // The first and the last widget of the form in tab order.
    QWidget *firstField() const;
    QWidget *lastField() const;

    // Emits requested() for what the form holds, or warns about the date it
    // cannot take (or a start that is not before the end) and emits nothing.
    void submit();

    // After a query without a report: both dates back to the all marker,
    // both calendars closed; the event type stays.
    void clearDates();

    // Opens the start or end calendar (closing the other), or closes it.
    void toggleStartCalendar();
    void toggleEndCalendar();
    // Writes the day selected in the start or end calendar into its field
    // and closes the calendar.
    void takeStartDate();
    void takeEndDate();

signals:
    void requested(const QueryRequest &request);

protected:
    // Down opens a date field's calendar, Escape closes it.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::optional<QueryRequest> read();
    std::optional<QDate> fieldDate(line_edit *field, QCalendarWidget *calendar);

    QComboBox *typeBox = nullptr;
    line_edit *startEdit = nullptr;
    line_edit *endEdit = nullptr;
    QCalendarWidget *startCalendar = nullptr;
    QCalendarWidget *endCalendar = nullptr;

    // Tests reach the fields through this class, which only they define.
    friend class MainWindowTestAccess;
};
