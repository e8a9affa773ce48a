#include "app/startup.h"

#include "app/appenv.h"
#include "app/language.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QTranslator>
#include <QWidget>

void prepareApplication(QCoreApplication *app, QTranslator *qtTranslator)
{
    // Qt's own dialogs and context menus in the interface language.
    loadQtTranslation(qtTranslator);

    // An installed program finds its data directory beside its prefix.
    appenv::useProgramDir(QCoreApplication::applicationDirPath());
    // Installed after Qt's translator, so it is consulted first.
    loadLanguage(app);

    // Commands run through the shell must find the bundled ausearch and
    // aureport before the system's.
    appenv::prependToPath(appenv::auditToolsDir(QCoreApplication::applicationDirPath()));
    // The working files live in the data directory; it is made (root's way,
    // mode 0755) and checked by the start-up checks of the window.
}

void placeMainWindow(QWidget *window)
{
    window->setFixedSize(422, 595);
    window->setWindowFlags(Qt::FramelessWindowHint);
    const QRect desktop = QGuiApplication::primaryScreen()->virtualGeometry();
    window->move(centredPosition(desktop.size(), window->geometry().size()));
}
