// The messages of queries that did not finish (see problemtext.h).
#include "audit/problemtext.h"

#include "app/appenv.h"
#include "audit/emptycause.h"

#include <QCoreApplication>

namespace problemtext {

QString text(const QueryOutcome &outcome)
{
    using querycore::RunProblem;
    switch (outcome.problem) {
    case RunProblem::None:
    case RunProblem::Cancelled:
        return QString();
    case RunProblem::Unreadable:
        // Tells a trail that was never written apart from one that cannot be read.
        return emptycause::unreadableTrailText();
    case RunProblem::TooLarge:
        return QCoreApplication::translate(
            "MainWindow", "审计日志过大，无法在有限的内存和临时空间内完成统计，未生成报告。");
    case RunProblem::NoSpace:
        return QCoreApplication::translate("MainWindow",
                                           "工作目录已没有剩余空间，查询没有完成，未生成报告：")
            + QLatin1Char('\n') + appenv::dataDir();
    case RunProblem::OutputLimit:
        return QCoreApplication::translate(
            "MainWindow", "查询结果超出了文件大小限制，查询没有完成，未生成报告。");
    case RunProblem::Stopped:
        return QCoreApplication::translate("MainWindow",
                                           "查询被中止（信号 %1），没有完成，未生成报告。")
            .arg(outcome.run.signal);
    case RunProblem::Failed:
        return QCoreApplication::translate("MainWindow",
                                           "查询命令失败（退出状态 %1），没有完成，未生成报告。")
            .arg(outcome.run.exitCode);
    case RunProblem::NoDescriptors:
        return QCoreApplication::translate("MainWindow",
                                           "系统可打开的文件数不足，查询没有完成，未生成报告。");
    case RunProblem::ReportUnwritable:
        return QCoreApplication::translate("MainWindow", "报告文件无法写入工作目录，未生成报告：")
            + QLatin1Char('\n') + appenv::dataFile(QStringLiteral("temp_report"));
    }
    return QString();
}

} // namespace problemtext
