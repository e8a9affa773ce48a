#include "mainwindow/mainwindow.h"
void MainWindow::on_query_btn_clicked() {}
QString MainWindow::lastUserId() const { return {}; }
QString MainWindow::lastExecCount() const { return {}; }
void MainWindow::printSummaryTable() {}
