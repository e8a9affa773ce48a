// kvr-auditreport: audit report viewer of the security suite.

#include "app/appenv.h"
#include "app/startup.h"
#include "app/startupchecks.h"
#include "mainwindow/mainwindow.h"

#include <QApplication>
#include <QLockFile>
#include <QTranslator>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTranslator qtTranslator;
    prepareApplication(&app, &qtTranslator);

    // Two windows on one data directory would overwrite each other's working
    // files; a directory refused as unsafe is never written, so needs no lock.
    const datadirsafety::Verdict dataDir = startupchecks::checkDataDir();
    QLockFile lock(startupchecks::lockFilePath());
    if (dataDir.safe() && !startupchecks::takeInstanceLock(&lock, nullptr))
        return 0;

    MainWindow w;
    placeMainWindow(&w);
    w.show();
    startupchecks::checkQueryRoad(&w, dataDir,
                                  appenv::auditToolsDir(QCoreApplication::applicationDirPath()));

    return app.exec();
}
