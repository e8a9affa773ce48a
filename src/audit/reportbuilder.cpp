// buildReport(): tongji.log turned into the report members and temp_report;
// no report when temp_report cannot be written.
#include "mainwindow/mainwindow.h"

#include "ui_mainwindow.h"

#include "app/appenv.h"
#include "audit/emptycause.h"
#include "audit/querycore.h"
#include "audit/queryui.h"

using querycore::writeLine;

bool MainWindow::buildReport()
{
    const QString tongji = appenv::dataFile(QStringLiteral("tongji.log"));

    const querycore::TongjiCount counted = querycore::countTongjiLines(tongji);
    for (int length : counted.lineLengths)
        writeLine("zifuchuan" + QByteArray::number(length));
    writeLine("hangshushi " + QByteArray::number(counted.count));
    if (counted.count != 3) {
        writeLine("tongjiweikong");
        // The system's message, and the cause when one can be established.
        const QString program =
            querycore::eventTypePath(ui->type_com->currentText().toUtf8()).trimmed();
        QString text = tr("审计报告为空或未开启审计规则！");
        if (const QString cause = emptycause::causeText(emptycause::establish(program), program);
            !cause.isEmpty())
            text += QLatin1Char('\n') + cause;
        queryui::showMessage(this, tr("审计报告"), text);
        return false;
    }

    const querycore::TongjiData data = querycore::readTongji(tongji);
    if (!data.opened)
        writeLine("open file failed");
    reportStartTime = data.startTime;
    reportEndTime = data.endTime;
    writeLine(reportStartTime.toUtf8() + "    " + reportEndTime.toUtf8());

    // Each report lists its own users only, and counts all their records.
    userIds = data.userIds;
    execCounts = data.execCounts;
    for (int i = 0; i < userIds.size(); ++i) {
        writeLine(userIds.at(i).toUtf8());
        writeLine(QByteArray::number(execCounts.at(i)));
    }
    recordCount = data.totalRecords();

    // The export copies this file: a report that it does not hold is no report.
    if (!querycore::writeFile(appenv::dataFile(QStringLiteral("temp_report")),
                              querycore::reportText(reportStartTime, reportEndTime, recordCount,
                                                    userIds, execCounts))) {
        queryui::showMessage(this, tr("审计报告"),
                             tr("报告文件无法写入工作目录，未生成报告：") + QLatin1Char('\n')
                                 + appenv::dataFile(QStringLiteral("temp_report")));
        return false;
    }
    return true;
}
