// kvr-auditreport: audit report viewer of the security suite.

#include "app/appenv.h"
#include "app/language.h"
#include "mainwindow/mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QTranslator>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);

    // Qt's own dialogs and context menus in Chinese. Installed even when the
    // bundle lacks the file: an empty translator changes nothing.
    QTranslator qtTranslator;
    (void)qtTranslator.load(QStringLiteral(":/qt_zh_CN.qm"));
    QCoreApplication::installTranslator(&qtTranslator);

    // Installed after Qt's translator, so it is consulted first.
    loadLanguage(&app);

    // Commands run through the shell must find the bundled ausearch and
    // aureport before the system's.
    appenv::prependToPath(appenv::auditToolsDir(QCoreApplication::applicationDirPath()));
    // The working files live in the data directory; when it cannot be made,
    // the query says so to the user, so the result is not checked here.
    QDir().mkpath(appenv::dataDir());

    MainWindow w;
    w.setFixedSize(422, 595);
    w.setWindowFlags(Qt::FramelessWindowHint);
    const QRect desktop = QGuiApplication::primaryScreen()->virtualGeometry();
    w.move(centredPosition(desktop.size(), w.geometry().size()));
    w.show();

    return app.exec();
}
