// The command line of the search: its options (the shared ones through
// takeCommonOption) and the --help text (see searchoptions.h).
#include "searchoptions.h"

#include "programpath.h"

namespace kvrtools {

const char *searchUsage()
{
    return "usage: ausearch [options]\n"
           "  -i, --interpret          print the records interpreted, with Chinese labels\n"
           "  -r, --raw                print the records as they are in the trail (default)\n"
           "  -f, --file PATH          events that concern the program file PATH\n"
           "                           (exe= or a PATH record's name=; /bin and /usr/bin\n"
           "                           are the same directory, likewise /sbin and /lib;\n"
           "                           for sudo also its USER_CMD records without exe=),\n"
           "                           with one 用户id: per run of the program (below)\n"
           "  -ts, --start DATE [TIME] events from DATE (00:00:00 when no TIME)\n"
           "  -te, --end DATE [TIME]   events up to DATE (the whole day when no TIME)\n"
           "                           DATE: M/D/YY, MM/DD/YYYY, today, yesterday,\n"
           "                           this-week, this-month, this-year, now\n"
           "                           TIME: HH:MM or HH:MM:SS, local time\n"
           "                           (compared with the local time printed: a day\n"
           "                           ends where the next begins, clock changes\n"
           "                           included; a skipped day is empty)\n"
           "  -if, --input FILE|DIR    read this log file, or the audit.log* files of DIR\n"
           "                           (default: $KVR_AUDITREPORT_LOG, else the system's logs)\n"
           "  -h, --help               this text\n"
           "  --version                the version\n"
           "Events are printed in time order (earliest first), whatever the order\n"
           "of the trail. The date range selects events; runs are formed from them.\n"
           "Runs (-f): a run is one process that executed PATH. A successful exec\n"
           "(execve/execveat) of PATH starts one; a failed exec is a run only when\n"
           "the file was found (its PATH record has an inode); a later event of the\n"
           "same process (node, pid and session) running PATH joins its run; an\n"
           "event of a process whose exec the trail lacks starts a run. A reused\n"
           "pid is a new run: after a new exec, in another session, or after the\n"
           "process ran another program. Events that name PATH without running it\n"
           "are printed without 用户id:. An event without session or login uid\n"
           "joins the run of its process and never starts one; a process forked by\n"
           "a run (no exec of its own, its parent in the run) belongs to that run.\n"
           "KVR_AUDITREPORT_RUNS=FILE (with -f): also write one line per run to FILE\n"
           "(time, serial, node, login user, acting user, terminal, result\n"
           "success/refused/failed, command; tab-separated, escaped as below).\n"
           "用户id: the login user (auid) of the event's first record that has one,\n"
           "its uid when the auid is unset; an event without any auid: its first\n"
           "uid. ENRICHED names are used, but \"unknown(N)\" is no name: the local\n"
           "account of N, else N. Without -f every event carries one 用户id:.\n"
           "Lines longer than 1 MiB and records with a malformed time stamp (or one\n"
           "outside 1970-9999, in UTC or in local time) are skipped. A trail must\n"
           "be a regular file or a directory of them (a FIFO or a device is a usage\n"
           "error).\n"
           "Standard input is never read. Exit status: 0 found, 1 nothing found,\n"
           "2 usage error, 3 the trail cannot be read (also a read error midway),\n"
           "4 the output or the runs file cannot be written whole (disk full,\n"
           "file-size limit, a runs file that is a link or no regular file),\n"
           "5 the trail is too large to sort: a temporary file could not be written,\n"
           "6 too few files can be opened (after raising the soft limit of open\n"
           "files to the hard limit) to read the trail.\n"
           "Values from the trail are printed with control bytes, backslashes and\n"
           "invalid UTF-8 as \\ooo octal escapes; the colon of \"日期:\" and \"用户id:\"\n"
           "inside a value is written \\072 and the first character of \"时间范围\"\n"
           "as \\346\\227\\266, so that a value can never pose as a label.\n";
}

int parseSearchOptions(const std::vector<std::string> &args, time_t now, SearchOptions *options,
                       std::string *error)
{
    CommonOptions common;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        switch (takeCommonOption(args, &i, now, &common, error)) {
        case OptionTaken::Yes:
            continue;
        case OptionTaken::Error:
            return ExitUsage;
        case OptionTaken::No:
            break;
        }
        if (a == "-i" || a == "--interpret") {
            options->interpret = true;
        } else if (a == "-r" || a == "--raw") {
            options->interpret = false;
        } else if (a == "-f" || a == "--file") {
            if (i + 1 >= args.size() || args[i + 1].empty() || looksLikeOption(args[i + 1])) {
                *error = "option " + a + " needs a program path";
                return ExitUsage;
            }
            const std::string &v = args[++i];
            if (v[0] != '/') {
                *error = "option -f needs an absolute path, not \"" + v + "\"";
                return ExitUsage;
            }
            options->file = normalisePath(v, {});
        } else if (looksLikeOption(a)) {
            *error = a + " is an unknown option";
            return ExitUsage;
        } else {
            *error = "unexpected argument \"" + a + "\"";
            return ExitUsage;
        }
    }
    if (!checkCommonOptions(common, error))
        return ExitUsage;
    options->help = common.help;
    options->version = common.version;
    options->input = common.input;
    options->range = common.range;
    return ExitFound;
}

} // namespace kvrtools
