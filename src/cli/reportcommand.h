#pragma once
// `kvr-auditreport --report TYPE …`: the query road with no window and no
// display, for cron jobs and the auditor's monthly file. It reads its
// arguments, runs the same QueryRunner as the window in a private working
// directory of its own, and writes the report in the format asked for to a
// file or to standard output. `--help` and `--version` take this road too.

#include "audit/querycore.h"
#include "audit/queryrequest.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class ReportCommand
{
    Q_DECLARE_TR_FUNCTIONS(ReportCommand)

public:
    enum ExitStatus {
        Written = 0,
        BadArguments = 2,
        TrailUnreadable = 3,
        RoadFailed = 4, // a tool or pipeline failed, or the query was stopped
        TrailTooLarge = 5,
        OutputFailed = 6,
    };

    struct Arguments {
        bool help = false;
        bool version = false;
        bool verbose = false; // the diagnostic lines and the tools' errors on standard error
        QueryRequest request;
        QString trail;  // a file or folder of audit logs; empty: the system's trail
        QString format; // a writer of reportformats.h
        QString output; // the file written; "-" for standard output
    };

    // Whether the program's arguments (without the program name) ask for
    // this road rather than the window: one of its options is among them.
    static bool isWanted(const QStringList &args);

    // The arguments read and checked; empty with `*error` (one line) set on
    // a usage error.
    static std::optional<Arguments> parse(const QStringList &args, QString *error);

    // The exit status of a query that did not finish.
    static ExitStatus exitStatus(querycore::RunProblem problem);

    static QString helpText();

    // Does what `args` ask and returns the exit status; `prepareApplication`
    // loads the translations and finds the audit tools, once Qt's debug lines
    // are silenced (unless --verbose). Errors are one line each on standard
    // error.
    static int run(const QStringList &args, const std::function<void()> &prepareApplication);
};
