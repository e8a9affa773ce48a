#pragma once
// The runs window: every run behind a report's figures, one row each (time,
// login user, whom it ran as, host, terminal, result, what was run), sortable
// by any column, filtered by text and host, with the totals of what it shows.

#include "audit/runfigures.h"
#include "audit/runsfile.h"

#include <QString>
#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QTableView;
class RunsModel;

class RunsWindow : public QWidget
{
    Q_OBJECT

public:
    // Opens the runs of `command` (the event type as shown on the report)
    // held by `file` that lie in `scope`: all of them, one login user's (a
    // row per user) or those of some days (a bar of the chart). A runs file
    // that could not be read whole shows why instead of fewer runs. Times
    // are shown in the system's time zone, the report's.
    RunsWindow(const QString &command, const runsfile::RunsFile &file,
               const runfigures::Scope &scope = runfigures::Scope::all(),
               QWidget *parent = nullptr);
    ~RunsWindow() override;

    // Opens a new window as above, deleted when it is closed.
    static RunsWindow *open(const QString &command, const runsfile::RunsFile &file,
                            const runfigures::Scope &scope, QWidget *parent);

    // The name of this machine, shown as the host of runs without a node name.
    static QString thisMachine();

    // What the window shows, for its tests and the benchmark.
    QTableView *table() const { return view; }
    RunsModel *runsModel() const { return model; }
    QLineEdit *filterEdit() const { return filter; }
    QComboBox *hostBox() const { return hostCombo; }
    QString totalsText() const;
    QString scopeText() const;
    QString problemText() const;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void applyFilter();
    void updateTotals();

    RunsModel *model = nullptr;
    QTableView *view = nullptr;
    QLineEdit *filter = nullptr;
    QComboBox *hostCombo = nullptr;
    QLabel *hostLabel = nullptr;
    QLabel *totals = nullptr;
    QLabel *scopeLabel = nullptr;
    QLabel *problem = nullptr;
};
