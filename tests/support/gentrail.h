#pragma once
// The trail generator kvr-gen-trail as the tests reach it: synthetic trails
// from a seed, or the demo trail, written to a file.

#include "toolrunner.h"

namespace testsupport {

// The built generator.
QString genTrailProgram();

// Runs the generator with `args` (for example {"--events", "500", "--seed",
// "7"}) writing the trail to `out`.
ToolRun generateTrail(const QStringList &args, const QString &out);

} // namespace testsupport
