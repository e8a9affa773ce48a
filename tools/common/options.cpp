// Parsing of the options shared by ausearch and aureport (see options.h).
#include "options.h"

#include "dates.h"

namespace kvrtools {

bool looksLikeOption(const std::string &arg)
{
    return arg.size() > 1 && arg[0] == '-';
}

OptionTaken takeCommonOption(const std::vector<std::string> &args, size_t *i, time_t now,
                             CommonOptions *options, std::string *error)
{
    const std::string &a = args[*i];
    auto value = [&](const char *what) -> const std::string * {
        if (*i + 1 >= args.size() || args[*i + 1].empty() || looksLikeOption(args[*i + 1])) {
            *error = "option " + a + " needs " + what;
            return nullptr;
        }
        return &args[++*i];
    };
    if (a == "-h" || a == "--help") {
        options->help = true;
    } else if (a == "--version") {
        options->version = true;
    } else if (a == "-if" || a == "--input") {
        const std::string *v = value("a file or directory");
        if (!v)
            return OptionTaken::Error;
        options->input = *v;
    } else if (a == "-ts" || a == "--start" || a == "-te" || a == "--end") {
        const bool isEnd = a == "-te" || a == "--end";
        const std::string *v = value("a date");
        if (!v)
            return OptionTaken::Error;
        std::string timeText;
        if (*i + 1 < args.size() && looksLikeTime(args[*i + 1]))
            timeText = args[++*i];
        int64_t ms = 0;
        if (!parseDate(*v, timeText, isEnd, now, &ms, error))
            return OptionTaken::Error;
        (isEnd ? options->range.hasEnd : options->range.hasStart) = true;
        (isEnd ? options->range.endWallMs : options->range.startWallMs) = ms;
    } else {
        return OptionTaken::No;
    }
    return OptionTaken::Yes;
}

bool checkCommonOptions(const CommonOptions &options, std::string *error)
{
    const LocalRange &r = options.range;
    if (r.hasStart && r.hasEnd && r.startWallMs > r.endWallMs) {
        *error = "the start time lies after the end time";
        return false;
    }
    return true;
}

} // namespace kvrtools
