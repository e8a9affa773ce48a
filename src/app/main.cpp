// kvr-auditreport: audit report viewer of the security suite.

#include "app/startup.h"
#include "mainwindow/mainwindow.h"

#include <QApplication>
#include <QTranslator>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTranslator qtTranslator;
    prepareApplication(&app, &qtTranslator);

    MainWindow w;
    placeMainWindow(&w);
    w.show();

    return app.exec();
}
