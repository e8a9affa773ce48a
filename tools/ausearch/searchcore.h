#pragma once
// The search and the interpreted output of the project's ausearch, callable
// in-process (the tool's main, the tests and the fuzz target use it).
//
// Layout of the interpreted output (-i), for every matching event in log
// order:
//   ----
//   时间->YYYY-MM-DD HH:MM:SS.mmm 序号=SERIAL [节点=NODE]
//   类型=TYPE 日期: YYYY-MM-DD HH:MM:SS.mmm 用户id: USER label=value ...
//   类型=TYPE 日期: YYYY-MM-DD HH:MM:SS.mmm label=value ...
// The first record line of an event, and only it, carries "用户id:"; every
// record line carries "日期:" exactly once. Every value taken from the trail
// is printed through kvrtools::appendSafe, so no value can end a line or
// carry one of these labels.

#include "toolcommon.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace kvrtools {

struct SearchOptions {
    bool interpret = false;    // -i
    bool help = false;         // --help
    bool version = false;      // --version
    std::string input;         // -if / --input
    std::string file;          // -f (normalised, absolute); empty: no filter
    bool hasStart = false, hasEnd = false;
    int64_t startMs = 0, endMs = 0; // -ts / -te, inclusive
};

// Parses the arguments after the program name. Returns ExitFound when the
// search may go on, else ExitUsage with a one-line reason in `error`.
int parseSearchOptions(const std::vector<std::string> &args, time_t now, SearchOptions *options,
                       std::string *error);

// The usage text printed by --help.
const char *searchUsage();

// Merged-/usr twin of an absolute path: /bin/X <-> /usr/bin/X,
// /sbin/X <-> /usr/sbin/X, /lib/X <-> /usr/lib/X; empty when there is none.
std::string mergedUsrTwin(const std::string &path);

// `name` joined with `cwd` when relative, with ".", ".." and repeated
// slashes resolved lexically. Empty when a relative name has no cwd.
std::string normalisePath(const std::string &name, const std::string &cwd);

// Walks every event of `au` and prints the matching ones (interpreted or
// raw), handing the text to `flush` in chunks of about 1 MB, in order (and
// once at the end when anything is left). With `interpret`, libauparse is
// read on the calling thread and the text is formatted, and `flush` called,
// on a second thread that has ended when this returns. Returns the number of
// matching events.
size_t runSearch(auparse_state_t *au, const SearchOptions &options,
                 const std::function<void(std::string &)> &flush);

// The same over a trail held in memory (any bytes), collecting all output.
size_t searchBytes(const char *data, size_t size, const SearchOptions &options, std::string *out);

} // namespace kvrtools
