#pragma once
// Runs a program as a test sees it from outside: arguments, environment
// changes, standard input, a time limit; returns its exit and both outputs.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace testsupport {

struct ToolRun {
    bool finished = false; // started and ended within the time limit
    bool crashed = false;  // ended by a signal
    int exit = -1;         // the exit status when it ended normally
    QByteArray out, err;
};

struct ToolOptions {
    // "NAME=value" sets a variable, "NAME" alone removes it from the
    // environment the test itself runs with.
    QStringList env;
    // Standard input; a null array gives /dev/null.
    QByteArray input;
    int timeoutMs = 120000;
    QString workingDirectory;
};

ToolRun runTool(const QString &program, const QStringList &args, const ToolOptions &options = {});

} // namespace testsupport
