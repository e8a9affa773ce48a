// The export buttons of the two result pages: the overall summary reformatted
// by awk, the query report copied, each into a .doc file the user chooses, or
// either written as CSV or HTML; and the message that says whether it was
// written and if not, why.
#include "mainwindow/mainwindow.h"

#include "app/appenv.h"
#include "audit/querycore.h"
#include "audit/queryui.h"
#include "export/csvreport.h"
#include "export/exportcore.h"
#include "export/htmlreport.h"
#include "export/reportdata.h"
#include "widgets/infobox.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileDialog>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <optional>

using querycore::writeLine;

namespace {

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Why an export was not written, for the second line of its message.
QString failureText(const safefile::Failure &why)
{
    using P = safefile::Problem;
    switch (why.problem) {
    case P::None:
        return QString();
    case P::FolderMissing:
        return QCoreApplication::translate("MainWindow", "导出目录 %1 不存在。").arg(why.path);
    case P::FolderIsLink:
        return QCoreApplication::translate("MainWindow",
                                           "导出目录 %1 是符号链接，为安全起见拒绝写入。")
            .arg(why.path);
    case P::FolderUnusable:
        return QCoreApplication::translate("MainWindow", "无法打开导出目录 %1：%2")
            .arg(why.path, systemError(why.error));
    case P::NotAFileName:
        return QCoreApplication::translate("MainWindow", "%1 不是文件名。").arg(why.path);
    case P::NameIsDirectory:
        return QCoreApplication::translate("MainWindow", "%1 是目录。").arg(why.path);
    case P::NameNotRegular:
        return QCoreApplication::translate(
                   "MainWindow", "%1 不是普通文件（管道、设备或套接字），为安全起见拒绝写入。")
            .arg(why.path);
    case P::SourceUnreadable:
        return QCoreApplication::translate("MainWindow", "无法读取报告的工作文件 %1：%2")
            .arg(why.path, systemError(why.error));
    case P::ProgramFailed:
        return QCoreApplication::translate("MainWindow", "整理报告的命令 %1 失败（退出状态 %2）。")
            .arg(why.path)
            .arg(why.error);
    case P::Incomplete:
        return QCoreApplication::translate("MainWindow",
                                           "%1 未能完整写入（磁盘已满或超出文件大小限制）。")
            .arg(why.path);
    case P::WriteFailed:
        return QCoreApplication::translate("MainWindow", "无法写入 %1：%2")
            .arg(why.path, systemError(why.error));
    case P::ReplaceFailed:
        return QCoreApplication::translate("MainWindow", "无法替换 %1：%2")
            .arg(why.path, systemError(why.error));
    }
    return QString();
}

// The message after an export: success, or failure with its cause.
void showExportOutcome(QWidget *window, bool written, const safefile::Failure &why)
{
    const QString title = QCoreApplication::translate("MainWindow", "导出报告");
    if (written) {
        queryui::showMessage(window, title,
                             QCoreApplication::translate("MainWindow", "报告导出成功!"));
        return;
    }
    const QString cause = failureText(why);
    queryui::showMessage(window, title,
                         QCoreApplication::translate("MainWindow", "报告导出失败!")
                             + (cause.isEmpty() ? QString() : QLatin1Char('\n') + cause));
}

MainWindow::SaveFileDialogProvider &saveFileDialogProvider()
{
    static MainWindow::SaveFileDialogProvider provider;
    return provider;
}

// The formats of the export dialog, "doc(*.doc)" first and the default.
enum class Format { Doc, Csv, Html };
struct FormatFilter {
    Format format;
    const char *filter;
    const char *suffix;
};
const FormatFilter kFormats[] = {
    {Format::Doc, "doc(*.doc)", "doc"},
    {Format::Csv, "CSV(*.csv)", "csv"},
    {Format::Html, "HTML(*.html *.htm)", "html"},
};

QString allFilters()
{
    QStringList filters;
    for (const FormatFilter &format : kFormats)
        filters << QLatin1String(format.filter);
    return filters.join(QStringLiteral(";;"));
}

// What the chosen name is written as: a name ending in a format's suffix is
// written in that format; any other name in the format of the chosen filter
// (.doc when there is none).
Format formatOf(const QString &path, const QString &selectedFilter)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("htm"))
        return Format::Html;
    for (const FormatFilter &format : kFormats) {
        if (suffix == QLatin1String(format.suffix))
            return format.format;
    }
    for (const FormatFilter &format : kFormats) {
        if (selectedFilter == QLatin1String(format.filter))
            return format.format;
    }
    return Format::Doc;
}

// The file a CSV or HTML export writes: the chosen name, with the format's
// suffix added when the name has none.
QString csvOrHtmlTarget(const QString &path, Format format)
{
    if (!QFileInfo(path).suffix().isEmpty())
        return path;
    return path + (format == Format::Csv ? QStringLiteral(".csv") : QStringLiteral(".html"));
}

