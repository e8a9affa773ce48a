#pragma once
// The checks that keep the query road from doing harm or nonsense: the data
// directory and its working files must be safe to write as root, the audit
// tools must be the project's own, and only one instance may work on a data
// directory. Each failed check tells the user why in an InfoBox; the first two
// then disable the query button.

#include "app/datadirsafety.h"
#include "app/toolcheck.h"

#include <QString>

class QLockFile;
class QWidget;

namespace startupchecks {

// Why the data directory or a working file is refused (translated, MainWindow
// context); empty when the verdict is safe.
QString refusalText(const datadirsafety::Verdict &verdict);
// Why the audit tools are refused; empty when they are ours.
QString refusalText(const toolcheck::Verdict &verdict);

// Checks the data directory of appenv::dataDir() for the running user now.
datadirsafety::Verdict checkDataDir();

// Disables the query button of `window` (object name "query_btn"), with the
// reason as its tool tip.
void disableQueryRoad(QWidget *window, const QString &why);

// The data directory checked again before a query: on a problem the InfoBox
// on `window` says why, the query road is disabled and false is returned.
bool dataDirStillSafe(QWidget *window);

// The start-up checks of the window: the data directory's verdict (from
// checkDataDir()) and the tools of `toolsDir`. Shows the first problem and
// disables the query road; true when the road is usable.
bool checkQueryRoad(QWidget *window, const datadirsafety::Verdict &dataDir,
                    const QString &toolsDir);

// The lock of the data directory's single instance (its file in the data
// directory). A lock file that no live process holds (left empty or half
// written by a power cut, or by a window that was killed) is taken over; one
// written on another host is removed only when the user says so in an InfoBox
// question (child of `parent`, may be null). False when the lock stays
// another's: an InfoBox then says that a report is already open, naming the
// lock file and how to remove it.
bool takeInstanceLock(QLockFile *lock, QWidget *parent);

// The lock file of the data directory.
QString lockFilePath();

} // namespace startupchecks
