// The window from the keyboard: Tab from the form's fields on to the query
// button and the back button; Enter or Return runs the query from the form;
// Escape goes back from a result page. The keys of the date fields and their
// calendars are the form's own (QueryForm).
#include "mainwindow/mainwindow.h"

#include "ui_mainwindow.h"

#include "widgets/queryform.h"

#include <QKeyEvent>

void MainWindow::setUpKeyboard()
{
    setTabOrder(queryForm()->lastField(), ui->query_btn);
    setTabOrder(ui->query_btn, ui->back_btn);
    queryForm()->firstField()->setFocus();
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
