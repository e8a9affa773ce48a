// kvr-auditreport: audit report viewer of the security suite. With one of
// the `--report` options it writes a report without a window (src/cli).

#include "app/appenv.h"
#include "app/startup.h"
#include "app/startupchecks.h"
#include "audit/processrunner.h"
#include "cli/reportcommand.h"
#include "mainwindow/mainwindow.h"

#include <QApplication>
#include <QLockFile>
#include <QTranslator>

int main(int argc, char *argv[])
{
    // Chosen before any QApplication exists: the command line needs no display.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (ReportCommand::isWanted(args)) {
        QCoreApplication app(argc, argv);
        QTranslator qtTranslator;
        return ReportCommand::run(app.arguments().mid(1),
                                  [&] { prepareApplication(&app, &qtTranslator); });
    }

    QApplication app(argc, argv);
    QTranslator qtTranslator;
    prepareApplication(&app, &qtTranslator);
    // A query's commands run in process groups of their own: a signal that
    // ends the program must not leave them running.
    processrunner::stopAllOnTerminatingSignals();

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
