// Moving a frameless window by a band of its own (see windowdrag.h).
#include "widgets/windowdrag.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

void WindowDrag::press(QWidget *window, QMouseEvent *event, const QRect &band)
{
    if (event->button() != Qt::LeftButton || !band.contains(event->position().toPoint()))
        return;
    event->accept();
    if (window->windowHandle() && window->windowHandle()->startSystemMove())
        return;
    dragging = true;
    offset = event->globalPosition().toPoint() - window->frameGeometry().topLeft();
}

void WindowDrag::move(QWidget *window, QMouseEvent *event)
{
    if (dragging) {
        window->move(event->globalPosition().toPoint() - offset);
        event->accept();
    }
}

void WindowDrag::release(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        dragging = false;
}
