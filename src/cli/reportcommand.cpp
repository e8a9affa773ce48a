// The `--report` command line (see reportcommand.h): its arguments, its
// private working directory, the run and the written report.
#include "cli/reportcommand.h"

#include "app/appenv.h"
#include "app/toolcheck.h"
#include "audit/problemtext.h"
#include "audit/queryrunner.h"
#include "audit/trace.h"
#include "cli/outputfile.h"
#include "cli/reportformats.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace {

// The options of this road; any of them on the command line chooses it.
const char *const kOptionsWithValue[] = {"--report", "--from",   "--to",
                                         "--trail",  "--format", "--output"};
const char *const kFlags[] = {"--verbose", "--help", "-h", "--version"};

QueryProgress *runningQuery = nullptr;
volatile std::sig_atomic_t caughtSignal = 0;

// SIGINT, SIGTERM, SIGHUP: the query's commands run in process groups of
// their own, which a terminal's or a cron daemon's signal does not reach;
// they are stopped with it.
extern "C" void stopQuery(int signal)
{
    caughtSignal = signal;
    if (runningQuery)
        runningQuery->cancel();
    processrunner::stopAll();
}

void say(const QString &text)
{
    const QByteArray line = "kvr-auditreport: " + text.toUtf8() + '\n';
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stderr);
    std::fflush(stderr);
}

// A message of the window, which may run over several lines, as one line.
QString oneLine(QString text)
{
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text.trimmed();
}

void dropDebugLines(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        say(message);
}

// The private working directory: made 0700 by mkdtemp, gone at the end.
class WorkDirectory
{
public:
    WorkDirectory()
    {
        QByteArray name = QFile::encodeName(QDir::tempPath()) + "/kvr-auditreport-XXXXXX";
        if (::mkdtemp(name.data()))
            path = QFile::decodeName(name);
    }
    ~WorkDirectory()
    {
        if (!path.isEmpty())
            QDir(path).removeRecursively();
    }
    WorkDirectory(const WorkDirectory &) = delete;
    WorkDirectory &operator=(const WorkDirectory &) = delete;
    QString path;
};

// The signals that stop a query, caught while it runs.
class SignalsCaught
{
public:
    explicit SignalsCaught(QueryProgress *progress)
    {
        runningQuery = progress;
        struct sigaction action {
        };
        action.sa_handler = stopQuery;
        sigemptyset(&action.sa_mask);
        for (int i = 0; i < 3; ++i)
            ::sigaction(kSignals[i], &action, &previous[i]);
    }
    ~SignalsCaught()
    {
        for (int i = 0; i < 3; ++i)
            ::sigaction(kSignals[i], &previous[i], nullptr);
        runningQuery = nullptr;
    }
    SignalsCaught(const SignalsCaught &) = delete;
    SignalsCaught &operator=(const SignalsCaught &) = delete;

private:
    static constexpr int kSignals[3] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction previous[3];
};

} // namespace

bool ReportCommand::isWanted(const QStringList &args)
{
    for (const QString &arg : args) {
        const QString name = arg.section(QLatin1Char('='), 0, 0);
        for (const char *option : kOptionsWithValue)
            if (name == QLatin1String(option))
                return true;
        for (const char *flag : kFlags)
            if (arg == QLatin1String(flag))
                return true;
    }
    return false;
}

