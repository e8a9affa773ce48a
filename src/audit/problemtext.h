#pragma once
// What the user is told about a query that did not finish: the same words in
// the window's message box and on the `--report` command line.

#include "audit/queryrunner.h"

#include <QString>

namespace problemtext {

// The message for `outcome`'s problem (translated, MainWindow context), which
// may run over several lines; empty when the query finished or was cancelled.
QString text(const QueryOutcome &outcome);

} // namespace problemtext
