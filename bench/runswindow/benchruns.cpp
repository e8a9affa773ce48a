// kvr-bench-runs: times the runs window on a generated runs file of N runs
// (100,000 by default) on whatever Qt platform it is started on: reading the
// file, opening the window (constructed, shown and painted once), sorting
// each column both ways, repainting the table after a scroll step, filtering,
// and writing the runs as CSV and HTML.
//
//   kvr-bench-runs [N] [SHOT.png]
//
// With SHOT.png it also saves a picture of the opened window there.
//
// Prints one line per figure, each measured in this run.
#include "export/csvreport.h"
#include "export/htmlreport.h"
#include "runsample.h"
#include "widgets/runsmodel.h"
#include "widgets/runswindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

double ms(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

// CPU time of this thread in milliseconds: on a machine busy with other work
// the wall time says more about the machine than about the window.
double cpuMs()
{
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// Wall and CPU time of one step.
class Step
{
public:
    Step() { restart(); }
    void restart()
    {
        wall.restart();
        cpu0 = cpuMs();
    }
    double wallMs() const { return ms(wall); }
    double cpu() const { return cpuMs() - cpu0; }

private:
    QElapsedTimer wall;
    double cpu0 = 0;
};

// Mean and worst of repainting the table after each of `steps` scroll steps.
void scrollFigures(QTableView *view, int stepRows, int steps, const char *what)
{
    QScrollBar *bar = view->verticalScrollBar();
    double total = 0;
    double worst = 0;
    double totalCpu = 0;
    double worstCpu = 0;
    for (int i = 0; i < steps; ++i) {
        Step step;
        bar->setValue(std::min(bar->maximum(), bar->value() + stepRows));
        view->viewport()->repaint();
        total += step.wallMs();
        worst = std::max(worst, step.wallMs());
        totalCpu += step.cpu();
        worstCpu = std::max(worstCpu, step.cpu());
    }
    std::printf("scroll %-20s wall mean %6.2f worst %6.2f ms, cpu mean %6.2f worst %6.2f ms "
                "(%d steps)\n",
                what, total / steps, worst, totalCpu / steps, worstCpu, steps);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
    std::printf("platform %s, %d runs\n", qPrintable(QGuiApplication::platformName()), count);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("runs.log"));
    {
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(testsupport::sampleRunsFile(count)) < 0)
            return 2;
    }

    auto report = [](const char *what, const Step &step) {
        std::printf("%-32s wall %8.1f ms  cpu %8.1f ms\n", what, step.wallMs(), step.cpu());
    };
    Step open;
    Step step;
    const runsfile::RunsFile file = runsfile::read(path);
    report("read runs file", step);
    step.restart();
    RunsWindow window(QStringLiteral("chown"), file);
    report("construct window", step);
    step.restart();
    window.show();
    window.repaint();
    QCoreApplication::processEvents();
    report("show and first paint", step);
    report("open: read to first paint", open);
    if (argc > 2)
        window.grab().save(QString::fromLocal8Bit(argv[2]));
    std::printf("(goal: open < 1500 ms)\n");

    QTableView *view = window.table();
    const char *names[] = {"time",     "login user", "acting user", "host",
                           "terminal", "result",     "command"};
    for (int column = RunsModel::ColumnCount - 1; column >= 0; --column) {
        for (Qt::SortOrder order : {Qt::DescendingOrder, Qt::AscendingOrder}) {
            step.restart();
            view->sortByColumn(column, order);
            view->viewport()->repaint();
            const QByteArray what = QByteArray("sort ") + names[column]
                + (order == Qt::AscendingOrder ? " ascending" : " descending");
            report(what.constData(), step);
        }
    }
    std::printf("(goal: each sort < 1000 ms)\n");

    const int page = std::max(1, view->viewport()->height() / view->rowHeight(0));
    scrollFigures(view, 1, 300, "one row at a time");
    scrollFigures(view, page, 300, "one page at a time");
    view->verticalScrollBar()->setValue(0);
    scrollFigures(view, count / 300, 300, "jumps of N/300 rows");
    std::printf("(goal: each repaint < 16 ms)\n");

    step.restart();
    window.filterEdit()->setText(QStringLiteral("mallory"));
    QElapsedTimer wait;
    wait.start();
    const int before = window.runsModel()->rowCount();
    while (window.runsModel()->rowCount() == before && wait.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    report("filter \"mallory\" (150 ms delay)", step);
    std::printf("(the filter left %d rows)\n", window.runsModel()->rowCount());

    // The exports of the same runs.
    reportdata::QueryReport written;
    written.command = QStringLiteral("chown");
    written.origin.hostName = RunsWindow::thisMachine();
    written.runs = file.runs;
    written.users = runfigures::perUser(file.runs);
    step.restart();
    const qsizetype csvBytes = csvreport::runs(written).size();
    report("write CSV", step);
    step.restart();
    const qsizetype htmlBytes = htmlreport::query(written).size();
    report("write HTML", step);
    std::printf("(CSV %lld bytes, HTML %lld bytes)\n", static_cast<long long>(csvBytes),
                static_cast<long long>(htmlBytes));
    return 0;
}
