// The query form and the result pages from the keyboard: Tab through the
// date fields, the event-type box and the query button; Enter or Return runs
// the query; Escape goes back from a result page and closes an open calendar;
// Down in a date field opens its calendar, whose days the arrow keys walk and
// Enter or Return picks.
#include "mainwindow/mainwindow.h"

#include "ui_mainwindow.h"

#include "mainwindow/inputguard.h"
#include "widgets/line_edit.h"

#include <QCalendarWidget>
#include <QKeyEvent>

void MainWindow::setUpKeyboard()
{
    setTabOrder(startEdit, endEdit);
    setTabOrder(endEdit, ui->type_com);
    setTabOrder(ui->type_com, ui->query_btn);
    setTabOrder(ui->query_btn, ui->back_btn);
    startEdit->setFocus();

    for (QCalendarWidget *calendar : {startCalendar, endCalendar}) {
        calendar->installEventFilter(this);
        for (QWidget *child : calendar->findChildren<QWidget *>())
            child->installEventFilter(this);
    }
    startEdit->installEventFilter(this);
    endEdit->installEventFilter(this);

    // Enter or Return on a day of an open calendar picks it, as a click does.
    connect(startCalendar, &QCalendarWidget::activated, this, [this] {
        ok();
        startEdit->setFocus();
    });
    connect(endCalendar, &QCalendarWidget::activated, this, [this] {
        deadok();
        endEdit->setFocus();
    });
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QMainWindow::eventFilter(watched, event);
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
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::keyPressEvent(QKeyEvent *event)
{
    const bool onForm = ui->contentStackedWidget->currentIndex() == 0;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (onForm) {
            ui->query_btn->click();
            return;
        }
        break;
    case Qt::Key_Escape:
        // Back to the form; Escape never closes the program.
        if (!onForm) {
            on_btn_clicked();
            return;
        }
        break;
    default:
        break;
    }
    QMainWindow::keyPressEvent(event);
}
