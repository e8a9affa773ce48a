// kvr-live-query: runs the real window's query road offscreen, once per
// command of the event-type list, on the audit trail that KVR_AUDITREPORT_LOG
// names, and prints what a user would read: the summary table, the report
// text temp_report and any message box. The live-trail test compares that
// with the runs its scenario made.
//
//   kvr-live-query [COMMAND...]     the given commands, or all 28
//
// Every query starts from a fresh window and a fresh, empty data directory
// (a temporary one unless KVR_AUDITREPORT_DATA_DIR is set), so a report never
// carries over from the previous command. Its searches write their runs file
// (KVR_AUDITREPORT_RUNS) to runs.log beside result.log. Output, one line
// each, fields separated by tabs (the window's own diagnostic lines are
// discarded):
//
//   query   COMMAND  page=N  message=TEXT (empty when no box was shown)
//   table   COMMAND  ROW  LABEL  VALUE          rows 0-3 of the summary table
//   report  COMMAND  LINE                       each line of temp_report
//   user    COMMAND  USER  COUNT                temp_report's users and counts
//   run     COMMAND  the eight fields of a runs.log line (time, serial, node,
//                    login user, acting user, terminal, result, command)
//   run     COMMAND  !bad LINE                  a runs.log line that is not one
//                    (no header, not eight fields)
//   csv     COMMAND  LOGIN_USER  RESULT        each row of the report's CSV export
//   csv     COMMAND  !bad ROW                   a CSV row that is not seven fields
//   chart   COMMAND  FIRST_DAY  RUNS            each bar of the runs-per-day chart
//
// Exit status: 0 when every query ran, 2 on a usage error.
#include "app/startup.h"
#include "export/csvreport.h"
#include "export/reportdata.h"
#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"
#include "widgets/dailychart.h"
#include "widgets/queryprogressdialog.h"

#include "commandtable.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

class MainWindowTestAccess
{
public:
    static Ui_MainWindow *ui(MainWindow &w) { return w.ui.get(); }
    static const Report &report(MainWindow &w) { return w.report; }
    static const DailyChart *chart(MainWindow &w) { return w.dailyChart; }
};

namespace {

void out(const QStringList &fields)
{
    const QByteArray line = fields.join(QLatin1Char('\t')).toUtf8() + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
}

// Runs `action` with the window's standard output thrown away and every modal
// dialog closed as soon as it shows; returns the texts of the dialogs.
QStringList runQuiet(const std::function<void()> &action)
{
    QStringList seen;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        // A slow query's progress dialog is part of the query, not a message.
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && !qobject_cast<QueryProgressDialog *>(modal)) {
            QStringList texts;
            for (QLabel *label : modal->findChildren<QLabel *>())
                if (!label->text().isEmpty())
                    texts << label->text();
            seen << texts.join(QLatin1Char('|'));
            modal->close();
        }
    });
    closer.start(20);
    std::fflush(stdout);
    const int saved = ::dup(1);
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    ::close(null);
    action();
    std::fflush(stdout);
    ::dup2(saved, 1);
    ::close(saved);
    return seen;
}

// The users and counts of temp_report's lines 3 and 4 ("用户ID：a,b" and
// "执行次数：1,2"), paired by position.
QList<QPair<QString, QString>> reportUsers(const QStringList &lines)
{
    QList<QPair<QString, QString>> users;
    if (lines.size() < 4)
        return users;
    const QString idLabel = QStringLiteral("用户ID：");
    const QString countLabel = QStringLiteral("执行次数：");
    if (!lines[2].startsWith(idLabel) || !lines[3].startsWith(countLabel))
        return users;
    const QString idText = lines[2].mid(idLabel.size());
    const QString countText = lines[3].mid(countLabel.size());
    const QStringList ids = idText.isEmpty() ? QStringList() : idText.split(QLatin1Char(','));
    const QStringList counts =
        countText.isEmpty() ? QStringList() : countText.split(QLatin1Char(','));
    for (int i = 0; i < ids.size() || i < counts.size(); ++i)
        users.append({ids.value(i, QStringLiteral("?")), counts.value(i, QStringLiteral("?"))});
    return users;
}

// The rows of an RFC 4180 text (quoted fields, doubled quotes, CRLF), the
// byte-order mark and the header row left out.
QList<QStringList> csvRows(const QByteArray &bytes)
{
    QString text = QString::fromUtf8(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"'))
                field += text.at(++i);
            else if (c == QLatin1Char('"'))
                quoted = false;
            else
                field += c;
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            row << field;
            field.clear();
        } else if (c == QLatin1Char('\r') && i + 1 < text.size()
                   && text.at(i + 1) == QLatin1Char('\n')) {
            row << field;
            field.clear();
            rows << row;
            row.clear();
            ++i;
        } else {
            field += c;
        }
    }
    return rows.mid(1);
}

