#include "mainwindow/mainwindow.h"
bool MainWindow::buildReport() { return false; }