// Writes `bytes` to `target` through safefile::replace().
bool writeBytes(const QString &target, const QByteArray &bytes, safefile::Failure *why)
{
    const auto fill = [&](int fd) { return safefile::writeAll(fd, bytes, target); };
    return safefile::replace(target, fill, safefile::requestingUser(), why);
}

} // namespace

void MainWindow::setSaveFileNameProvider(SaveFileNameProvider provider)
{
    if (!provider) {
        saveFileDialogProvider() = nullptr;
        return;
    }
    saveFileDialogProvider() = [provider](QWidget *parent, const QString &caption,
                                          const QString &defaultName, const QString &filter,
                                          QString *) {
        return provider(parent, caption, defaultName, filter);
    };
}

void MainWindow::setSaveFileNameProvider(SaveFileDialogProvider provider)
{
    saveFileDialogProvider() = std::move(provider);
}

void MainWindow::setSaveFileNameProvider(std::nullptr_t)
{
    saveFileDialogProvider() = nullptr;
}

QString MainWindow::askSaveFileName(QString *selectedFilter)
{
    const QString caption = tr("导出报告");
    const QString defaultName = QStringLiteral("uname.doc");
    const QString filters = allFilters();
    *selectedFilter = QLatin1String(kFormats[0].filter);
    if (saveFileDialogProvider())
        return saveFileDialogProvider()(this, caption, defaultName, filters, selectedFilter);
    return QFileDialog::getSaveFileName(this, caption, defaultName, filters, selectedFilter);
}

bool MainWindow::exportCsvOrHtml(const QString &path, const QString &selectedFilter,
                                 const std::function<std::optional<QByteArray>(bool csv)> &bytes)
{
    const Format format = formatOf(path, selectedFilter);
    if (format == Format::Doc)
        return false;
    const QString target = csvOrHtmlTarget(path, format);
    writeLine("export:" + target.toUtf8());
    // The suffix was added to the chosen name: the dialog never asked about
    // replacing a file of that name.
    if (target != path && safefile::wouldReplace(target)
        && !InfoBox::showQuestion(this, tr("导出报告"),
                                  tr("文件 %1 已存在，要替换它吗？").arg(target)))
        return true;
    bool ok;
    safefile::Failure why;
    {
        queryui::BusyCursor busy;
        const std::optional<QByteArray> text = bytes(format == Format::Csv);
        if (text) {
            ok = writeBytes(target, *text, &why);
        } else {
            ok = false;
            const QString source = appenv::dataFile(QStringLiteral("all_report.log"));
            why = {safefile::Problem::SourceUnreadable, source, errno ? errno : ENOENT};
        }
    }
    showExportOutcome(this, ok, why);
    return true;
}

void MainWindow::on_export_btn_clicked()
{
    QString selectedFilter;
    const QString path = askSaveFileName(&selectedFilter);
    writeLine("path:" + path.toUtf8());
    if (path.isEmpty())
        return;
    if (exportCsvOrHtml(path, selectedFilter, [this](bool csv) -> std::optional<QByteArray> {
            // all_report.log as the .doc export reads it.
            reportdata::SummaryReport written = reportdata::summaryFromReport(overallSummary);
            bool opened = false;
            written.lines = querycore::readSummaryLines(
                appenv::dataFile(QStringLiteral("all_report.log")), &opened);
            if (!opened)
                return std::nullopt;
            return csv ? csvreport::summary(written) : htmlreport::summary(written);
        }))
        return;

    const exportcore::SummaryExport job = exportcore::summaryExport(path);
    writeLine("stuffix:" + job.suffix);
    writeLine("cmd:::::" + job.command.toUtf8());
    // ".doc" was added to the chosen name: the dialog never asked about
    // replacing a file of that name.
    if (job.target != path && safefile::wouldReplace(job.target)
        && !InfoBox::showQuestion(this, tr("导出报告"),
                                  tr("文件 %1 已存在，要替换它吗？").arg(job.target)))
        return;
    bool ok;
    safefile::Failure why;
    {
        queryui::BusyCursor busy;
        ok = exportcore::runSummaryExport(job, &why);
    }
    showExportOutcome(this, ok, why);
}

void MainWindow::on_other_btn_clicked()
{
    QString selectedFilter;
    const QString path = askSaveFileName(&selectedFilter);
    querycore::writeRaw("lujing shi %%%%%%%%%%%%%%" + path.toUtf8());
    if (path.isEmpty())
        return;
    if (exportCsvOrHtml(path, selectedFilter, [this](bool csv) -> std::optional<QByteArray> {
            const reportdata::QueryReport written =
                reportdata::fromReport(report,
                                       report.request.eventType.value_or(
                                           QCoreApplication::translate("MainWindow", "all")));
            return csv ? csvreport::runs(written) : htmlreport::query(written);
        }))
        return;
    writeLine("quanbu");

    qDebug() << "daochude mulshi " << exportcore::copyCommandText(path) << Qt::endl;
    bool ok;
    safefile::Failure why;
    {
        queryui::BusyCursor busy;
        ok = exportcore::copyReport(path, &why);
    }
    showExportOutcome(this, ok, why);
}
