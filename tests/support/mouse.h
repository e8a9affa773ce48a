#pragma once
// Mouse input for the GUI tests beyond what QTest offers: events with a
// chosen global position and held buttons (dragging frameless windows), and
// clicking a day in a calendar as a user would.

#include <QDate>
#include <QEvent>
#include <QPoint>

class QCalendarWidget;
class QWidget;

namespace testsupport {

// Sends one mouse event to `w`: `local` in w's coordinates, `global` on the
// screen, `button` the one that changed, `held` those down after the event.
void sendMouse(QWidget *w, QEvent::Type type, QPoint local, QPoint global, Qt::MouseButton button,
               Qt::MouseButtons held);

// As above, with the local position taken from the global one.
void sendMouseAt(QWidget *w, QEvent::Type type, QPoint global, Qt::MouseButton button,
                 Qt::MouseButtons held);

// Clicks day's cell of the calendar's table. A neighbouring day is selected
// first, so that the click itself has to select the day that is taken.
void clickDay(QCalendarWidget *calendar, const QDate &day);

} // namespace testsupport
