#include "mainwindow/mainwindow.h"
void MainWindow::on_export_btn_clicked() {}
void MainWindow::on_other_btn_clicked() {}
void MainWindow::setSaveFileNameProvider(SaveFileNameProvider) {}
QString MainWindow::askSaveFileName() { return {}; }
