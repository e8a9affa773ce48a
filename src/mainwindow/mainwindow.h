#pragma once

#include <QMainWindow>
#include <QModelIndex>
#include <QPoint>
#include <QStringList>
#include <QSystemTrayIcon>

#include <functional>
#include <memory>
#include <optional>

#include "audit/queryrunner.h"

class InputGuard;
class DailyChart;
class QKeyEvent;
class QMouseEvent;
class QResizeEvent;
class QPushButton;
class QueryForm;
class Ui_MainWindow;
class WrapLabel;

// The program's only window: the query form, the overall summary list and the
// query report table, switched as page sets of three stacked widgets. The
// form (QueryForm, the content1 page) hands it a QueryRequest; the window
// runs it off its own thread (backgroundquery.h) and fills the result pages
// from the Report it yields. The slots of the form's date pickers forward to
// the form; the export slots live in export/.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // The three stacked widgets always switch together, as one of these sets.
    enum class PageSet { QueryForm, OverallSummary, QueryReport };
    void showPageSet(PageSet pages);

    // The report on the query report page (rows 2 and 3 show its last user).
    QString lastUserId() const;
    QString lastExecCount() const;
    // The four rows of the summary table on standard output.
    void printSummaryTable();

    // Asks for the target file of an export and the filter chosen (doc, CSV
    // or HTML). Tests replace it so that no native dialog has to be driven;
    // an empty function restores the default (QFileDialog::getSaveFileName).
    // A provider without the filter leaves the default one chosen.
    using SaveFileDialogProvider =
        std::function<QString(QWidget *parent, const QString &caption, const QString &defaultName,
                              const QString &filters, QString *selectedFilter)>;
    using SaveFileNameProvider =
        std::function<QString(QWidget *parent, const QString &caption, const QString &defaultName,
                              const QString &filter)>;
    static void setSaveFileNameProvider(SaveFileDialogProvider provider);
    static void setSaveFileNameProvider(SaveFileNameProvider provider);
    static void setSaveFileNameProvider(std::nullptr_t);

    // Password file that getCurrentSysUsers() lists; "/etc/passwd" by default.
    void setPasswdPath(const QString &path);

public slots:
    void resizeEvent(QResizeEvent *event) override;
    void ok();
    void deadok();

private slots:
    void on_close_btn_clicked();
    void on_Minimization_btn_clicked();
    QStringList getCurrentSysUsers();
    void on_query_btn_clicked();
    void on_other_btn_clicked();
    void on_export_btn_clicked();
    void iconActivated(QSystemTrayIcon::ActivationReason reason);
    void on_back_btn_clicked();
    void on_btn_clicked();
    void on_fan_btn_clicked();
    void showToolTip(QModelIndex index);
    void showCalendar();
    void showTimeCalendar();
    void quit();
    void about();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    // Enter/Return runs the query from the form, Escape goes back from a
    // result page (keyboard.cpp).
    void keyPressEvent(QKeyEvent *event) override;

private:
    QueryForm *queryForm() const;
    // Runs what the form asked for and shows what came of it (querycontroller.cpp).
    void runQuery(const QueryRequest &request);
    void showOutcome(const QueryOutcome &outcome);
    // The result pages filled from a report (reportpages.cpp).
    void showOverallSummary(const Report &summary);
    void showReport(const Report &queryReport);
    // Under the four summary rows: every user with its runs, and the chart
    // of runs per day.
    void showRunsPerUser();
    void showDailyRuns();
    // The report page's own widgets: the details button, the chart and the
    // legend under it (reportpages.cpp).
    void setUpReportPage();
    // The runs of the report on the page, all or those of `scope`, in a
    // window of their own.
    void openRuns(const runfigures::Scope &scope);
    // Back to an empty form after a query without a report.
    void resetQueryForm();

    void createTrayIcon();
    // Tab order from the form on to the title and bottom buttons (keyboard.cpp).
    void setUpKeyboard();
    QString askSaveFileName(QString *selectedFilter);
    // Writes a CSV or HTML export of `path` when the name or the filter asks
    // for one (`bytes` makes it, CSV when its argument is true; nothing when
    // the overall summary's file cannot be read) and says how it went; false
    // when the name is to get the .doc export.
    bool exportCsvOrHtml(const QString &path, const QString &selectedFilter,
                         const std::function<std::optional<QByteArray>(bool csv)> &bytes);

    std::unique_ptr<Ui_MainWindow> ui;
    DailyChart *dailyChart = nullptr;
    QPushButton *detailsButton = nullptr;
    WrapLabel *runsLegend = nullptr;
    // The report on the query report page, and the overall summary on its page.
    Report report;
    Report overallSummary;
    bool dragging = false;
    QPoint dragOffset;
    QString passwdPath = QStringLiteral("/etc/passwd");
    // Discards the rest of a double click and input queued during a query.
    InputGuard *inputGuard = nullptr;
    bool queryRunning = false;

    // Tests reach the private state through this class, which only they define.
    friend class MainWindowTestAccess;
};
