#pragma once

#include <QDate>
#include <QMainWindow>
#include <QModelIndex>
#include <QPoint>
#include <QStringList>
#include <QSystemTrayIcon>

#include <functional>
#include <optional>

#include "audit/querycore.h"

class InputGuard;
class DailyChart;
class QCalendarWidget;
class QKeyEvent;
class QMouseEvent;
class QResizeEvent;
class Ui_MainWindow;
class line_edit;

// The program's only window: the query form, the overall summary list and the
// query report table, switched as page sets of three stacked widgets.
// The query, export, date-picker and user-list slots are defined in the
// source files of their own subsystem (audit/, export/, widgets/).
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // The three stacked widgets always switch together, as one of these sets.
    enum class PageSet { QueryForm, OverallSummary, QueryReport };
    void showPageSet(PageSet pages);

    // Query road, called by on_query_btn_clicked() in this order. Each run
    // returns how its shell commands ended; the search skips the statistics
    // when it did not finish, the statistics stop at the first unfinished one.
    querycore::RunOutcome runAuditSearch();
    querycore::RunOutcome extractStatistics();
    bool buildReport();
    QString lastUserId() const;
    QString lastExecCount() const;
    void printSummaryTable();

    // Asks for the target file of an export. Tests replace it so that no
    // native dialog has to be driven; an empty function restores the default
    // (QFileDialog::getSaveFileName).
    using SaveFileNameProvider =
        std::function<QString(QWidget *parent, const QString &caption, const QString &defaultName,
                              const QString &filter)>;
    static void setSaveFileNameProvider(SaveFileNameProvider provider);

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
    // Down opens a date field's calendar, Escape closes it (keyboard.cpp).
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // What the query form asks for; an empty optional is the all marker.
    struct QueryRequest {
        std::optional<QString> eventType;
        std::optional<QDate> start;
        std::optional<QDate> end;
        bool isOverallSummary() const { return !eventType && !start && !end; }
    };
    // The form checked: dates valid and in order, working directory usable.
    // Shows the warning and returns nothing when the query cannot run.
    std::optional<QueryRequest> validateQuery();
    querycore::RunOutcome runOverallSummary();
    void showOverallSummary();
    // The message for a search or summary that did not finish; no report.
    void showRunProblem(const querycore::RunOutcome &outcome);
    void showReport();
    // Under the four summary rows: every user with its runs, and the chart
    // of runs per day (peruserreport.cpp).
    void showRunsPerUser();
    void showDailyRuns();
    // Back to an empty form after a query without a report.
    void resetQueryForm();

    void createTrayIcon();
    // Tab order, the calendars' keys and the first focus (keyboard.cpp).
    void setUpKeyboard();
    QString askSaveFileName();

    QCalendarWidget *startCalendar = nullptr;
    QCalendarWidget *endCalendar = nullptr;
    DailyChart *dailyChart = nullptr;
    QString reportEndTime;
    QString reportStartTime;
    QList<int> execCounts;
    QStringList userIds;
    Ui_MainWindow *ui = nullptr;
    line_edit *startEdit = nullptr;
    line_edit *endEdit = nullptr;
    int recordCount = 0;
    bool dragging = false;
    QPoint dragOffset;
    QString passwdPath = QStringLiteral("/etc/passwd");
    // Discards the rest of a double click and input queued during a query.
    InputGuard *inputGuard = nullptr;

    // Tests reach the private state through this class, which only they define.
    friend class MainWindowTestAccess;
};