std::optional<ReportCommand::Arguments> ReportCommand::parse(const QStringList &args,
                                                             QString *error)
{
    Arguments parsed;
    std::optional<QString> values[std::size(kOptionsWithValue)];
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            parsed.help = true;
            continue;
        }
        if (arg == QLatin1String("--version")) {
            parsed.version = true;
            continue;
        }
        if (arg == QLatin1String("--verbose")) {
            parsed.verbose = true;
            continue;
        }
        const qsizetype equals = arg.startsWith(QLatin1String("--")) ? arg.indexOf('=') : -1;
        const QString name = equals < 0 ? arg : arg.left(equals);
        size_t option = 0;
        while (option < std::size(kOptionsWithValue)
               && name != QLatin1String(kOptionsWithValue[option]))
            ++option;
        if (option == std::size(kOptionsWithValue)) {
            *error = tr("未知的参数：%1").arg(arg);
            return std::nullopt;
        }
        if (values[option]) {
            *error = tr("选项 %1 只能给出一次").arg(name);
            return std::nullopt;
        }
        if (equals >= 0) {
            values[option] = arg.mid(equals + 1);
        } else if (i + 1 < args.size()) {
            values[option] = args.at(++i);
        } else {
            *error = tr("选项 %1 缺少值").arg(name);
            return std::nullopt;
        }
    }
    if (parsed.help || parsed.version)
        return parsed;

    const std::optional<QString> &type = values[0];
    if (!type) {
        *error = tr("缺少 --report 事件类型");
        return std::nullopt;
    }
    if (*type != QLatin1String("all")) {
        if (!querycore::eventTypeNames().contains(*type)) {
            *error = tr("未知的事件类型：%1").arg(*type);
            return std::nullopt;
        }
        parsed.request.eventType = *type;
    }
    for (int side = 0; side < 2; ++side) {
        const std::optional<QString> &text = values[1 + side];
        if (!text)
            continue;
        const std::optional<QDate> day = querycore::parseFieldDate(*text);
        if (!day || text->trimmed() != *text) {
            *error = tr("%1 的日期无效：%2（应为 1970-01-01 至 2068-12-31 间的 YYYY-MM-DD）")
                         .arg(QLatin1String(kOptionsWithValue[1 + side]), *text);
            return std::nullopt;
        }
        (side == 0 ? parsed.request.start : parsed.request.end) = day;
    }
    if (!parsed.request.rangeInOrder()) {
        *error =
            QCoreApplication::translate("MainWindow", "选择的时间有误，开始时间应早于结束时间");
        return std::nullopt;
    }
    parsed.trail = values[3].value_or(QString());
    if (values[3] && parsed.trail.isEmpty()) {
        *error = tr("选项 %1 缺少值").arg(QStringLiteral("--trail"));
        return std::nullopt;
    }
    const QString formats = reportformats::names().join(QStringLiteral(", "));
    if (!values[4]) {
        *error = tr("缺少 --format 报告格式（可选：%1）").arg(formats);
        return std::nullopt;
    }
    if (!reportformats::find(*values[4])) {
        *error = tr("未知的报告格式：%1（可选：%2）").arg(*values[4], formats);
        return std::nullopt;
    }
    parsed.format = *values[4];
    if (!values[5] || values[5]->isEmpty()) {
        *error = tr("缺少 --output 文件（- 表示标准输出）");
        return std::nullopt;
    }
    parsed.output = *values[5];
    return parsed;
}

ReportCommand::ExitStatus ReportCommand::exitStatus(querycore::RunProblem problem)
{
    using querycore::RunProblem;
    switch (problem) {
    case RunProblem::None:
        return Written;
    case RunProblem::Unreadable:
        return TrailUnreadable;
    case RunProblem::TooLarge:
        return TrailTooLarge;
    case RunProblem::NoSpace:
    case RunProblem::OutputLimit:
    case RunProblem::Stopped:
    case RunProblem::Failed:
    case RunProblem::NoDescriptors:
    case RunProblem::ReportUnwritable:
    case RunProblem::Cancelled:
        break;
    }
    return RoadFailed;
}

QString ReportCommand::helpText()
{
    return tr("用法：kvr-auditreport --report 类型 [--from YYYY-MM-DD] [--to YYYY-MM-DD]\n"
              "                      [--trail 路径] --format 格式 --output 文件|- [--verbose]\n"
              "\n"
              "不打开窗口生成审计报告，无需图形界面（可由 cron 运行，与打开的窗口互不影响）。\n"
              "\n"
              "  --report 类型   事件类型：%1；或 all（全部）\n"
              "  --from 日期     开始日期（含当天），1970-01-01 至 2068-12-31；省略则不限\n"
              "  --to 日期       结束日期（含当天）；开始日期不得晚于结束日期；省略则不限\n"
              "  --trail 路径    读取此审计日志文件或目录，而非系统的审计日志\n"
              "  --format 格式   报告格式：%2\n"
              "  --output 文件   写入的文件（先写入同目录的新文件再替换，不经由该名称处的链接）；\n"
              "                  - 表示标准输出\n"
              "  --verbose       把诊断行和审计工具的错误信息写到标准错误\n"
              "  --help          显示此帮助\n"
              "  --version       显示版本\n"
              "\n"
              "doc 格式与窗口“导出报告”写出的内容相同：查询报告的四行文本；--report all 且不带\n"
              "日期时为审计日志的总体摘要。查询没有找到任何记录时，报告为四行文本，时间范围为空、\n"
              "记录条数为 0、没有用户。\n"
              "csv 格式每次运行一行（time,login_user,acting_user,host,terminal,result,command），\n"
              "总体摘要每项一行（figure,value）；html 格式为一个独立的可打印网页，含运行明细。\n"
              "\n"
              "退出状态：0 已写出报告；2 参数错误；3 无法读取审计日志；4 审计工具或统计命令失败或\n"
              "被中止；5 审计日志过大；6 无法写入输出文件。出错时在标准错误写一行原因。\n")
        .arg(querycore::eventTypeNames().join(QStringLiteral(", ")),
             reportformats::names().join(QStringLiteral(", ")));
}

