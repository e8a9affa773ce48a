#pragma once
// Moving a frameless window by a band of its own: what the message box and
// the progress dialog do with their mouse events.

#include <QPoint>
#include <QRect>

class QMouseEvent;
class QWidget;

class WindowDrag
{
public:
    // A left press inside `band` (window coordinates) starts a drag: the
    // platform's own move where it has one (Wayland ignores move()), else
    // the window follows the mouse until the button is released.
    void press(QWidget *window, QMouseEvent *event, const QRect &band);
    void move(QWidget *window, QMouseEvent *event);
    void release(QMouseEvent *event);
    bool isDragging() const { return dragging; }

private:
    bool dragging = false;
    QPoint offset;
};
