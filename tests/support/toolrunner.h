#pragma once
// Runs a program as a test sees it from outside: arguments, environment
// changes, standard input, a time limit; returns its exit, both outputs and
// the peak resident memory the program reached.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace testsupport {

struct ToolRun {
    bool finished = false; // started and ended within the time limit
    bool crashed = false;  // ended by a signal
    int exit = -1;         // the exit status when it ended normally
    QByteArray out, err;
    // The program's peak resident memory in kB (its ru_maxrss), -1 when it
    // never started. It counts the test's own pages copied by the fork too.
    long peakKb = -1;
};

struct ToolOptions {
    // "NAME=value" sets a variable, "NAME" alone removes it from the
    // environment the test itself runs with.
    QStringList env;
    // Standard input, through a pipe; a null array gives /dev/null.
    QByteArray input;
    // Past it the program is killed and the run counts as not finished.
    int timeoutMs = 120000;
    QString workingDirectory;
};

// A program without a slash is looked up in PATH. Standard output and error
// are pipes read while the program runs, as with QProcess.
ToolRun runTool(const QString &program, const QStringList &args, const ToolOptions &options = {});

} // namespace testsupport
