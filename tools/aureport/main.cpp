// aureport: the overall summary of the audit trail, with the Chinese labels
// that kvr-auditreport lists and exports (one "label: number" per line): the
// command line (the options shared with ausearch, and --summary), the end
// of the daemon's events, and the printing of the figures that
// summaryscan.h counts from the lines of the shared trail reader.
#include "summaryscan.h"
#include "toolcommon.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

const char kUsage[] =
    "usage: aureport [--summary] [-if FILE|DIR] [-ts DATE [TIME]] [-te DATE [TIME]]\n"
    "\n"
    "Prints the overall summary of the audit trail, in Chinese, one figure per line.\n"
    "  --summary              the overall summary (the only report; also the default)\n"
    "  -if, --input FILE|DIR  read this log file, or the audit.log files of a directory\n"
    "                         (default: $KVR_AUDITREPORT_LOG, else the system's logs;\n"
    "                         standard input is never read)\n"
    "  -ts, --start DATE [TIME]  only events from DATE (00:00:00 when no TIME)\n"
    "  -te, --end DATE [TIME]    only events up to DATE (23:59:59.999 when no TIME)\n"
    "       DATE: M/D/YY, MM/DD/YYYY, today, yesterday, this-week, this-month,\n"
    "       this-year or now; TIME: HH:MM or HH:MM:SS (local time, compared with\n"
    "       each record's local time: a day ends where the next begins)\n"
    "  -h, --help             this help\n"
    "  --version              the version\n"
    "The trail must be a regular file or a directory of them: a device, FIFO or\n"
    "socket is refused. Lines over 1 MiB and records with a time stamp outside\n"
    "1970-9999 (in UTC or in local time) are skipped.\n"
    "Exit status: 0 success, 2 usage error (also a trail that is not a regular\n"
    "file), 3 the trail cannot be read, 4 the output cannot be written whole\n"
    "(disk full, file-size limit), 5 the trail holds more than 1500000\n"
    "distinct values or too many events open at once to count in bounded\n"
    "memory, 6 too few files can be opened (after raising the soft limit of\n"
    "open files to the hard limit) to read the trail.\n";

// The end-of-event timeout of the daemon's configuration (2 s by default).
long eoeTimeout()
{
    std::ifstream conf("/etc/audit/auditd.conf");
    std::string line;
    while (std::getline(conf, line)) {
        size_t eq = line.find('=');
        if (eq == std::string::npos || line.find("end_of_event_timeout") == std::string::npos
            || line.find("end_of_event_timeout") > eq)
            continue;
        char *end = nullptr;
        long v = std::strtol(line.c_str() + eq + 1, &end, 10);
        if (end != line.c_str() + eq + 1 && v > 0 && v < 3600)
            return v;
    }
    return 2;
}

void appendFigure(std::string &out, const char *label, uint64_t n)
{
    out += label;
    out += ' ';
    out += std::to_string(n);
    out += '\n';
}

std::string stampOrNone(bool known, const kvrreport::Stamp &s)
{
    return known ? kvrtools::localStamp(time_t(s.sec), s.milli) : std::string("无");
}

std::string formatSummary(const kvrreport::SummaryScanner &scan, const kvrtools::CommonOptions &o)
{
    using kvrreport::Stamp;
    const auto &f = scan.figures();
    std::string out;
    out += "审计日志总体报告\n";
    out += "======================\n";
    const bool any = scan.hasRecords();
    out += "日志时间范围: " + stampOrNone(any, scan.firstStamp()) + " - "
        + stampOrNone(any, scan.lastStamp()) + "\n";
    // A chosen side is printed as the local time it names.
    const kvrtools::LocalRange &r = o.range;
    out += "报告时间范围: "
        + (r.hasStart ? kvrtools::wallStamp(r.startWallMs) : stampOrNone(any, scan.firstStamp()))
        + " - " + (r.hasEnd ? kvrtools::wallStamp(r.endWallMs) : stampOrNone(any, scan.lastStamp()))
        + "\n";
    // Every label is six double-width characters (Chinese, or full-width
    // Latin letters for AVC and MAC) and an ASCII colon, so that the export's
    // awk aligns the values whether its length() counts characters (gawk) or
    // bytes (mawk, Debian's default awk).
    appendFigure(out, "配置变更次数:", f.configChanges);
    appendFigure(out, "账户变更次数:", f.accountChanges);
    appendFigure(out, "登录成功次数:", f.logins);
    appendFigure(out, "登录失败次数:", f.failedLogins);
    appendFigure(out, "认证成功次数:", f.authentications);
    appendFigure(out, "认证失败次数:", f.failedAuthentications);
    appendFigure(out, "涉及用户总数:", f.users.size());
    appendFigure(out, "涉及终端总数:", f.terminals.size());
    appendFigure(out, "涉及主机总数:", f.hosts.size());
    appendFigure(out, "可执行文件数:", f.executables.size());
    appendFigure(out, "涉及命令总数:", f.commands.size());
    appendFigure(out, "涉及文件总数:", f.files.size());
    appendFigure(out, "ＡＶＣ事件数:", f.avcs);
    appendFigure(out, "ＭＡＣ事件数:", f.macEvents);
    appendFigure(out, "系统调用失败:", f.failedSyscalls);
    appendFigure(out, "异常事件次数:", f.anomalies);
    appendFigure(out, "异常响应次数:", f.responses);
    appendFigure(out, "加密事件次数:", f.crypto);
    appendFigure(out, "完整性事件数:", f.integrity);
    appendFigure(out, "虚拟化事件数:", f.virt);
    appendFigure(out, "规则关键字数:", f.keys.size());
    appendFigure(out, "涉及进程总数:", f.pids.size());
    appendFigure(out, "审计事件总数:", f.events);
    return out;
}

