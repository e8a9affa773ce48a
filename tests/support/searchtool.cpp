// The built ausearch as the tool tests run it (see searchtool.h).
#include "searchtool.h"

namespace testsupport {

QString ausearchProgram()
{
    return QStringLiteral(KVR_TOOLS_BUILD_DIR "/ausearch");
}

ToolRun runAusearch(const QStringList &args, ToolOptions options)
{
    options.env =
        QStringList{QStringLiteral("TZ=UTC"), QStringLiteral("KVR_AUDITREPORT_LOG")} + options.env;
    return runTool(ausearchProgram(), args, options);
}

} // namespace testsupport
