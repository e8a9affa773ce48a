#pragma once
// Input meant for a page that is no longer there. The result pages put their
// export and back buttons where the form's query and back buttons are, so the
// second click of a double click, or a click made while a query ran, would
// press the button that replaced the one clicked. While a query runs the
// guard holds the window: input to its widgets is discarded (its progress
// dialog, a window of its own, still takes clicks and keys). Once armed, it
// discards mouse presses, releases and double clicks and key presses sent to
// any widget of the application, for the double-click interval.

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

class QWidget;

class InputGuard : public QObject
{
    Q_OBJECT

public:
    // Installs itself as an event filter of the application.
    explicit InputGuard(QObject *parent);

    // Discards input to `window` and its children until arm().
    void hold(QWidget *window);
    // Ends a hold, and discards input from now until the platform's
    // double-click interval (QApplication::doubleClickInterval()) has passed:
    // the rest of a double click, and what the window system queued while the
    // program was busy.
    void arm();
    bool isArmed() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QElapsedTimer armedAt;
    QPointer<QWidget> held;
};
