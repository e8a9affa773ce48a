// The runs window, offscreen, on 100,000 generated runs: what each sort puts
// first and keeps in order, the filter box and the host choice with the
// totals they leave, the scopes the report opens it with, plain-text cells,
// column titles that fit in both languages, and a damaged runs file.
#include "widgets/runsmodel.h"
#include "widgets/runswindow.h"

#include "runsample.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QTranslator>
#include <QtTest>

namespace {

constexpr int kRuns = 100000;

runsfile::RunsFile sampleFile(int count, bool twoHosts = true)
{
    runsfile::RunsFile file;
    file.status = runsfile::RunsFile::Status::Read;
    file.runs = testsupport::sampleRuns(count, twoHosts);
    return file;
}

// Runs of the generated sample that are refused and failed among the first n.
RunsModel::Totals expectedTotals(int n, int step = 1, int offset = 0)
{
    RunsModel::Totals t;
    for (int i = offset; i < n; i += step) {
        ++t.shown;
        t.refused += i % 11 == 0;
        t.failed += i % 11 != 0 && i % 13 == 0;
    }
    return t;
}

} // namespace

class RunsWindowTest : public QObject
{
    Q_OBJECT
    runsfile::RunsFile all = sampleFile(kRuns);

private slots:
    void sortEveryColumn()
    {
        RunsWindow window(QStringLiteral("chown"), all);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.windowTitle(), QString("运行明细 — chown"));
        RunsModel *model = window.runsModel();
        QCOMPARE(model->rowCount(), kRuns);
        QCOMPARE(model->columnCount(), 7);
        QCOMPARE(model->cellText(0, RunsModel::Time),
                 runfigures::timeText(all.runs.at(0).timeMs, QTimeZone::systemTimeZone()));

