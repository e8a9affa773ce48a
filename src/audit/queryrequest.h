#pragma once
// What a query asks for: an event type and a time range, as plain values.
// The query form makes one, the `--report` command line makes one, and the
// query runner takes it; nothing reads the form's widgets again.

#include <QDate>
#include <QString>

#include <optional>

struct QueryRequest {
    // The untranslated command name of the event-type list ("sudo"); empty
    // for every event type (the all marker).
    std::optional<QString> eventType;
    // The first and the last day searched; empty for no limit on that side.
    std::optional<QDate> start;
    std::optional<QDate> end;

    // Nothing narrows the query: the overall summary instead of a report.
    bool isOverallSummary() const { return !eventType && !start && !end; }
    // With both days given, the start is not after the end; both days are
    // searched whole, so a start equal to the end asks for that one day.
    bool rangeInOrder() const { return !start || !end || *start <= *end; }

    friend bool operator==(const QueryRequest &a, const QueryRequest &b)
    {
        return a.eventType == b.eventType && a.start == b.start && a.end == b.end;
    }
};
