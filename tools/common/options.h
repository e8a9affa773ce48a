#pragma once
// The options both audit tools share, parsed one way: -if/--input FILE|DIR,
// -ts/--start DATE [TIME], -te/--end DATE [TIME], -h/--help, --version.
//
// A tool walks its arguments and hands each to takeCommonOption() first:
//   for (size_t i = 0; i < args.size(); ++i) {
//       switch (takeCommonOption(args, &i, now, &common, &error)) {
//       case OptionTaken::Yes: continue;         // i points at its last value
//       case OptionTaken::Error: return usage(error);
//       case OptionTaken::No: break;             // the tool's own option
//       }
//       ...
//   }
//   if (!checkCommonOptions(common, &error)) return usage(error);
// Dates are read by parseDate() (dates.h) into a range of local wall-clock
// times; a TIME is taken only when the next argument looks like HH:MM[:SS].
// A start after the end is a usage error.

#include "dates.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace kvrtools {

struct CommonOptions {
    bool help = false;    // -h, --help
    bool version = false; // --version
    std::string input;    // -if, --input (empty: not given)
    LocalRange range;     // -ts / -te, inclusive
};

enum class OptionTaken { No, Yes, Error };

// Looks at args[*i]; when it is a common option, takes it (and its values,
// advancing *i to the last one used) into `options`. Error: `error` holds a
// one-line reason.
OptionTaken takeCommonOption(const std::vector<std::string> &args, size_t *i, time_t now,
                             CommonOptions *options, std::string *error);

// Checks the options as a whole (a start after the end).
bool checkCommonOptions(const CommonOptions &options, std::string *error);

// True when an argument starts like an option ("-x"), so it cannot be a value.
bool looksLikeOption(const std::string &arg);

} // namespace kvrtools
