#pragma once
// The account names of a password file, as `cat` prints it: the first field
// of every line, in file order, nothing filtered.

#include <QString>
#include <QStringList>

namespace sysusers {

// The first ":"-separated field of each line `cat passwdPath` prints, each
// line read as Latin-1 up to its first NUL (its line feed kept when it holds
// no ":"). Empty when cat cannot run or prints nothing.
QStringList accountNames(const QString &passwdPath);

} // namespace sysusers
