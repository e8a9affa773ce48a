// on_query_btn_clicked(): the form's request run off the window's thread and
// turned into the overall summary list, the query report table, or the
// message that says why there is neither.
#include "mainwindow/mainwindow.h"

#include "app/appenv.h"
#include "app/startupchecks.h"
#include "audit/problemtext.h"
#include "audit/queryui.h"
#include "audit/trace.h"
#include "mainwindow/backgroundquery.h"
#include "mainwindow/inputguard.h"
#include "widgets/queryform.h"

void MainWindow::on_query_btn_clicked()
{
    // The form checks what it holds and emits its request (runQuery()).
    queryForm()->submit();
}

void MainWindow::runQuery(const QueryRequest &request)
{
    if (queryRunning)
        return;
    // The working files are written as root through shell redirections: a
    // link planted since start-up must not redirect them.
    if (!startupchecks::dataDirStillSafe(this))
        return;
    // The commands write their results into the data directory; without it
    // every result would be lost and look like an empty audit trail.
    if (!appenv::ensureDataDirWritable()) {
        queryui::showMessage(this, tr("警告"),
                             tr("无法写入工作目录") + QLatin1Char('\n') + appenv::dataDir());
        return;
    }

    queryui::BusyCursor busy;
    queryRunning = true;
    inputGuard->hold(this);
    const QueryOutcome outcome = backgroundquery::run(this, request);
    queryRunning = false;
    // Clicks and keys queued while the commands ran are dropped.
    inputGuard->arm();
    showOutcome(outcome);
}

void MainWindow::showOutcome(const QueryOutcome &outcome)
{
    using querycore::RunProblem;
    // A cancelled query shows nothing: the form stays as the user left it.
    if (outcome.problem == RunProblem::Cancelled)
        return;
    if (!outcome.finished()) {
        queryui::showMessage(this, tr("审计报告"), problemtext::text(outcome));
        // A summary that did not finish leaves the form as it was.
        if (!outcome.report.request.isOverallSummary())
            resetQueryForm();
        return;
    }
    switch (outcome.report.kind) {
    case Report::Kind::OverallSummary:
        showOverallSummary(outcome.report);
        break;
    case Report::Kind::QueryReport:
        showReport(outcome.report);
        break;
    case Report::Kind::Empty:
        queryui::showMessage(this, tr("审计报告"), outcome.report.emptyText);
        resetQueryForm();
        break;
    }
}

void MainWindow::resetQueryForm()
{
    trace::line("fanhuizhuye");
    queryForm()->clearDates();
}
