#pragma once
// Puts the selected events in time order with bounded memory: events are
// kept in memory up to kMemoryBound bytes (text and index); beyond that the
// ones held are sorted and written to an unnamed temporary file, and at the
// end the sorted runs are merged. Ties (same millisecond and serial) keep
// the order in which the events were added.
//
//   EventSorter sorter;
//   sorter.add(stampMs, serial, text);       // for every selected event
//   if (!sorter.finish(&error)) fail(error); // a temporary file failed
//   while (sorter.next(&text)) print(text);
//   if (sorter.failed()) fail(sorter.error());

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kvrtools {

class EventSorter
{
public:
    static constexpr size_t kMemoryBound = 40u << 20;

    explicit EventSorter(size_t memoryBound = kMemoryBound);
    ~EventSorter();
    EventSorter(const EventSorter &) = delete;
    EventSorter &operator=(const EventSorter &) = delete;

    // False when a temporary file could not be written (see error()).
    bool add(int64_t ms, uint64_t serial, std::string_view text);
    bool finish();
    // The next event's text in time order; valid until the next call.
    bool next(std::string_view *text);

    size_t size() const { return count_; }
    size_t spilledRuns() const { return runs_.size(); }
    bool failed() const { return failed_; }
    const std::string &error() const { return error_; }

private:
    struct Entry {
        int64_t ms;
        uint64_t serial, seq;
        size_t at, len;
    };
    struct Run;
    bool spill();
    void sortMemory();
    bool fail(const char *what);

    size_t bound_;
    std::string arena_;
    std::vector<Entry> entries_;
    size_t nextEntry_ = 0;
    uint64_t seq_ = 0;
    size_t count_ = 0;
    std::vector<std::unique_ptr<Run>> runs_;
    bool merging_ = false;
    bool failed_ = false;
    std::string error_;
    std::string current_;
};

} // namespace kvrtools