        for (int column = 0; column < RunsModel::ColumnCount; ++column) {
            for (Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
                window.table()->horizontalHeader()->setSortIndicator(column, order);
                for (int row = 1; row < kRuns; ++row) {
                    const runsfile::Run &a = model->runAt(row - 1);
                    const runsfile::Run &b = model->runAt(row);
                    int c = 0;
                    if (column == RunsModel::Time)
                        c = a.timeMs < b.timeMs ? -1 : (a.timeMs > b.timeMs ? 1 : 0);
                    else if (column == RunsModel::Result)
                        c = int(a.result) - int(b.result);
                    else
                        c = QString::compare(model->cellText(row - 1, column),
                                             model->cellText(row, column), Qt::CaseInsensitive);
                    if (order == Qt::DescendingOrder)
                        c = -c;
                    // In order, and equal keys in time order.
                    if (c > 0 || (c == 0 && column != RunsModel::Time && a.timeMs > b.timeMs))
                        QFAIL(qPrintable(QStringLiteral("column %1 order %2 row %3")
                                             .arg(column)
                                             .arg(int(order))
                                             .arg(row)));
                }
            }
        }
        // Time sorts by the instant: descending puts the last run first.
        window.table()->sortByColumn(RunsModel::Time, Qt::DescendingOrder);
        QCOMPARE(model->runAt(0).serial, all.runs.last().serial);
        // A selected run stays selected on its run through a sort.
        window.table()->selectRow(5);
        const quint64 serial = model->runAt(5).serial;
        window.table()->sortByColumn(RunsModel::LoginUser, Qt::AscendingOrder);
        const QModelIndexList selected = window.table()->selectionModel()->selectedRows();
        QCOMPARE(selected.size(), 1);
        QCOMPARE(model->runAt(selected.at(0).row()).serial, serial);
    }

    void filtersAndTotals()
    {
        RunsWindow window(QStringLiteral("chown"), all);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const RunsModel::Totals everything = expectedTotals(kRuns);
        QCOMPARE(window.totalsText(),
                 QStringLiteral("共 %1 次运行：拒绝 %2 次，失败 %3 次")
                     .arg(kRuns)
                     .arg(everything.refused)
                     .arg(everything.failed));
        // Two hosts: the choice is offered, this machine by its name.
        QVERIFY(window.hostBox()->isVisible());
        QCOMPARE(window.hostBox()->count(), 3);
        QVERIFY(window.hostBox()->findData(RunsWindow::thisMachine()) > 0);

        // Markup in a name is text, and filtering matches it as shown.
        QTest::keyClicks(window.filterEdit(), QStringLiteral("<S>MALLORY"));
        const RunsModel::Totals mallory = expectedTotals(kRuns, 7, 5);
        QTRY_COMPARE(window.runsModel()->rowCount(), mallory.shown);
        QCOMPARE(window.totalsText(),
                 QStringLiteral("显示 %1 / %2 次运行：拒绝 %3 次，失败 %4 次")
                     .arg(mallory.shown)
                     .arg(kRuns)
                     .arg(mallory.refused)
                     .arg(mallory.failed));
        const QModelIndex cell = window.runsModel()->index(0, RunsModel::LoginUser);
        QCOMPARE(cell.data().toString(), QString("<s>mallory</s>"));
        QVERIFY(cell.data(Qt::ToolTipRole).toString().contains("&lt;s&gt;mallory&lt;/s&gt;"));
        // Invisible characters are shown, and found, as <U+XXXX>.
        window.filterEdit()->setText(QStringLiteral("<U+200B>"));
        QTRY_COMPARE(window.runsModel()->cellText(0, RunsModel::LoginUser),
                     QString("ro<U+200B>ot"));
        QCOMPARE(window.runsModel()->rowCount(), expectedTotals(kRuns, 7, 6).shown);

        // The host choice with an empty filter: only the collector's sender.
        window.filterEdit()->clear();
        window.hostBox()->setCurrentIndex(window.hostBox()->findData(QStringLiteral("web1")));
        QTRY_COMPARE(window.runsModel()->rowCount(), expectedTotals(kRuns, 3).shown);
        for (int row = 0; row < window.runsModel()->rowCount(); row += 997)
            QCOMPARE(window.runsModel()->cellText(row, RunsModel::Host), QString("web1"));
    }

    void scopes()
    {
        RunsWindow bob(QStringLiteral("chown"), all, runfigures::Scope::user("bob"));
        QCOMPARE(bob.runsModel()->rowCount(), expectedTotals(kRuns, 7, 1).shown);
        QCOMPARE(bob.scopeText(), QString("登录用户：bob"));
        const QTimeZone zone = QTimeZone::systemTimeZone();
        const QDate day = runfigures::runDay(all.runs.at(5000).timeMs, zone);
        RunsWindow oneDay(QStringLiteral("chown"), all, runfigures::Scope::days(day, day));
        // One run a minute: as many runs as the day has minutes in the zone.
        const QDateTime midnight(day, QTime(0, 0), zone);
        QCOMPARE(oneDay.runsModel()->rowCount(),
                 int(midnight.secsTo(QDateTime(day.addDays(1), QTime(0, 0), zone)) / 60));
        QCOMPARE(oneDay.scopeText(), day.toString(Qt::ISODate));
        for (int row = 0; row < oneDay.runsModel()->rowCount(); ++row)
            QCOMPARE(runfigures::runDay(oneDay.runsModel()->runAt(row).timeMs, zone), day);
        // One host only: no host choice.
        RunsWindow single(QStringLiteral("chown"), sampleFile(50, false));
        single.show();
        QVERIFY(QTest::qWaitForWindowExposed(&single));
        QVERIFY(!single.hostBox()->isVisible());
    }

    // Every column title fits its column, in English too (longer titles).
    void titlesFit()
    {
        QTranslator english;
        QVERIFY(english.load(QStringLiteral(KVR_BUILD_DATA_DIR "/locale/en_US.qm")));
        for (QTranslator *translator : {static_cast<QTranslator *>(nullptr), &english}) {
            if (translator)
                QCoreApplication::installTranslator(translator);
            RunsWindow window(QStringLiteral("sudo"), sampleFile(10));
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QHeaderView *header = window.table()->horizontalHeader();
            for (int column = 0; column < RunsModel::ColumnCount - 1; ++column)
                QVERIFY2(
                    header->sectionSize(column) >= header->sectionSizeHint(column),
                    qPrintable(window.runsModel()->headerData(column, Qt::Horizontal).toString()));
            if (translator)
                QCoreApplication::removeTranslator(translator);
        }
    }

    // A damaged runs file shows why, not fewer runs.
    void damagedFile()
    {
        runsfile::RunsFile damaged = runsfile::parse(QByteArray(runsfile::kHeader)
                                                     + "\n1.000\t1\t-\ta\tb\tc\tsuccess\tx\n"
                                                       "broken\n");
        damaged.path = QStringLiteral("/data/runs.log");
        RunsWindow window(QStringLiteral("chown"), damaged);
        QCOMPARE(window.runsModel(), nullptr);
        QCOMPARE(window.table(), nullptr);
        QCOMPARE(window.problemText(), runsfile::problemText(damaged));
        QVERIFY(window.problemText().contains("/data/runs.log"));
    }
};

QTEST_MAIN(RunsWindowTest)
#include "tst_runswindow.moc"
