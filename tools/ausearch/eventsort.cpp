// Time order of the selected events: in-memory sort up to a bound, sorted
// runs in temporary files beyond it, and their merge (see eventsort.h).
#include "eventsort.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace kvrtools {

// A sorted run in a temporary file: records of (ms, serial, seq, length,
// text), read back one at a time.
struct EventSorter::Run {
    static constexpr size_t kRunBuffer = 512 * 1024;
    std::vector<char> buffer; // declared first: outlives the FILE using it
    std::FILE *file = nullptr;
    int64_t ms = 0;
    uint64_t serial = 0, seq = 0;
    std::string text;
    bool has = false;

    ~Run()
    {
        if (file)
            std::fclose(file);
    }
    // Reads the next record; false at the end or on a read error (then
    // `broken` is set).
    bool advance(bool *broken)
    {
        uint64_t head[4];
        has = false;
        if (std::fread(head, sizeof head, 1, file) != 1) {
            *broken = std::ferror(file) != 0;
            return false;
        }
        ms = int64_t(head[0]);
        serial = head[1];
        seq = head[2];
        text.resize(size_t(head[3]));
        if (head[3] && std::fread(text.data(), 1, text.size(), file) != text.size()) {
            *broken = true;
            return false;
        }
        has = true;
        return true;
    }
};

EventSorter::EventSorter(size_t memoryBound) : bound_(memoryBound)
{
}

EventSorter::~EventSorter() = default;

bool EventSorter::fail(const char *what)
{
    failed_ = true;
    error_ = std::string("cannot use a temporary file to sort events (") + what
        + "): " + std::strerror(errno ? errno : EIO);
    return false;
}

void EventSorter::sortMemory()
{
    std::sort(entries_.begin(), entries_.end(), [](const Entry &a, const Entry &b) {
        if (a.ms != b.ms)
            return a.ms < b.ms;
        if (a.serial != b.serial)
            return a.serial < b.serial;
        return a.seq < b.seq;
    });
}

bool EventSorter::spill()
{
    sortMemory();
    auto run = std::make_unique<Run>();
    run->file = std::tmpfile();
    if (!run->file)
        return fail("create");
    // Large buffers: few system calls for the write and the read back.
    run->buffer.resize(Run::kRunBuffer);
    std::setvbuf(run->file, run->buffer.data(), _IOFBF, run->buffer.size());
    for (const Entry &e : entries_) {
        const uint64_t head[4] = {uint64_t(e.ms), e.serial, e.seq, e.len};
        if (std::fwrite(head, sizeof head, 1, run->file) != 1
            || std::fwrite(arena_.data() + e.at, 1, e.len, run->file) != e.len)
            return fail("write");
    }
    if (std::fflush(run->file) != 0 || std::fseek(run->file, 0, SEEK_SET) != 0)
        return fail("write");
    runs_.push_back(std::move(run));
    entries_.clear();
    arena_.clear();
    return true;
}

bool EventSorter::add(int64_t ms, uint64_t serial, std::string_view text)
{
    if (failed_)
        return false;
    entries_.push_back({ms, serial, seq_++, arena_.size(), text.size()});
    arena_.append(text);
    ++count_;
    if (arena_.size() + entries_.size() * sizeof(Entry) > bound_)
        return spill();
    return true;
}

bool EventSorter::finish()
{
    if (failed_)
        return false;
    if (!runs_.empty()) {
        if (!entries_.empty() && !spill())
            return false;
        bool broken = false;
        for (auto &r : runs_)
            r->advance(&broken);
        if (broken)
            return fail("read");
        merging_ = true;
        return true;
    }
    sortMemory();
    nextEntry_ = 0;
    return true;
}

bool EventSorter::next(std::string_view *text)
{
    if (failed_)
        return false;
    if (!merging_) {
        if (nextEntry_ >= entries_.size())
            return false;
        const Entry &e = entries_[nextEntry_++];
        *text = std::string_view(arena_.data() + e.at, e.len);
        return true;
    }
    Run *best = nullptr;
    for (auto &r : runs_) {
        if (!r->has)
            continue;
        if (!best || r->ms < best->ms
            || (r->ms == best->ms
                && (r->serial < best->serial || (r->serial == best->serial && r->seq < best->seq))))
            best = r.get();
    }
    if (!best)
        return false;
    current_.swap(best->text);
    bool broken = false;
    best->advance(&broken);
    if (broken) {
        fail("read");
        return false;
    }
    *text = current_;
    return true;
}

} // namespace kvrtools
