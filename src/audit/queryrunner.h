#pragma once
// The query road as one call, without widgets: a QueryRequest in, a Report or
// the RunProblem that stopped it out. It runs the audit tools and the fixed
// pipelines into the working files of the data directory (appenv::dataDir())
// one after another as they always ran, writes their diagnostic lines through
// the trace module, and tells a QueryProgress how far it is, which another
// thread may read and through which it may cancel the query.

#include "audit/processrunner.h"
#include "audit/querycore.h"
#include "audit/queryrequest.h"
#include "audit/report.h"

#include <atomic>

// How far a query is, shared between the thread that runs it and one that
// watches it. Every member may be called from either thread.
class QueryProgress
{
public:
    enum class Stage {
        Starting,
        Searching,   // ausearch reads the trail
        Counting,    // the statistics pipelines condense its result
        Reporting,   // tongji.log becomes the report
        Summarizing, // aureport reads the trail for the overall summary
    };

    Stage stage() const { return static_cast<Stage>(stageValue.load()); }
    // Bytes of the trail read so far and their total, as the running tool
    // last reported them; a total below 0 when it has reported nothing yet.
    qint64 bytesRead() const { return readBytes.load(); }
    qint64 bytesTotal() const { return totalBytes.load(); }

    // Stops the query: its commands are killed with their process groups and
    // no further one starts. Safe in a signal handler.
    void cancel() noexcept { stopper.stop(); }
    bool isCancelled() const noexcept { return stopper.isStopped(); }
    processrunner::StopSwitch *stopSwitch() { return &stopper; }

    // For the runner.
    void setStage(Stage stage);
    void setBytes(qint64 read, qint64 total);

private:
    std::atomic<int> stageValue{static_cast<int>(Stage::Starting)};
    std::atomic<qint64> readBytes{0};
    std::atomic<qint64> totalBytes{-1};
    processrunner::StopSwitch stopper;
};

// What a query came to: a report (problem None; an empty one included), or
// the problem that left it without one and the command that had it.
struct QueryOutcome {
    querycore::RunProblem problem = querycore::RunProblem::None;
    querycore::ShellRun run;
    Report report;
    bool finished() const { return problem == querycore::RunProblem::None; }
};

class QueryRunner
{
public:
    struct Settings {
        // False: the commands' standard error is discarded (a quiet `--report`).
        bool showCommandErrors = true;
    };

    // `progress` (may be null) must outlive the runner.
    explicit QueryRunner(QueryProgress *progress = nullptr);
    QueryRunner(QueryProgress *progress, Settings settings);

    // Runs the whole road for `request`, blocking until it is done or cancelled.
    QueryOutcome run(const QueryRequest &request);

private:
    processrunner::Options options(bool withProgress);
    QueryOutcome runSummary(const QueryRequest &request);
    QueryOutcome runSearch(const QueryRequest &request);
    QueryOutcome runStatistics();
    QueryOutcome buildReport(const QueryRequest &request);
    bool cancelled(QueryOutcome *outcome) const;

    QueryProgress ownProgress;
    QueryProgress *progress;
    Settings settings;
};
