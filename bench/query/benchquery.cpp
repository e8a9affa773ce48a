// kvr-bench-query: drives the real main window offscreen and times one road.
//
//   kvr-bench-query startup            start-up to the first shown window (ms,
//                                      from $KVR_BENCH_T0_NS, the launch time)
//                                      and the idle window's resident memory
//   kvr-bench-query query START END [TYPE]
//                                      all event types (or the command TYPE,
//                                      e.g. sudo), dates START..END
//                                      (YYYY-MM-DD): button press to table filled
//   kvr-bench-query summary            button press to the summary list filled
//   kvr-bench-query floor START END    no window: the search of `query` (with
//                                      its runs file) and then the three
//                                      statistics pipelines, one after another
//                                      through the shell as the road runs
//                                      them, and nothing else: what the road
//                                      cannot go below
//   kvr-bench-query stall START END    the query of `query`, and the longest
//                                      gap (ms) between two ticks of a 5 ms
//                                      timer of the window's event loop meanwhile
//                                      (up to the page shown), beside the same
//                                      for two idle seconds before it
//
// Results go to standard error as "RESULT key value" lines; standard output
// carries the program's own diagnostic lines.
#include "app/appenv.h"
#include "app/startup.h"
#include "audit/querycore.h"
#include "widgets/queryprogressdialog.h"
#include "windowaccess.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QListWidget>
#include <QTableWidget>
#include <QTimer>
#include <QTranslator>

#include <cstdio>
#include <ctime>

namespace {

qint64 nowNs()
{
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

void result(const char *key, double value)
{
    std::fprintf(stderr, "RESULT %s %.3f\n", key, value);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const QString mode = args.value(0);

    if (mode == QLatin1String("floor")) {
        const QDate start = QDate::fromString(args.value(1), Qt::ISODate);
        const QDate end = QDate::fromString(args.value(2), Qt::ISODate);
        if (!start.isValid() || !end.isValid()) {
            std::fputs("kvr-bench-query: floor needs START and END as YYYY-MM-DD\n", stderr);
            return 2;
        }
        QElapsedTimer timer;
        timer.start();
        processrunner::Options search;
        search.environment << QStringLiteral("KVR_AUDITREPORT_RUNS=")
                + appenv::dataFile(QStringLiteral("runs.log"));
        if (processrunner::runShell(
                querycore::composeSearchCommand(std::nullopt, start, end).full(), search)
                .exitCode
            != 0)
            return 1;
        for (const QString &commandLine : querycore::statisticsCommands())
            if (processrunner::runShell(commandLine, {}).exitCode != 0)
                return 1;
        result("floor_s", timer.nsecsElapsed() / 1e9);
        return 0;
    }

    // The same start-up as the program's own main().
    QTranslator qtTranslator;
    prepareApplication(&app, &qtTranslator);
    MainWindow w;
    placeMainWindow(&w);
    w.show();
    QCoreApplication::processEvents();

    Ui_MainWindow *ui = MainWindowTestAccess::ui(w);
    if (mode == QLatin1String("startup")) {
        const qint64 t0 = qgetenv("KVR_BENCH_T0_NS").toLongLong();
        if (t0 > 0)
            result("startup_ms", double(nowNs() - t0) / 1e6);
        // Idle for a second, then the resident memory of the shown window.
        QTimer::singleShot(1000, &app, [&] {
            result("idle_rss_mb", double(residentKb()) / 1024.0);
            app.quit();
        });
        return app.exec();
    }

    QElapsedTimer timer;
    if (mode == QLatin1String("query") || mode == QLatin1String("stall")) {
        const QDate start = QDate::fromString(args.value(1), Qt::ISODate);
        const QDate end = QDate::fromString(args.value(2), Qt::ISODate);
        if (!start.isValid() || !end.isValid()) {
            std::fputs("kvr-bench-query: query needs START and END as YYYY-MM-DD\n", stderr);
            return 2;
        }
        const int type = args.size() > 3 ? ui->type_com->findText(args.value(3)) : 0;
        if (type < 0) {
            std::fputs("kvr-bench-query: TYPE is not a command of the form\n", stderr);
            return 2;
        }
        ui->type_com->setCurrentIndex(type);
        MainWindowTestAccess::calendar(w, DateField::Start)->setSelectedDate(start);
        QMetaObject::invokeMethod(&w, "ok");
        MainWindowTestAccess::calendar(w, DateField::End)->setSelectedDate(end);
        QMetaObject::invokeMethod(&w, "deadok");
        // The event loop's longest stall: the query runs off the window's
        // thread, so the window's timers keep firing while it runs.
        QElapsedTimer sinceTick;
        qint64 longestStallNs = 0;
        qint64 longestStallAtNs = 0;
        QTimer tick;
        // Every stall over 30 ms, with the stage the progress dialog showed.
        QStringList stalls;
        auto measure = [&] {
            const qint64 stall = sinceTick.nsecsElapsed();
            if (stall > longestStallNs) {
                longestStallNs = stall;
                longestStallAtNs = timer.nsecsElapsed();
            }
            if (stall > 30000000) {
                const auto *dialog = w.findChild<QueryProgressDialog *>();
                stalls << QStringLiteral("%1ms@%2s(%3)")
                              .arg(stall / 1000000)
                              .arg(timer.nsecsElapsed() / 1e9, 0, 'f', 2)
                              .arg(dialog ? dialog->stageText() : QStringLiteral("-"));
            }
            sinceTick.start();
        };
        QObject::connect(&tick, &QTimer::timeout, measure);
        tick.setTimerType(Qt::PreciseTimer);
        if (mode == QLatin1String("stall")) {
            // What the machine itself costs an idle window, for comparison.
            tick.start(5);
            timer.start();
            sinceTick.start();
            QEventLoop idle;
            QTimer::singleShot(2000, &idle, &QEventLoop::quit);
            idle.exec();
            result("longest_idle_stall_ms", longestStallNs / 1e6);
            longestStallNs = 0;
            sinceTick.start();
        }
        timer.start();
        ui->query_btn->click();
        if (mode == QLatin1String("stall")) {
            measure(); // the work after the last tick: the result page filled
            result("longest_stall_ms", longestStallNs / 1e6);
            result("longest_stall_at_s", longestStallAtNs / 1e9);
            std::fprintf(stderr, "STALLS %s\n", qPrintable(stalls.join(QLatin1Char(' '))));
        }
        result("query_s", timer.nsecsElapsed() / 1e9);
        // A picture of the result page when asked for (KVR_BENCH_GRAB=file.png).
        if (qEnvironmentVariableIsSet("KVR_BENCH_GRAB"))
            w.grab().save(qEnvironmentVariable("KVR_BENCH_GRAB"));
        const QTableWidgetItem *count = ui->tableWidget->item(1, 1);
        result("query_records", count ? count->text().toDouble() : -1);
        return ui->contentStackedWidget->currentIndex() == 2 ? 0 : 1;
    }
    if (mode == QLatin1String("summary")) {
        timer.start();
        ui->query_btn->click();
        result("summary_s", timer.nsecsElapsed() / 1e9);
        result("summary_items", ui->listWidget->count());
        return ui->contentStackedWidget->currentIndex() == 1 ? 0 : 1;
    }
    std::fputs("usage: kvr-bench-query startup | query START END [TYPE] | stall START END | "
               "summary | floor START END\n",
               stderr);
    return 2;
}