void query(const QString &command, const QString &dataDir)
{
    QDir(dataDir).removeRecursively();
    QDir().mkpath(dataDir);

    MainWindow w;
    placeMainWindow(&w);
    w.show();
    QCoreApplication::processEvents();
    Ui_MainWindow *ui = MainWindowTestAccess::ui(w);
    ui->type_com->setCurrentText(command);
    if (ui->type_com->currentText() != command) {
        out({QStringLiteral("query"), command, QStringLiteral("page=-1"),
             QStringLiteral("message=no such entry in the event-type list")});
        return;
    }
    const QStringList messages = runQuiet([&] { ui->query_btn->click(); });
    out({QStringLiteral("query"), command,
         QStringLiteral("page=%1").arg(ui->contentStackedWidget->currentIndex()),
         QStringLiteral("message=") + messages.join(QStringLiteral(" / "))});
    if (ui->contentStackedWidget->currentIndex() != 2)
        return;
    for (int row = 0; row < 4; ++row) {
        const QTableWidgetItem *label = ui->tableWidget->item(row, 0);
        const QTableWidgetItem *value = ui->tableWidget->item(row, 1);
        out({QStringLiteral("table"), command, QString::number(row),
             label ? label->text() : QString(), value ? value->text() : QString()});
    }
    QFile report(dataDir + QStringLiteral("/temp_report"));
    QStringList lines;
    if (report.open(QIODevice::ReadOnly))
        lines = QString::fromUtf8(report.readAll()).split(QLatin1Char('\n'));
    for (const QString &line : lines)
        out({QStringLiteral("report"), command, line});
    for (const auto &user : reportUsers(lines))
        out({QStringLiteral("user"), command, user.first, user.second});
    QFile runsFile(dataDir + QStringLiteral("/runs.log"));
    QStringList runs;
    if (runsFile.open(QIODevice::ReadOnly))
        runs = QString::fromUtf8(runsFile.readAll()).split(QLatin1Char('\n'));
    if (runs.value(0) != QLatin1String("# kvr-auditreport runs 1")
        || runs.constLast() != QString()) {
        out({QStringLiteral("run"), command, QStringLiteral("!bad"), runs.value(0)});
        return;
    }
    if (const DailyChart *chart = MainWindowTestAccess::chart(w))
        for (int bar = 0; bar < chart->barCount(); ++bar)
            out({QStringLiteral("chart"), command, chart->barFirstDay(bar).toString(Qt::ISODate),
                 QString::number(chart->barValue(bar))});
    // The report's CSV export, as an auditor receives it.
    const QByteArray csv =
        csvreport::runs(reportdata::fromReport(MainWindowTestAccess::report(w), command));
    for (const QStringList &row : csvRows(csv)) {
        if (row.size() == 7)
            out({QStringLiteral("csv"), command, row[1], row[5]});
        else
            out({QStringLiteral("csv"), command, QStringLiteral("!bad"),
                 row.join(QLatin1Char(','))});
    }
    for (const QString &line : runs.mid(1, runs.size() - 2)) {
        if (line.startsWith(QLatin1String("# ")))
            continue; // the trail files and span after the runs
        if (line.count(QLatin1Char('\t')) == 7)
            out(QStringList{QStringLiteral("run"), command} + line.split(QLatin1Char('\t')));
        else
            out({QStringLiteral("run"), command, QStringLiteral("!bad"), line});
    }
}

} // namespace

int main(int argc, char *argv[])
{
    // The window's debug lines are no part of the result.
    if (qEnvironmentVariableIsEmpty("KVR_LIVE_VERBOSE"))
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    QTemporaryDir scratch;
    if (qEnvironmentVariableIsEmpty("KVR_AUDITREPORT_DATA_DIR")) {
        if (!scratch.isValid()) {
            std::fputs("kvr-live-query: cannot create a temporary directory\n", stderr);
            return 2;
        }
        qputenv("KVR_AUDITREPORT_DATA_DIR",
                QFile::encodeName(scratch.filePath(QStringLiteral("data"))));
    }
    if (qEnvironmentVariableIsEmpty("KVR_AUDITREPORT_LOG")) {
        std::fputs("kvr-live-query: set KVR_AUDITREPORT_LOG to the trail to query\n", stderr);
        return 2;
    }

    QApplication app(argc, argv);
    // The same start-up as the program's own: translations, the project's
    // audit tools first on PATH, the data directory.
    QTranslator qtTranslator;
    prepareApplication(&app, &qtTranslator);
    const QString dataDir = qEnvironmentVariable("KVR_AUDITREPORT_DATA_DIR");
    qputenv("KVR_AUDITREPORT_RUNS", QFile::encodeName(dataDir + QStringLiteral("/runs.log")));

    QStringList commands = app.arguments().mid(1);
    if (commands.isEmpty()) {
        for (const kvrcommands::Command &command : kvrcommands::kCommands)
            commands << QString::fromLatin1(command.name);
    }
    for (const QString &command : commands) {
        if (!kvrcommands::findCommand(command.toStdString())) {
            std::fprintf(stderr, "kvr-live-query: %s is none of the 28 commands\n",
                         qPrintable(command));
            return 2;
        }
    }
    for (const QString &command : commands)
        query(command, dataDir);
    std::fflush(stdout);
    return 0;
}
