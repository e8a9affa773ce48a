// The query form: its widgets, the date pickers and keys, and the request it
// emits (see queryform.h).
#include "widgets/queryform.h"

#include "audit/querycore.h"
#include "audit/queryui.h"
#include "widgets/line_edit.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QCoreApplication>
#include <QDebug>
#include <QKeyEvent>

namespace {

// The all marker: no restriction on that side of the query.
QString allMarker()
{
    return QCoreApplication::translate("MainWindow", "all");
}

// Field text of a picked day: year, month and day without leading zeros,
// joined by "-", and a trailing blank.
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

QCalendarWidget *makeCalendar(QWidget *parent, int x)
{
    auto *calendar = new QCalendarWidget(parent);
    calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    calendar->setGeometry(x, 73, 248, 157);
    calendar->hide();
    // Only the dates that the search reads the same way can be picked.
    calendar->setDateRange(querycore::firstSearchDate(), querycore::lastSearchDate());
    return calendar;
}

} // namespace

QueryForm::QueryForm(QWidget *parent) : QWidget(parent)
{
}

QueryForm::~QueryForm() = default;

void QueryForm::build()
{
    typeBox = findChild<QComboBox *>(QStringLiteral("type_com"), Qt::FindDirectChildrenOnly);
    Q_ASSERT(typeBox);
    typeBox->setStyleSheet(QStringLiteral("QComboBox{border:1px solid #BBBBBB;width:50px;}"
                                          "QComboBox QAbstractItemView::item{height:25px;}"
                                          "QComboBox::down-arrow{image:url(:/pics/combox.png);}"
                                          "QComboBox::drop-down{border:0px;}"));
    // Only "all", the no-restriction marker, is translated; the commands keep
    // their names in every language.
    typeBox->addItem(allMarker(), 1);
    int itemData = 2;
    for (const QString &name : querycore::eventTypeNames())
        typeBox->addItem(name, itemData++);

    startEdit = new line_edit(this);
    startEdit->setGeometry(21, 41, 132, 32);
    startEdit->setText(allMarker());
    endEdit = new line_edit(this);
    endEdit->setText(allMarker());
    endEdit->setGeometry(181, 41, 132, 32);

    // Made after every other child, so an open calendar lies on top of the
    // fields and the event-type box.
    startCalendar = makeCalendar(this, 21);
    endCalendar = makeCalendar(this, 181);

    // The texts above are set before these connections, so building the
    // form opens no calendar; any later change of a date field does.
    connect(startEdit, &line_edit::clicked, this, &QueryForm::toggleStartCalendar);
    connect(startEdit, &QLineEdit::textChanged, startCalendar, &QWidget::show);
    connect(endEdit, &line_edit::clicked, this, &QueryForm::toggleEndCalendar);
    connect(endEdit, &QLineEdit::textChanged, endCalendar, &QWidget::show);
    connect(startCalendar, &QCalendarWidget::clicked, this, &QueryForm::takeStartDate);
    connect(endCalendar, &QCalendarWidget::clicked, this, &QueryForm::takeEndDate);

    setTabOrder(startEdit, endEdit);
    setTabOrder(endEdit, typeBox);
    for (QCalendarWidget *calendar : {startCalendar, endCalendar}) {
        calendar->installEventFilter(this);
        for (QWidget *child : calendar->findChildren<QWidget *>())
            child->installEventFilter(this);
    }
    startEdit->installEventFilter(this);
    endEdit->installEventFilter(this);
    // Enter or Return on a day of an open calendar picks it, as a click does.
    connect(startCalendar, &QCalendarWidget::activated, this, [this] {
        takeStartDate();
        startEdit->setFocus();
    });
    connect(endCalendar, &QCalendarWidget::activated, this, [this] {
        takeEndDate();
        endEdit->setFocus();
    });
    startEdit->setFocus();
}

QWidget *QueryForm::firstField() const
{
    return startEdit;
}

QWidget *QueryForm::lastField() const
{
    return typeBox;
}

void QueryForm::toggleStartCalendar()
{
    toggleCalendar(startCalendar, endCalendar);
}

void QueryForm::toggleEndCalendar()
{
    toggleCalendar(endCalendar, startCalendar);
}

void QueryForm::takeStartDate()
{
    takePickedDate(startCalendar, startEdit);
}

void QueryForm::takeEndDate()
{
    takePickedDate(endCalendar, endEdit);
}

void QueryForm::clearDates()
{
    startEdit->setText(allMarker());
    endEdit->setText(allMarker());
    // The text changes above show the calendars; both end hidden.
    startCalendar->hide();
    endCalendar->hide();
}

// The date a non-marker field stands for: its text when that is a date, which
// the calendar then shows as its selection. Empty when the text is no date.
std::optional<QDate> QueryForm::fieldDate(line_edit *field, QCalendarWidget *calendar)
{
    const std::optional<QDate> date = querycore::parseFieldDate(field->text());
    if (!date)
        return std::nullopt;
    calendar->setSelectedDate(*date);
    // A date outside the calendar's range is not taken by it.
    if (calendar->selectedDate() != *date)
        return std::nullopt;
    return date;
}

std::optional<QueryRequest> QueryForm::read()
{
    const QString all = allMarker();
    QueryRequest request;
    if (typeBox->currentText() != all)
        request.eventType = typeBox->currentText();

    // A date field holds "all" or a date the search can take; when it holds
    // neither, the user is told and the query stops.
    auto readDate = [&](line_edit *field, QCalendarWidget *calendar, std::optional<QDate> *date,
                        const QString &invalid) {
        if (field->text() == all)
            return true;
        *date = fieldDate(field, calendar);
        if (!*date)
            queryui::showMessage(window(), QCoreApplication::translate("MainWindow", "警告"),
                                 invalid);
        return date->has_value();
    };
    if (!readDate(startEdit, startCalendar, &request.start,
                  QCoreApplication::translate(
                      "MainWindow",
                      "开始时间无效，请按 年-月-日 输入 1970 至 2068 年间的日期或从日历中选择"))
        || !readDate(endEdit, endCalendar, &request.end,
                     QCoreApplication::translate(
                         "MainWindow",
                         "结束时间无效，请按 年-月-日 输入 1970 至 2068 年间的日期或从日历中选择")))
        return std::nullopt;

    if (!request.rangeInOrder()) {
        queryui::showMessage(
            window(), QCoreApplication::translate("MainWindow", "警告"),
            QCoreApplication::translate("MainWindow", "选择的时间有误，开始时间应早于结束时间"));
        return std::nullopt;
    }
    return request;
}

void QueryForm::submit()
{
    if (const std::optional<QueryRequest> request = read())
        emit requested(*request);
}

bool QueryForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent *>(event)->key();
    for (int i = 0; i < 2; ++i) {
        line_edit *field = i == 0 ? startEdit : endEdit;
        QCalendarWidget *calendar = i == 0 ? startCalendar : endCalendar;
        QCalendarWidget *other = i == 0 ? endCalendar : startCalendar;
        const bool inCalendar = watched == calendar
            || (watched->isWidgetType() && calendar->isAncestorOf(static_cast<QWidget *>(watched)));
        if (watched == field && key == Qt::Key_Down) {
            other->hide();
            calendar->show();
            calendar->setFocus();
            return true;
        }
        if ((watched == field || inCalendar) && key == Qt::Key_Escape && calendar->isVisible()) {
            calendar->hide();
            field->setFocus();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
