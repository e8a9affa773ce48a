#pragma once
// The table of runs behind the runs window: one row per run, seven columns
// of plain, display-escaped text, its own sorting and filtering over an
// index of the runs (no copy of a run per view and no item per cell).

#include "audit/runfigures.h"
#include "audit/runsfile.h"

#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTimeZone>

#include <vector>

class RunsModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { Time, LoginUser, ActingUser, Host, Terminal, Result, Command, ColumnCount };

    // `thisMachine` names the host of the runs recorded without a node name.
    RunsModel(QList<runsfile::Run> runs, const QTimeZone &zone, const QString &thisMachine,
              QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    // Stable: runs that compare equal keep their time order. Time sorts by
    // the instant, result by success, refused, failed; the rest by their text.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // Shows only the runs of `host` (all hosts when empty) whose shown text
    // contains `text` in any column, ignoring case.
    void setFilter(const QString &text, const QString &host);

    // The run shown in `row` and the text of one of its cells.
    const runsfile::Run &runAt(int row) const;
    QString cellText(int row, int column) const;

    // All runs of the model, shown or not.
    int runCount() const { return int(runs.size()); }
    // The hosts of all runs, sorted; more than one means a central collector.
    QStringList hosts() const;

    struct Totals {
        int shown = 0;
        int refused = 0;
        int failed = 0;
    };
    Totals totals() const;

private:
    QString textOf(int run, int column) const;
    const QString &timeTextOf(int run) const;
    void applyFilter();
    void applySort();

    QList<runsfile::Run> runs;
    mutable runfigures::ZoneClock clock;
    QString resultTexts[3]; // success, refused, failed in the window's language
    QString thisMachine;
    // Indexes into `runs` of the rows shown, in their shown order.
    std::vector<int> shown;
    // Time texts, made on first use (filtering needs all of them).
    mutable std::vector<QString> timeTexts;
    QString filterText;
    QString filterHost;
    int sortColumn = Time;
    Qt::SortOrder sortOrder = Qt::AscendingOrder;
};
