// The export buttons of the two result pages: the overall summary reformatted
// by awk, the query report copied, each into a .doc file the user chooses.
#include "mainwindow/mainwindow.h"

#include "audit/querycore.h"
#include "audit/queryui.h"
#include "export/exportcore.h"

#include <QDebug>
#include <QFileDialog>

using querycore::writeLine;

namespace {
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
    bool ok;
    {
        queryui::BusyCursor busy;
        ok = exportcore::runSummaryExport(job);
    }
    queryui::showMessage(this, tr("导出报告"), ok ? tr("报告导出成功!") : tr("报告导出失败!"));
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
    {
        queryui::BusyCursor busy;
        ok = exportcore::copyReport(path);
    }
    queryui::showMessage(this, tr("导出报告"), ok ? tr("报告导出成功!") : tr("报告导出失败!"));
}
