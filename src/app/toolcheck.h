#pragma once
// Whether the audit tools beside the program are the project's own. The
// report pipelines split on the Chinese labels only they print; the stock
// ausearch of the system, run in their place, would make every report empty.

#include <QString>

namespace toolcheck {

enum class Problem {
    None,
    Missing, // no executable file of that name in the tools directory
    Foreign, // it runs, but its --version line is not ours
};

struct Verdict {
    Problem problem = Problem::None;
    QString tool;   // full path of the tool concerned
    QString output; // the first line it printed for --version (Foreign)
    bool ok() const { return problem == Problem::None; }
};

// The first line that `tool --version` must print: "TOOL (kvr-auditreport) VERSION".
QString expectedVersionLine(const QString &toolName);

// Checks ausearch and aureport in `toolsDir`; the first problem found.
Verdict check(const QString &toolsDir);

} // namespace toolcheck
