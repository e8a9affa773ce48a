#pragma once
// The built ausearch as the tool tests run it: in UTC, so that dates are the
// same on every machine, and blind to the window's KVR_AUDITREPORT_LOG unless
// a test sets it.

#include "toolrunner.h"

namespace testsupport {

// The built ausearch.
QString ausearchProgram();

// Runs it with `args`, TZ=UTC and KVR_AUDITREPORT_LOG removed, then the
// changes of `options.env` (so "KVR_AUDITREPORT_LOG=path" sets it again).
ToolRun runAusearch(const QStringList &args, ToolOptions options = {});

} // namespace testsupport
