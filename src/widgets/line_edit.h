#pragma once

#include <QLineEdit>

class QMouseEvent;
class QWidget;

// A line edit that also reports left-button presses, so that the date fields
// can open their calendars on a click and still be typed into.
class line_edit : public QLineEdit
{
    Q_OBJECT

public:
    explicit line_edit(QWidget *parent);
    ~line_edit() override;

signals:
    // Emitted on a left-button press, before the press is handled as usual.
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
};
