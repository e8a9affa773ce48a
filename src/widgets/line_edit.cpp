#include "line_edit.h"

#include <QMouseEvent>

line_edit::line_edit(QWidget *parent) : QLineEdit(parent)
{
}

line_edit::~line_edit() = default;

void line_edit::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit clicked();
    // Every press still places the caret, starts a selection or opens the
    // context menu as in any line edit.
    QLineEdit::mousePressEvent(event);
}
