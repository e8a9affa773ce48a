#pragma once
// The options of the project's ausearch and its --help text.

#include "toolcommon.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace kvrtools {

struct SearchOptions {
    bool interpret = false; // -i
    bool help = false;      // --help
    bool version = false;   // --version
    std::string input;      // -if / --input
    std::string file;       // -f (normalised, absolute); empty: no filter
    LocalRange range;       // -ts / -te, inclusive, in local time
};

// Parses the arguments after the program name. Returns ExitFound when the
// search may go on, else ExitUsage with a one-line reason in `error` (a
// start after the end included).
int parseSearchOptions(const std::vector<std::string> &args, time_t now, SearchOptions *options,
                       std::string *error);

// The usage text printed by --help.
const char *searchUsage();

} // namespace kvrtools
