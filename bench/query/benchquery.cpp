// kvr-bench-query: drives the real main window offscreen and times one road.
//
//   kvr-bench-query startup            start-up to the first shown window (ms,
//                                      from $KVR_BENCH_T0_NS, the launch time)
//                                      and the idle window's resident memory
//   kvr-bench-query query START END    all event types, dates START..END
//                                      (YYYY-MM-DD): button press to table filled
//   kvr-bench-query summary            button press to the summary list filled
//
// Results go to standard error as "RESULT key value" lines; standard output
// carries the program's own diagnostic lines.
#include "app/startup.h"
#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"
#include "widgets/line_edit.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QTableWidget>
#include <QTimer>
#include <QTranslator>

#include <cstdio>
#include <ctime>

class MainWindowTestAccess
{
public:
    static Ui_MainWindow *ui(MainWindow &w) { return w.ui; }
    static QCalendarWidget *calendar(MainWindow &w, bool start)
    {
        return start ? w.startCalendar : w.endCalendar;
    }
};

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
    if (mode == QLatin1String("query")) {
        const QDate start = QDate::fromString(args.value(1), Qt::ISODate);
        const QDate end = QDate::fromString(args.value(2), Qt::ISODate);
        if (!start.isValid() || !end.isValid()) {
            std::fputs("kvr-bench-query: query needs START and END as YYYY-MM-DD\n", stderr);
            return 2;
        }
        ui->type_com->setCurrentIndex(0);
        MainWindowTestAccess::calendar(w, true)->setSelectedDate(start);
        QMetaObject::invokeMethod(&w, "ok");
        MainWindowTestAccess::calendar(w, false)->setSelectedDate(end);
        QMetaObject::invokeMethod(&w, "deadok");
        timer.start();
        ui->query_btn->click();
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
    std::fputs("usage: kvr-bench-query startup | query START END | summary\n", stderr);
    return 2;
}
