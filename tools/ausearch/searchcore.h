#pragma once
// The search of the project's ausearch, callable in-process (the tool's
// main, the tests and the fuzz target use it): reads a trail line by line
// (TrailReader), groups records into events (EventAssembler), selects them
// by date and, with -f, by program file — passing over events none of whose
// raw lines holds the file's name before taking any apart — puts the
// selected events in time order with bounded memory (EventSorter), forms
// the program's runs (RunTracker) and writes them (Formatter), and each run's
// line of the runs file (RunsFile) when one is given. The output layouts are
// described in formatter.h.

#include "searchoptions.h"
#include "trailreader.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace kvrtools {

class RunsFile;

struct SearchResult {
    size_t events = 0;          // selected events printed
    size_t runs = 0;            // 用户id: lines written (-i)
    bool failed = false;        // a read or temporary-file error; `error` says which
    bool sortFailed = false;    // the failure was a temporary file of the sort
    bool noDescriptors = false; // the failure was a shortage of file descriptors
    std::string error;
    // With a runs file: the stamps (epoch milliseconds) of the earliest and
    // the latest record read, selected or not; `spanned` false when none.
    bool spanned = false;
    int64_t firstMs = 0, lastMs = 0;
    // With a runs file: the 用户id: lines counted on the local day of their
    // event, one entry per day in day order (YYYY-MM-DD, count).
    std::vector<std::pair<std::string, size_t>> runsPerDay;
};

// Runs the search over an opened reader, handing the output to `flush` in
// chunks of about 1 MB, in order (and once at the end when anything is
// left). `flush` is called on a second thread (the printer), which has
// ended when this returns. A read error of the trail is found before
// anything is printed, except when reading an event again to print it
// fails (the trail was cut or rewritten meanwhile); the result says so.
// `runsFile` (opened, may be nullptr) gets every event with -f and has its
// runs written (RunsFile::finish()) at the end of the printing; its error()
// tells whether they were written whole. The caller completes it with the
// trail's files and the span in the result (RunsFile::complete()).
SearchResult runSearch(TrailReader &reader, const SearchOptions &options,
                       const std::function<void(std::string &)> &flush,
                       RunsFile *runsFile = nullptr);

// The same over a trail held in memory (any bytes), collecting all output.
// Returns the number of events printed; `runs` (when given) receives the
// number of 用户id: lines.
size_t searchBytes(const char *data, size_t size, const SearchOptions &options, std::string *out,
                   size_t *runs = nullptr);

} // namespace kvrtools
