// Runs the main window in a real event loop and closes it the way the first
// argument says ("close_btn", "back_btn" or "menu" for the tray menu's second
// action), after hiding it (as to the tray) when the second argument is "hidden".
// Exits with the event loop's result when the loop ends, and with 2 when the
// program is still running three seconds later.
#include "mainwindow/mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include <cstdlib>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QString how = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const bool hidden = argc > 2 && qstrcmp(argv[2], "hidden") == 0;

    MainWindow w;
    w.show();
    QTimer::singleShot(50, &w, [&] {
        if (hidden)
            w.setVisible(false); // as the minimize button does when a tray exists
        if (how == QLatin1String("menu"))
            w.findChild<QMenu *>()->actions().value(1)->trigger();
        else
            w.findChild<QPushButton *>(how)->click();
    });
    QTimer::singleShot(3000, [] { std::_Exit(2); });
    return app.exec();
}
