#pragma once
// Groups record lines into events: records with the same node, time stamp
// and serial are one event. Records of an event need not follow each other
// (the kernel interleaves events of several CPUs); an event is complete at
// its EOE record, when a record more than two seconds newer arrives (the
// audit daemon's end-of-event timeout), when too many events are open at
// once, or at the end of the trail. Memory is bounded: at most kMaxOpen
// events and kMaxOpenBytes of record text are held; an event that grows
// past kMaxEventBytes is completed as it stands.
//
//   EventAssembler a;
//   a.add(line, mark, spot);      // for every line; mark: a -f needle hit
//   while (a.takeComplete(&ev)) use(ev);
//   a.finish();                   // then take the rest

#include "auditstamp.h"
#include "recordline.h"
#include "trailreader.h"

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kvrtools {

struct AssembledEvent {
    std::string node;
    AuditStamp stamp;
    std::string text; // its record lines, each ending with '\n'
    bool marked = false;
    // `text` is the bytes [offset, offset + text.size()) of trail file
    // `file` (its records were next to each other there, each ending with
    // a newline), so it can be read there again.
    bool whole = false;
    uint32_t file = 0;
    uint64_t offset = 0;
};

class EventAssembler
{
public:
    static constexpr size_t kMaxOpen = 4096;
    static constexpr size_t kMaxOpenBytes = 16u << 20;
    static constexpr size_t kMaxEventBytes = 4u << 20;

    // Adds a record line found at `spot` of the trail. Returns false (and
    // keeps nothing) when the line is not a well-formed record (no type,
    // malformed or out-of-range stamp).
    bool add(std::string_view line, bool mark, const TrailSpot &spot = {});
    // Completes every open event.
    void finish();
    // The next complete event, in completion order. What `event` held
    // before is taken back for reuse.
    bool takeComplete(AssembledEvent *event);
    // The stamp of the record that add() last accepted.
    const AuditStamp &lastStamp() const { return header_.stamp; }

private:
    struct Key {
        uint64_t serial;
        int64_t ms;
        std::string node;
        bool operator==(const Key &o) const
        {
            return serial == o.serial && ms == o.ms && node == o.node;
        }
    };
    struct KeyHash {
        size_t operator()(const Key &k) const
        {
            return std::hash<uint64_t>()(k.serial * 1000003u + uint64_t(k.ms))
                ^ std::hash<std::string>()(k.node);
        }
    };
    using OpenMap = std::map<uint64_t, AssembledEvent>; // by creation order
    void complete(OpenMap::iterator it);

    OpenMap open_;
    // The open event the last record went to: the next record mostly
    // belongs to it too, and is then added without a look-up.
    OpenMap::iterator last_;
    bool hasLast_ = false;
    RecordLine header_;
    // The stamp of the last record, whose text the next record mostly repeats.
    std::string lastStampText_;
    StampHint lastStamp_;
    std::unordered_map<Key, uint64_t, KeyHash> byKey_;
    uint64_t created_ = 0;
    std::deque<AssembledEvent> done_;
    // Text buffers of events handed out, used again for new events so
    // that an event's text does not grow through allocations.
    std::vector<std::string> spare_;
    size_t openBytes_ = 0;
    int64_t newestSec_ = 0;
};

} // namespace kvrtools
