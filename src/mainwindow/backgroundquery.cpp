// The query off the window's thread, with its progress dialog (see backgroundquery.h).
#include "mainwindow/backgroundquery.h"

#include "audit/queryui.h"
#include "widgets/queryprogressdialog.h"

#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <memory>

namespace backgroundquery {

QueryOutcome run(QWidget *window, const QueryRequest &request)
{
    QueryProgress progress;
    QueryOutcome outcome;
    const std::unique_ptr<QThread> worker(
        QThread::create([&] { outcome = QueryRunner(&progress).run(request); }));
    worker->setObjectName(QStringLiteral("query"));

    QEventLoop loop;
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    // Made only when it is shown: a quick query costs the window nothing.
    std::unique_ptr<QueryProgressDialog> dialog;
    QTimer showDialog;
    showDialog.setSingleShot(true);
    QObject::connect(&showDialog, &QTimer::timeout, [&] {
        // The dialog says that the program is busy; the wait cursor would
        // only hide the arrow that its button needs.
        queryui::BusyCursor::releaseAll();
        dialog = std::make_unique<QueryProgressDialog>(&progress, window);
        dialog->show();
    });

    worker->start();
    showDialog.start(kDialogDelayMs);
    loop.exec();
    // The loop also ends when the application quits: the query goes with it.
    if (!worker->isFinished())
        progress.cancel();
    worker->wait();
    showDialog.stop();
    return outcome;
}

} // namespace backgroundquery