// The command line: the options both tools share, and --summary.
bool parseOptions(int argc, char **argv, kvrtools::CommonOptions *options, std::string *error)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    const time_t now = std::time(nullptr);
    for (size_t i = 0; i < args.size(); ++i) {
        switch (kvrtools::takeCommonOption(args, &i, now, options, error)) {
        case kvrtools::OptionTaken::Yes:
            continue;
        case kvrtools::OptionTaken::Error:
            return false;
        case kvrtools::OptionTaken::No:
            break;
        }
        if (args[i] != "--summary") {
            *error = "unknown option " + args[i];
            return false;
        }
    }
    return kvrtools::checkCommonOptions(*options, error);
}

} // namespace

int main(int argc, char **argv)
{
    kvrtools::CommonOptions options;
    std::string error;
    if (!parseOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "aureport: %s\nTry 'aureport --help'.\n", error.c_str());
        return kvrtools::ExitUsage;
    }
    if (options.help) {
        std::fputs(kUsage, stdout);
        return std::fflush(stdout) == 0 ? kvrtools::ExitFound : kvrtools::ExitWriteFailed;
    }
    if (options.version) {
        std::fputs(kvrtools::versionLine("aureport").c_str(), stdout);
        return std::fflush(stdout) == 0 ? kvrtools::ExitFound : kvrtools::ExitWriteFailed;
    }
    // Every file is opened before any is read, so that an unreadable one
    // stops the report before anything is printed.
    kvrtools::TrailReader reader;
    switch (reader.open(kvrtools::resolveSource(options.input), &error)) {
    case kvrtools::TrailOpen::Ok:
        break;
    case kvrtools::TrailOpen::Usage:
        std::fprintf(stderr, "aureport: %s\n", error.c_str());
        return kvrtools::ExitUsage;
    case kvrtools::TrailOpen::Unreadable:
        std::fprintf(stderr, "aureport: %s\n", error.c_str());
        return kvrtools::ExitUnreadable;
    case kvrtools::TrailOpen::NoDescriptors:
        std::fprintf(stderr, "aureport: %s\n", error.c_str());
        return kvrtools::ExitNoDescriptors;
    }
    kvrreport::SummaryScanner scanner(options.range, eoeTimeout());
    std::string_view line;
    while (reader.next(&line) == kvrtools::TrailRead::Line)
        scanner.addTrailLine(line);
    if (reader.failed()) {
        std::fprintf(stderr, "aureport: %s\n", reader.error().c_str());
        return reader.outOfDescriptors() ? kvrtools::ExitNoDescriptors : kvrtools::ExitUnreadable;
    }
    scanner.finish();
    using Overflow = kvrreport::SummaryScanner::Overflow;
    if (scanner.overflow() == Overflow::TooManyValues) {
        std::fprintf(stderr,
                     "aureport: the trail holds more than %zu distinct users, files, "
                     "commands and other values: too many to count in bounded memory\n",
                     kvrreport::kMaxDistinctValues);
        return kvrtools::ExitTooLarge;
    }
    if (scanner.overflow() == Overflow::TooManyOpenEvents) {
        std::fprintf(stderr,
                     "aureport: the trail keeps too many events open at once "
                     "to group them in bounded memory\n");
        return kvrtools::ExitTooLarge;
    }
    const std::string out = formatSummary(scanner, options);
    if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() || std::fflush(stdout) != 0) {
        std::fprintf(stderr, "aureport: cannot write the report: %s\n", std::strerror(errno));
        return kvrtools::ExitWriteFailed;
    }
    return kvrtools::ExitFound;
}