int ReportCommand::run(const QStringList &args, const std::function<void()> &prepareApplication)
{
    const bool verbose = args.contains(QLatin1String("--verbose"));
    if (!verbose)
        qInstallMessageHandler(dropDebugLines);
    prepareApplication();

    QString error;
    const std::optional<Arguments> parsed = parse(args, &error);
    if (!parsed) {
        say(error + tr("（用法见 --help）"));
        return BadArguments;
    }
    if (parsed->help) {
        const QByteArray help = helpText().toUtf8();
        std::fwrite(help.constData(), 1, static_cast<size_t>(help.size()), stdout);
        return Written;
    }
    if (parsed->version) {
        std::printf("kvr-auditreport %s\n", KVR_APP_VERSION);
        return Written;
    }

    // Standard output may be the report: the diagnostic lines go elsewhere.
    trace::setTarget(parsed->verbose ? trace::Target::StandardError : trace::Target::Off);
    // A reader of standard output that goes away is an output error, not a
    // signal that ends the program before its working directory is removed.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    ::pthread_sigmask(SIG_BLOCK, &pipe, nullptr);

    const toolcheck::Verdict tools =
        toolcheck::check(appenv::auditToolsDir(QCoreApplication::applicationDirPath()));
    if (tools.problem == toolcheck::Problem::Missing) {
        say(QCoreApplication::translate("MainWindow", "安装已损坏：找不到本程序的审计工具 %1。")
                .arg(tools.tool));
        return RoadFailed;
    }
    if (tools.problem == toolcheck::Problem::Foreign) {
        say(QCoreApplication::translate("MainWindow", "安装已损坏：%1 不是本程序的审计工具。")
                .arg(tools.tool));
        return RoadFailed;
    }

    // A working directory of its own: the window's files are never touched,
    // and no lock is needed.
    const WorkDirectory work;
    if (work.path.isEmpty()) {
        say(tr("无法创建临时工作目录（%1）").arg(QDir::tempPath()));
        return RoadFailed;
    }
    qputenv("KVR_AUDITREPORT_DATA_DIR", QFile::encodeName(work.path));
    if (!parsed->trail.isEmpty())
        qputenv("KVR_AUDITREPORT_LOG",
                QFile::encodeName(QFileInfo(parsed->trail).absoluteFilePath()));

    QueryProgress progress;
    QueryRunner::Settings settings;
    settings.showCommandErrors = parsed->verbose;
    QueryOutcome outcome;
    {
        const SignalsCaught caught(&progress);
        outcome = QueryRunner(&progress, settings).run(parsed->request);
    }
    if (caughtSignal != 0 || outcome.problem == querycore::RunProblem::Cancelled) {
        say(QCoreApplication::translate("MainWindow",
                                        "查询被中止（信号 %1），没有完成，未生成报告。")
                .arg(static_cast<int>(caughtSignal)));
        return RoadFailed;
    }
    if (!outcome.finished()) {
        say(oneLine(problemtext::text(outcome)));
        return exitStatus(outcome.problem);
    }

    QByteArray bytes;
    if (!reportformats::find(parsed->format)->write(outcome.report, &bytes)) {
        say(tr("无法生成 %1 格式的报告").arg(parsed->format));
        return RoadFailed;
    }
    const bool toStandardOutput = parsed->output == QLatin1String("-");
    const QString why = toStandardOutput ? outputfile::writeStandardOutput(bytes)
                                         : outputfile::replace(parsed->output, bytes);
    if (!why.isEmpty()) {
        say(tr("无法写入 %1：%2").arg(toStandardOutput ? tr("标准输出") : parsed->output, why));
        return OutputFailed;
    }
    return Written;
}
