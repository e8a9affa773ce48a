// The trail generator as the tests reach it (see gentrail.h).
#include "gentrail.h"

namespace testsupport {

QString genTrailProgram()
{
    return QStringLiteral(KVR_GEN_TRAIL);
}

ToolRun generateTrail(const QStringList &args, const QString &out)
{
    return runTool(genTrailProgram(), args + QStringList{QStringLiteral("--out"), out});
}

} // namespace testsupport
