// The --version line of the audit tools (see toolcommon.h).
#include "toolcommon.h"

namespace kvrtools {

std::string versionLine(const char *tool)
{
    return std::string(tool) + " (kvr-auditreport) " KVR_VERSION "\n";
}

} // namespace kvrtools
