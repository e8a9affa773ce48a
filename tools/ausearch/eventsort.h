#pragma once
// Puts the selected events in time order with bounded memory: events are
// kept in memory up to kMemoryBound bytes (text and index); beyond that the
// oldest-added slice of them (an eighth of the bound) is sorted and written
// as a run to one unnamed temporary file, so that a trail just over the
// bound writes little, and at the end the runs and the events still held
// are merged. Ties (same millisecond and serial) keep the order in which
// the events were added. An event added with its place in the trail keeps
// no text: only its place is held (and written), and its text is read from
// the trail again (through `fetch`) when its turn comes, after a check that
// it still carries the event's time stamp and serial.
//
//   EventSorter sorter;
//   sorter.setFetch(readAgain);
//   sorter.add(stampMs, serial, text, &place); // for every selected event
//   if (!sorter.finish()) fail(sorter.error()); // a temporary file failed
//   while (sorter.next(&text)) print(text);
//   if (sorter.failed()) fail(sorter.error());

#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace kvrtools {

// Where an event's text lies in the trail: file and offset.
struct EventPlace {
    uint32_t file = 0;
    uint64_t offset = 0;
};

class EventSorter
{
public:
    // Reads `size` bytes at a place of the trail again; false with `error`
    // set when it cannot. The bytes stay valid until the next call.
    using Fetch = std::function<bool(const EventPlace &place, size_t size, std::string_view *bytes,
                                     std::string *error)>;

    static constexpr size_t kMemoryBound = 40u << 20;

    explicit EventSorter(size_t memoryBound = kMemoryBound);
    ~EventSorter();
    EventSorter(const EventSorter &) = delete;
    EventSorter &operator=(const EventSorter &) = delete;

    void setFetch(Fetch fetch) { fetch_ = std::move(fetch); }
    // False when a temporary file could not be written (see error()).
    // With `place`, `text` is not kept but read there again (setFetch()).
    bool add(int64_t ms, uint64_t serial, std::string_view text, const EventPlace *place = nullptr);
    bool finish();
    // The next event's text in time order. It stays valid until the next
    // call; when `lasting` is given and set, it stays valid as long as the
    // sorter (the event was held in memory).
    bool next(std::string_view *text, bool *lasting = nullptr);

    size_t size() const { return count_; }
    size_t spilledRuns() const { return runs_.size(); }
    bool failed() const { return failed_; }
    const std::string &error() const { return error_; }
    // errno of the failure (ENOSPC, EFBIG, EMFILE, ...); 0 when none.
    int errorNumber() const { return errno_; }
    // The failure was reading the trail again, not a temporary file.
    bool trailFailed() const { return trailFailed_; }

    // An event's place in the order: time, serial, then the order added.
    struct Key {
        int64_t ms;
        uint64_t serial, seq;
    };

private:
    struct Entry {
        Key key;
        const char *text; // null: read at `place` again
        EventPlace place;
        size_t len;
        uint64_t block; // number of the arena block holding the text
    };
    struct Block {
        std::unique_ptr<char[]> data;
        size_t size = 0, used = 0;
        uint64_t number = 0;
    };
    struct Run;
    char *store(std::string_view text, uint64_t *block);
    bool spill();
    void dropSpilled();                           // entries before head_
    bool writeOut(const void *data, size_t size); // through out_
    bool flushOut();
    bool writeAll(const char *data, size_t size);
    bool fail(const char *what, int error);
    bool less(size_t a, size_t b) const; // merge sources, by time
    bool advance(size_t source);
    // The text of an event: `text`, or read at `place` and checked.
    bool textOf(const Key &key, const char *text, const EventPlace &place, size_t len,
                std::string_view *out);

    size_t bound_, blockSize_;
    std::deque<Block> blocks_; // in the order filled
    std::vector<Block> spare_; // freed blocks kept for reuse
    uint64_t nextBlock_ = 0;
    size_t blockBytes_ = 0; // size of the blocks in blocks_
    // The events held, in the order added from head_ on (those before it
    // are spilled); sorted in place by finish().
    std::vector<Entry> entries_;
    size_t head_ = 0;
    size_t nextEntry_ = 0;
    uint64_t seq_ = 0;
    size_t count_ = 0;
    // The runs: one temporary file, written through `out_`.
    std::FILE *file_ = nullptr;
    int fd_ = -1;
    off_t fileSize_ = 0;
    std::vector<char> out_;
    std::vector<std::unique_ptr<Run>> runs_;
    std::vector<size_t> heap_; // merge sources: run indexes, runs_.size() for memory
    bool merging_ = false, pending_ = false;
    bool failed_ = false, trailFailed_ = false;
    int errno_ = 0;
    Fetch fetch_;
    std::string error_;
};

} // namespace kvrtools
