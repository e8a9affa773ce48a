// The export buttons of the two result pages: the overall summary reformatted
// by awk, the query report copied, each into a .doc file the user chooses,
// and the message that says whether it was written and if not, why.
#include "mainwindow/mainwindow.h"

#include "audit/querycore.h"
#include "audit/queryui.h"
#include "export/exportcore.h"
#include "widgets/infobox.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileDialog>

#include <cstring>

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

MainWindow::SaveFileNameProvider &saveFileNameProvider()
{
    static MainWindow::SaveFileNameProvider provider;
    return provider;
}
} // namespace

void MainWindow::setSaveFileNameProvider(SaveFileNameProvider provider)
{
    saveFileNameProvider() = std::move(provider);
}

QString MainWindow::askSaveFileName()
{
    const QString caption = tr("导出报告");
    const QString defaultName = QStringLiteral("uname.doc");
    const QString filter = QStringLiteral("doc(*.doc)");
    if (saveFileNameProvider())
        return saveFileNameProvider()(this, caption, defaultName, filter);
    return QFileDialog::getSaveFileName(this, caption, defaultName, filter);
}

void MainWindow::on_export_btn_clicked()
{
    const QString path = askSaveFileName();
    writeLine("path:" + path.toUtf8());
    if (path.isEmpty())
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
    const QString path = askSaveFileName();
    querycore::writeRaw("lujing shi %%%%%%%%%%%%%%" + path.toUtf8());
    if (path.isEmpty())
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
