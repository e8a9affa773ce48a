#pragma once
// Many runs for the runs window's test and benchmark: a runs file's worth of
// generated runs from a few users on two hosts, every result, hostile names
// among them, in time order.

#include "audit/runsfile.h"

#include <QByteArray>
#include <QList>

namespace testsupport {

// `count` runs, one a minute from 2024-03-01 00:00 UTC on. Run i is by user
// i % 7 of {alice, bob, carol, dave, erin, <s>mallory</s>, ro\u200Bot}, on
// node "web1" when i % 3 == 0 and on this machine ("-") otherwise, refused
// when i % 11 == 0, failed when i % 13 == 0 (and not refused).
QList<runsfile::Run> sampleRuns(int count, bool twoHosts = true);

// The same runs written as the search writes its runs file.
QByteArray sampleRunsFile(int count, bool twoHosts = true);

} // namespace testsupport
