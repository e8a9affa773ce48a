#pragma once
// The steps of start-up that the program and the benchmarks share.

class QCoreApplication;
class QTranslator;
class QWidget;

// Installs Qt's own translation for the interface language (qtTranslator, which must live as long
// as the application) and the application's translation (from the data
// directory of the install tree the program lives in, when there is one), and
// puts the project's audit tools first on PATH.
void prepareApplication(QCoreApplication *app, QTranslator *qtTranslator);

// Fixes the main window at 422 x 595, takes away the window manager's frame,
// and centres the window on the desktop.
void placeMainWindow(QWidget *window);
