// The start-up and before-query checks of the window (see startupchecks.h):
// what they find, said in the user's language.
#include "app/startupchecks.h"

#include "app/appenv.h"
#include "app/instancelock.h"
#include "widgets/infobox.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QPushButton>
#include <QWidget>

#include <optional>

#include <unistd.h>

namespace startupchecks {

QString refusalText(const datadirsafety::Verdict &verdict)
{
    using datadirsafety::Problem;
    const QString path = QDir::toNativeSeparators(verdict.path);
    QString why;
    switch (verdict.problem) {
    case Problem::None:
        return QString();
    case Problem::DirIsSymlink:
        why = QCoreApplication::translate("MainWindow",
                                          "数据目录 %1 是符号链接，为安全起见拒绝使用。");
        break;
    case Problem::NotADirectory:
        why = QCoreApplication::translate("MainWindow", "数据目录 %1 不是目录。");
        break;
    case Problem::DirWritableByOthers:
        why = QCoreApplication::translate("MainWindow",
                                          "数据目录 %1 可被其他用户写入，为安全起见拒绝使用。");
        break;
    case Problem::DirForeignOwner:
        why = QCoreApplication::translate("MainWindow",
                                          "数据目录 %1 属于其他用户，为安全起见拒绝使用。");
        break;
    case Problem::FileIsSymlink:
        why = QCoreApplication::translate("MainWindow",
                                          "工作文件 %1 是符号链接，为安全起见拒绝写入。");
        break;
    case Problem::FileNotRegular:
        why = QCoreApplication::translate("MainWindow",
                                          "工作文件 %1 不是普通文件，为安全起见拒绝写入。");
        break;
    case Problem::FileHardLinked:
        why = QCoreApplication::translate("MainWindow",
                                          "工作文件 %1 另有硬链接，为安全起见拒绝写入。");
        break;
    case Problem::ParentIsSymlink:
        why = QCoreApplication::translate("MainWindow",
                                          "数据目录的上级目录 %1 是符号链接，为安全起见拒绝使用。");
        break;
    case Problem::ParentWritable:
        why = QCoreApplication::translate(
            "MainWindow",
            "数据目录的上级目录 %1 可被其他用户写入且未设置粘滞位，为安全起见拒绝使用。");
        break;
    case Problem::ParentForeignOwner:
        why = QCoreApplication::translate(
            "MainWindow", "数据目录的上级目录 %1 属于其他用户，为安全起见拒绝使用。");
        break;
    }
    return why.arg(path) + QLatin1Char('\n')
        + QCoreApplication::translate("MainWindow", "查询功能已停用。");
}

QString refusalText(const toolcheck::Verdict &verdict)
{
    switch (verdict.problem) {
    case toolcheck::Problem::None:
        return QString();
    case toolcheck::Problem::Missing:
        return QCoreApplication::translate("MainWindow", "安装已损坏：找不到本程序的审计工具 %1。")
                   .arg(verdict.tool)
            + QLatin1Char('\n') + QCoreApplication::translate("MainWindow", "查询功能已停用。");
    case toolcheck::Problem::Foreign:
        return QCoreApplication::translate("MainWindow", "安装已损坏：%1 不是本程序的审计工具。")
                   .arg(verdict.tool)
            + QLatin1Char('\n') + QCoreApplication::translate("MainWindow", "查询功能已停用。");
    }
    return QString();
}

datadirsafety::Verdict checkDataDir()
{
    return datadirsafety::check(appenv::dataDir(), ::geteuid());
}

void disableQueryRoad(QWidget *window, const QString &why)
{
    if (auto *button = window->findChild<QPushButton *>(QStringLiteral("query_btn"))) {
        button->setEnabled(false);
        button->setToolTip(why);
    }
}

bool dataDirStillSafe(QWidget *window)
{
    const QString why = refusalText(checkDataDir());
    if (why.isEmpty())
        return true;
    disableQueryRoad(window, why);
    InfoBox::showInfo(window, QCoreApplication::translate("MainWindow", "警告"), why);
    return false;
}

bool checkQueryRoad(QWidget *window, const datadirsafety::Verdict &dataDir, const QString &toolsDir)
{
    QString why = refusalText(dataDir);
    if (why.isEmpty())
        why = refusalText(toolcheck::check(toolsDir));
    if (why.isEmpty())
        return true;
    disableQueryRoad(window, why);
    InfoBox::showInfo(window, QCoreApplication::translate("MainWindow", "警告"), why);
    return false;
}

QString lockFilePath()
{
    return appenv::dataFile(QStringLiteral("kvr-auditreport.lock"));
}

bool takeInstanceLock(QLockFile *lock, QWidget *parent)
{
    using instancelock::State;
    const QString path = lock->fileName();
    const QString dir = QFileInfo(path).absolutePath();
    const QString title = QCoreApplication::translate("MainWindow", "审计报告");
    // Windows starting at once look at the lock file one after the other.
    std::optional<instancelock::DirectoryGuard> guard;
    guard.emplace(dir);
    instancelock::Inspection seen = instancelock::inspect(path);
    if (seen.state == State::OtherHost) {
        guard.reset(); // not while the user reads the question
        const bool remove = InfoBox::showQuestion(
            parent, title,
            QCoreApplication::translate("MainWindow",
                                        "锁文件 %1 由另一台主机 %2 写入，那台主机上的审计报告"
                                        "窗口可能仍在使用数据目录 %3。\n"
                                        "确认那里没有窗口在运行后，点击“确定”删除该锁文件并继续。")
                .arg(path, seen.host, dir));
        if (!remove)
            return false;
        guard.emplace(dir);
        instancelock::removeUnheld(path, true);
        seen = instancelock::inspect(path);
    } else if (seen.state == State::Stale) {
        // Left by a crash or a power cut: nobody holds it.
        instancelock::removeUnheld(path, false);
        seen = instancelock::inspect(path);
    }

    // Only a lock of a running process counts; anything else was removed above.
    lock->setStaleLockTime(0);
    if (seen.state == State::Absent) {
        if (lock->tryLock(0))
            return true;
        if (lock->error() != QLockFile::LockFailedError)
            return true; // cannot lock at all (read-only place): nothing to protect
    }
    QString why;
    if (seen.state == State::NotAFile)
        why = QCoreApplication::translate("MainWindow",
                                          "锁文件 %1 不是普通文件，为安全起见不予处理。")
                  .arg(path);
    else if (seen.state == State::Stale || seen.state == State::OtherHost)
        why = QCoreApplication::translate("MainWindow", "无法删除遗留的锁文件 %1。").arg(path);
    else
        why = QCoreApplication::translate("MainWindow",
                                          "审计报告已经打开：另一个窗口正在使用数据目录 %1。")
                  .arg(dir);
    InfoBox::showInfo(
        parent, title,
        why + QLatin1Char('\n')
            + QCoreApplication::translate(
                  "MainWindow", "如确认没有其他审计报告窗口在运行，请删除锁文件 %1 后重新启动。")
                  .arg(path));
    return false;
}

} // namespace startupchecks
