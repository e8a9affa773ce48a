#include "mainwindow/mainwindow.h"
QStringList MainWindow::getCurrentSysUsers() { return {}; }
void MainWindow::setPasswdPath(const QString &path) { passwdPath = path; }
