#pragma once
// Process-wide environment of the program: where its working files live and
// where its own audit tools are found.

#include <QString>

namespace appenv {

// The data directory, always ending in "/". KVR_AUDITREPORT_DATA_DIR replaces
// the built-in default for the whole process when it is set and not empty.
// Otherwise an installed program uses <prefix>/share/kvr-duvovedadizuve/apps/
// kvr-securityaudit/kvr-auditreport/ of the prefix it is installed in (see
// useProgramDir()), and any other the built-in default.
QString dataDir();

// Tells dataDir() where the program lives: when the data directory of an
// install tree exists beside appDir (<appDir>/../share/...), that one is used.
void useProgramDir(const QString &appDir);

// Full path of a working file (result.log, tongji.log, temp_report,
// all_report.log) or of a sub path (locale/zh_CN.qm) in the data directory.
QString dataFile(const QString &name);

// Creates the data directory when it is missing. Returns true when it exists
// and a file can be created in it.
bool ensureDataDirWritable();

// The directory holding the project's ausearch and aureport for a program
// that lives in appDir: <appDir>/../libexec/kvr-auditreport with the default
// install directories (the build tree has the same shape as the install tree).
QString auditToolsDir(const QString &appDir);

// Puts toolsDir first on this process's PATH, so that commands handed to the
// shell find the project's audit tools before any others.
void prependToPath(const QString &toolsDir);

} // namespace appenv
