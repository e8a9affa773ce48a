#include "mainwindow/mainwindow.h"
void MainWindow::runAuditSearch() {}
