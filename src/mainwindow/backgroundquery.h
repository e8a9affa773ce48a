#pragma once
// Runs a query on a thread of its own while the window's event loop goes on
// (it repaints, and drops input through the window's InputGuard), and shows
// the progress dialog when the query takes longer than a moment.

#include "audit/queryrunner.h"

class QWidget;

namespace backgroundquery {

// How long a query runs before its progress dialog shows.
constexpr int kDialogDelayMs = 300;

// Runs `request` and returns what it came to; cancelled when the user
// cancels in the dialog or the application's event loops are told to end.
// The dialog is a child of `window`.
QueryOutcome run(QWidget *window, const QueryRequest &request);

} // namespace backgroundquery
