#include "mainwindow/inputguard.h"

#include <QApplication>
#include <QEvent>

InputGuard::InputGuard(QObject *parent) : QObject(parent)
{
    qApp->installEventFilter(this);
}

void InputGuard::arm()
{
    armedAt.start();
}

bool InputGuard::isArmed() const
{
    return armedAt.isValid() && armedAt.elapsed() < QApplication::doubleClickInterval();
}

bool InputGuard::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        // Widgets only: the window of a widget passes the event on to it.
        return watched->isWidgetType() && isArmed();
    default:
        return false;
    }
}
