// RunsModel: the runs as table rows. Cells are made on demand from the run
// (only the rows on screen are asked for); sorting and filtering rearrange an
// index of the runs and keep the selection on the runs it was on.
#include "widgets/runsmodel.h"

#include "audit/displaytext.h"

#include <QColor>
#include <QSet>

#include <algorithm>

namespace {

// A tool tip longer than this is cut: the cell and the exports keep the whole text.
constexpr qsizetype kMaxToolTip = 4000;

const QColor kRefusedText(0xC0, 0x39, 0x2B);

} // namespace

RunsModel::RunsModel(QList<runsfile::Run> allRuns, const QTimeZone &timeZone,
                     const QString &machine, QObject *parent)
    : QAbstractTableModel(parent), runs(std::move(allRuns)), clock(timeZone), thisMachine(machine)
{
    for (runsfile::RunResult result :
         {runsfile::RunResult::Success, runsfile::RunResult::Refused, runsfile::RunResult::Failed})
        resultTexts[int(result)] = runfigures::resultText(result);
    shown.resize(size_t(runs.size()));
    for (size_t i = 0; i < shown.size(); ++i)
        shown[i] = int(i);
}

int RunsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(shown.size());
}

int RunsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

const QString &RunsModel::timeTextOf(int run) const
{
    if (timeTexts.empty())
        timeTexts.resize(size_t(runs.size()));
    QString &text = timeTexts[size_t(run)];
    if (text.isNull())
        text = clock.timeText(runs.at(run).timeMs);
    return text;
}

QString RunsModel::textOf(int run, int column) const
{
    const runsfile::Run &r = runs.at(run);
    switch (column) {
    case Time:
        return timeTextOf(run);
    case LoginUser:
        return displaytext::name(r.loginUser);
    case ActingUser:
        return displaytext::name(r.actingUser);
    case Host:
        return displaytext::name(runfigures::hostOf(r, thisMachine));
    case Terminal:
        return displaytext::name(r.terminal);
    case Result:
        return resultTexts[int(r.result)];
    case Command:
        return displaytext::text(r.command);
    default:
        return QString();
    }
}

QVariant RunsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ColumnCount)
        return QVariant();
    const int run = shown[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return textOf(run, index.column());
    case Qt::ToolTipRole: {
        // Names and commands may be longer than their column; the tool tip
        // shows them whole, as plain text.
        QString text = textOf(run, index.column());
        if (text.size() > kMaxToolTip)
            text = text.left(kMaxToolTip) + QChar(0x2026);
        return displaytext::plainToolTip(text);
    }
    case Qt::ForegroundRole:
        if (index.column() == Result && runs.at(run).result != runsfile::RunResult::Success)
            return kRefusedText;
        return QVariant();
    default:
        return QVariant();
    }
}

QVariant RunsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    const QStringList titles = runfigures::columnTitles();
    return section >= 0 && section < titles.size() ? QVariant(titles.at(section)) : QVariant();
}

void RunsModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= ColumnCount)
        return;
    sortColumn = column;
    sortOrder = order;
    // Keep the selection and the current row on their runs.
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<int> runOf;
    runOf.reserve(size_t(before.size()));
    for (const QModelIndex &index : before)
        runOf.push_back(shown[size_t(index.row())]);
    applySort();
    if (!before.isEmpty()) {
        std::vector<int> rowOf(size_t(runs.size()), -1);
        for (size_t row = 0; row < shown.size(); ++row)
            rowOf[size_t(shown[row])] = int(row);
        QModelIndexList after;
        after.reserve(before.size());
        for (qsizetype i = 0; i < before.size(); ++i)
            after.append(index(rowOf[size_t(runOf[size_t(i)])], before.at(i).column()));
        changePersistentIndexList(before, after);
    }
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void RunsModel::applySort()
{
    const bool ascending = sortOrder == Qt::AscendingOrder;
    // Equal keys keep the order of the runs file, which is time order.
    auto byKey = [&](auto key) {
        std::stable_sort(shown.begin(), shown.end(), [&](int a, int b) {
            const int c = key(a, b);
            if (c != 0)
                return ascending ? c < 0 : c > 0;
            return a < b;
        });
    };
    switch (sortColumn) {
    case Time:
        byKey([this](int a, int b) {
            const runsfile::Run &x = runs.at(a);
            const runsfile::Run &y = runs.at(b);
            if (x.timeMs != y.timeMs)
                return x.timeMs < y.timeMs ? -1 : 1;
            return x.serial == y.serial ? 0 : (x.serial < y.serial ? -1 : 1);
        });
        break;
    case Result:
        byKey([this](int a, int b) { return int(runs.at(a).result) - int(runs.at(b).result); });
        break;
    default: {
        // One case-folded text per run, made once for this sort: comparing
        // folded texts exactly is many times quicker than folding at each
        // comparison.
        std::vector<QString> keys(size_t(runs.size()));
        for (int run : shown)
            keys[size_t(run)] = textOf(run, sortColumn).toCaseFolded();
        byKey([&keys](int a, int b) {
            return QString::compare(keys[size_t(a)], keys[size_t(b)], Qt::CaseSensitive);
        });
        break;
    }
    }
}

void RunsModel::setFilter(const QString &text, const QString &host)
{
    beginResetModel();
    filterText = text;
    filterHost = host;
    applyFilter();
    applySort();
    endResetModel();
}

void RunsModel::applyFilter()
{
    shown.clear();
    for (int run = 0; run < int(runs.size()); ++run) {
        if (!filterHost.isEmpty() && runfigures::hostOf(runs.at(run), thisMachine) != filterHost)
            continue;
        if (!filterText.isEmpty()) {
            bool found = false;
            for (int column = 0; column < ColumnCount && !found; ++column)
                found = textOf(run, column).contains(filterText, Qt::CaseInsensitive);
            if (!found)
                continue;
        }
        shown.push_back(run);
    }
}

const runsfile::Run &RunsModel::runAt(int row) const
{
    return runs.at(shown.at(size_t(row)));
}

QString RunsModel::cellText(int row, int column) const
{
    return textOf(shown.at(size_t(row)), column);
}

QStringList RunsModel::hosts() const
{
    QSet<QString> names;
    for (const runsfile::Run &run : runs)
        names.insert(runfigures::hostOf(run, thisMachine));
    QStringList list(names.begin(), names.end());
    list.sort();
    return list;
}

RunsModel::Totals RunsModel::totals() const
{
    Totals t;
    t.shown = int(shown.size());
    for (int run : shown) {
        if (runs.at(run).result == runsfile::RunResult::Refused)
            ++t.refused;
        else if (runs.at(run).result == runsfile::RunResult::Failed)
            ++t.failed;
    }
    return t;
}
