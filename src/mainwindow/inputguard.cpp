#include "mainwindow/inputguard.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

InputGuard::InputGuard(QObject *parent) : QObject(parent)
{
    qApp->installEventFilter(this);
}

void InputGuard::hold(QWidget *window)
{
    held = window;
}

void InputGuard::arm()
{
    held = nullptr;
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
        if (!watched->isWidgetType())
            return false;
        if (held && static_cast<QWidget *>(watched)->window() == held)
            return true;
        return isArmed();
    default:
        return false;
    }
}
