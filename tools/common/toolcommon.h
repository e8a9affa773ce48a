#pragma once
// Shared by the project's ausearch and aureport: the exit statuses and the
// --version line, and (included from here for both tools) the trail reader,
// the shared options, audit time stamps, dates, safe text and account names.

#include "auditstamp.h"
#include "dates.h"
#include "idnames.h"
#include "options.h"
#include "safetext.h"
#include "trailreader.h"

#include <string>

namespace kvrtools {

// Exit statuses shared by both tools. ExitWriteFailed: the output could not
// be written whole (a full disk, a file-size limit), so what was written is
// not the whole answer. ExitTooLarge: the trail was read but is too large to
// count in bounded memory (the summary) or to sort in the temporary files
// that could be written (the search); nothing, or not the whole answer, was
// printed. ExitNoDescriptors: the tool could not open the files it needs
// even after raising its limit of open files to the hard limit.
enum ExitStatus {
    ExitFound = 0,
    ExitNothing = 1,
    ExitUsage = 2,
    ExitUnreadable = 3,
    ExitWriteFailed = 4,
    ExitTooLarge = 5,
    ExitNoDescriptors = 6
};

// The first line of `TOOL --version`: "TOOL (kvr-auditreport) VERSION". Only
// the project's own tools print it; the window checks for it at start-up.
std::string versionLine(const char *tool);

} // namespace kvrtools
