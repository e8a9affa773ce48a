#pragma once
// The steps of start-up that the program and the benchmarks share.

class QCoreApplication;
class QTranslator;
class QWidget;

// Installs Qt's own Chinese translation (qtTranslator, which must live as long
// as the application) and the application's translation, puts the project's
// audit tools first on PATH, and creates the data directory when it is missing.
void prepareApplication(QCoreApplication *app, QTranslator *qtTranslator);

// Fixes the main window at 422 x 595, takes away the window manager's frame,
// and centres the window on the desktop.
void placeMainWindow(QWidget *window);
