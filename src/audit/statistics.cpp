#include "mainwindow/mainwindow.h"
void MainWindow::extractStatistics() {}
