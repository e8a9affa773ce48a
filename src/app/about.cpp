// Texts of the about entry when the suite's about program is absent.
#include "app/about.h"

#include <QCoreApplication>

namespace about {

QString suiteProgram()
{
    return QStringLiteral("/usr/share/kvr-duvovedadizuve/bin/about-dialog");
}

QString title()
{
    return QCoreApplication::translate("MainWindow", "关于");
}

QString text()
{
    return QCoreApplication::translate(
               "MainWindow", "审计报告 kvr-auditreport\n版本 %1\n许可证：GNU GPL 第 3 版或更高版本")
        .arg(QStringLiteral(KVR_APP_VERSION));
}

} // namespace about
