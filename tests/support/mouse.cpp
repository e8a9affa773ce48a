// Mouse input for the GUI tests (see mouse.h).
#include "mouse.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QMouseEvent>
#include <QTableView>
#include <QtTest>

namespace testsupport {

void sendMouse(QWidget *w, QEvent::Type type, QPoint local, QPoint global, Qt::MouseButton button,
               Qt::MouseButtons held)
{
    QMouseEvent e(type, QPointF(local), QPointF(global), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

void sendMouseAt(QWidget *w, QEvent::Type type, QPoint global, Qt::MouseButton button,
                 Qt::MouseButtons held)
{
    sendMouse(w, type, w->mapFromGlobal(global), global, button, held);
}

void clickDay(QCalendarWidget *calendar, const QDate &day)
{
    auto view = calendar->findChild<QTableView *>();
    calendar->setSelectedDate(day);
    const QModelIndex cell = view->selectionModel()->currentIndex();
    calendar->setSelectedDate(day.day() > 1 ? day.addDays(-1) : day.addDays(1));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(cell).center());
}

} // namespace testsupport
