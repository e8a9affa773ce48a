// Time order of the selected events: an in-memory sort up to a bound, sorted
// runs in one temporary file beyond it, and their merge (see eventsort.h).
#include "eventsort.h"

#include "auditstamp.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace kvrtools {

namespace {

// Text is copied into blocks of a 32nd of the bound, at most this size (a
// longer event gets a block of its own), so the arena never moves what it
// holds.
constexpr size_t kBlockSize = 1 << 20;
// Runs are written through a buffer of this size and read back through one
// of kRunBuffer per run.
constexpr size_t kWriteBuffer = 1 << 20;
constexpr size_t kRunBuffer = 64 * 1024;
// A run record: ms, serial, seq, text length, then the text; or, with
// kPlaced set in the length, the file and offset of the text in the trail.
constexpr size_t kHeadSize = 4 * sizeof(uint64_t);
constexpr size_t kPlaceSize = 2 * sizeof(uint64_t);
constexpr uint64_t kPlaced = uint64_t(1) << 63;

// Time order; events of the same millisecond and serial in the order added.
bool earlier(const EventSorter::Key &a, const EventSorter::Key &b)
{
    if (a.ms != b.ms)
        return a.ms < b.ms;
    if (a.serial != b.serial)
        return a.serial < b.serial;
    return a.seq < b.seq;
}

// Sorts [first, last): audit trails are mostly in time order already, so
// an insertion sort, linear on them, goes first; past a few moves per
// element it hands over to std::sort.
template <class It, class Less> void sortMostlySorted(It first, It last, Less less)
{
    if (first == last)
        return;
    size_t budget = 8 * size_t(last - first) + 64;
    It previous = first;
    for (It i = std::next(first); i != last; previous = i, ++i) {
        if (!less(*i, *previous))
            continue;
        auto held = std::move(*i);
        It hole = i;
        do {
            It before = std::prev(hole);
            *hole = std::move(*before);
            hole = before;
            if (--budget == 0) {
                *hole = std::move(held);
                std::sort(first, last, less);
                return;
            }
        } while (hole != first && less(held, *std::prev(hole)));
        *hole = std::move(held);
    }
}

ssize_t preadAll(int fd, char *buf, size_t size, off_t offset)
{
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, buf + done, size - done, offset + off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? -1 : ssize_t(done);
        done += size_t(n);
    }
    return ssize_t(done);
}

} // namespace

// A sorted run: a stretch [pos, end) of the temporary file, read through a
// small buffer, one record at a time.
struct EventSorter::Run {
    off_t pos = 0, end = 0;
    std::vector<char> buf;
    size_t at = 0, have = 0; // unread bytes: buf[at, have)
    std::string big;         // a record longer than the buffer
    Key key{};
    std::string_view text; // when not placed
    bool placed = false;
    EventPlace place;
    size_t len = 0;

    // Makes `want` bytes available at buf[at]: 0, or the errno of the
    // failed read (EIO when the file ends short).
    int ensure(int fd, size_t want)
    {
        if (have - at >= want)
            return 0;
        std::memmove(buf.data(), buf.data() + at, have - at);
        have -= at;
        at = 0;
        const size_t room = std::min(buf.size() - have, size_t(end - pos));
        const ssize_t n = preadAll(fd, buf.data() + have, room, pos);
        if (n < 0)
            return errno;
        pos += n;
        have += size_t(n);
        return have - at >= want ? 0 : EIO;
    }
};

EventSorter::EventSorter(size_t memoryBound)
    : bound_(memoryBound), blockSize_(std::clamp<size_t>(memoryBound / 32, 4096, kBlockSize))
{
}

EventSorter::~EventSorter()
{
    if (file_)
        std::fclose(file_);
}

bool EventSorter::fail(const char *what, int error)
{
    failed_ = true;
    errno_ = error ? error : EIO;
    error_ = std::string("cannot use a temporary file to sort events (") + what
        + "): " + std::strerror(errno_);
    return false;
}

char *EventSorter::store(std::string_view text, uint64_t *block)
{
    if (blocks_.empty() || blocks_.back().size - blocks_.back().used < text.size()) {
        Block b;
        if (text.size() <= blockSize_ && !spare_.empty()) {
            b = std::move(spare_.back());
            spare_.pop_back();
            b.used = 0;
        } else {
            b.size = std::max(blockSize_, text.size());
            b.data.reset(new char[b.size]);
        }
        b.number = nextBlock_++;
        blockBytes_ += b.size;
        blocks_.push_back(std::move(b));
    }
    Block &b = blocks_.back();
    char *at = b.data.get() + b.used;
    if (!text.empty())
        std::memcpy(at, text.data(), text.size());
    b.used += text.size();
    *block = b.number;
    return at;
}

bool EventSorter::add(int64_t ms, uint64_t serial, std::string_view text, const EventPlace *place)
{
    if (failed_)
        return false;
    // An event without text counts as one of the last block, so that
    // freeing blocks up to it never frees text added after it.
    uint64_t block = blocks_.empty() ? nextBlock_ : blocks_.back().number;
    const char *at = place ? nullptr : store(text, &block);
    // Room for as many entries as the bound lets be held, taken once (the
    // pages are used as entries come), so the index never moves as it grows.
    if (entries_.capacity() == 0)
        entries_.reserve(bound_ / sizeof(Entry) + 2);
    if (entries_.size() == entries_.capacity())
        dropSpilled();
    entries_.push_back(
        {{ms, serial, seq_++}, at, place ? *place : EventPlace(), text.size(), block});
    ++count_;
    if (blockBytes_ + (entries_.size() - head_) * sizeof(Entry) > bound_)
        return spill();
    return true;
}

bool EventSorter::writeAll(const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd_, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail("write", n < 0 ? errno : ENOSPC);
        data += n;
        size -= size_t(n);
        fileSize_ += n;
    }
    return true;
}

bool EventSorter::writeOut(const void *data, size_t size)
{
    const char *p = static_cast<const char *>(data);
    if (out_.size() + size > kWriteBuffer && !flushOut())
        return false;
    if (size >= kWriteBuffer)
        return writeAll(p, size);
    out_.insert(out_.end(), p, p + size);
    return true;
}

bool EventSorter::flushOut()
{
    const bool ok = writeAll(out_.data(), out_.size());
    out_.clear();
    return ok;
}

// Writes the oldest-added eighth of the bound (at least one event) as a
// sorted run and frees the blocks that held only those events.
bool EventSorter::spill()
{
    if (!file_) {
        file_ = std::tmpfile();
        if (!file_)
            return fail("create", errno);
        fd_ = ::fileno(file_);
        out_.reserve(kWriteBuffer);
    }
    // The slice is sorted where it is: its entries go.
    const auto from = entries_.begin() + std::ptrdiff_t(head_);
    auto to = from;
    size_t bytes = 0;
    const size_t slice = std::max<size_t>(bound_ / 8, 1);
    while (to != entries_.end() && (to == from || bytes < slice)) {
        bytes += sizeof(Entry) + (to->text ? to->len : 0);
        ++to;
    }
    sortMostlySorted(from, to,
                     [](const Entry &a, const Entry &b) { return earlier(a.key, b.key); });
    auto run = std::make_unique<Run>();
    run->pos = fileSize_;
    for (auto it = from; it != to; ++it) {
        const Entry &e = *it;
        const uint64_t head[4] = {uint64_t(e.key.ms), e.key.serial, e.key.seq,
                                  e.len | (e.text ? 0 : kPlaced)};
        const uint64_t place[2] = {e.place.file, e.place.offset};
        if (!writeOut(head, sizeof head)
            || !(e.text ? writeOut(e.text, e.len) : writeOut(place, sizeof place)))
            return false;
    }
    if (!flushOut())
        return false;
    run->end = fileSize_;
    runs_.push_back(std::move(run));
    head_ += size_t(to - from);
    if (head_ >= entries_.size() / 2)
        dropSpilled();
    // Blocks before the one holding the oldest event left are free.
    const uint64_t keep = head_ == entries_.size() ? nextBlock_ : entries_[head_].block;
    while (!blocks_.empty() && blocks_.front().number < keep) {
        blockBytes_ -= blocks_.front().size;
        if (blocks_.front().size == blockSize_ && spare_.size() < bound_ / 8 / blockSize_ + 1)
            spare_.push_back(std::move(blocks_.front()));
        blocks_.pop_front();
    }
    return true;
}

void EventSorter::dropSpilled()
{
    entries_.erase(entries_.begin(), entries_.begin() + std::ptrdiff_t(head_));
    head_ = 0;
}

bool EventSorter::less(size_t a, size_t b) const
{
    auto key = [this](size_t s) -> const Key & {
        return s < runs_.size() ? runs_[s]->key : entries_[nextEntry_].key;
    };
    return earlier(key(a), key(b));
}

// Moves a merge source to its next event; false when it has none left or
// on a read error (then failed() is set).
bool EventSorter::advance(size_t source)
{
    if (source >= runs_.size()) {
        ++nextEntry_;
        return nextEntry_ < entries_.size();
    }
    Run &r = *runs_[source];
    if (r.pos >= r.end && r.at == r.have)
        return false;
    if (const int error = r.ensure(fd_, kHeadSize))
        return fail("read", error);
    uint64_t head[4];
    std::memcpy(head, r.buf.data() + r.at, sizeof head);
    r.at += kHeadSize;
    r.key = {int64_t(head[0]), head[1], head[2]};
    r.placed = (head[3] & kPlaced) != 0;
    const size_t len = size_t(head[3] & ~kPlaced);
    r.len = len;
    if (r.placed) {
        if (const int error = r.ensure(fd_, kPlaceSize))
            return fail("read", error);
        uint64_t place[2];
        std::memcpy(place, r.buf.data() + r.at, sizeof place);
        r.at += kPlaceSize;
        r.place = {uint32_t(place[0]), place[1]};
        return true;
    }
    if (len <= r.buf.size()) {
        if (const int error = r.ensure(fd_, len))
            return fail("read", error);
        r.text = std::string_view(r.buf.data() + r.at, len);
        r.at += len;
        return true;
    }
    // Longer than the buffer: what the buffer holds, then the rest.
    const size_t inBuffer = r.have - r.at;
    r.big.assign(r.buf.data() + r.at, inBuffer);
    r.at = r.have = 0;
    r.big.resize(len);
    const ssize_t n = preadAll(fd_, r.big.data() + inBuffer, len - inBuffer, r.pos);
    if (n < 0 || size_t(n) != len - inBuffer)
        return fail("read", n < 0 ? errno : EIO);
    r.pos += n;
    r.text = r.big;
    return true;
}

bool EventSorter::textOf(const Key &key, const char *text, const EventPlace &place, size_t len,
                         std::string_view *out)
{
    if (text) {
        *out = std::string_view(text, len);
        return true;
    }
    std::string error;
    if (!fetch_ || !fetch_(place, len, out, &error)) {
        failed_ = trailFailed_ = true;
        error_ = error.empty() ? "cannot read the trail again" : error;
        return false;
    }
    // The bytes must still be the event's: a trail rewritten meanwhile
    // would otherwise put other records at this place in the order.
    AuditStamp stamp;
    if (!parseAuditStamp(out->substr(0, out->find('\n')), &stamp) || stamp.ms() != key.ms
        || stamp.serial != key.serial) {
        failed_ = trailFailed_ = true;
        error_ = "the trail changed while it was read: an event is no longer where it was";
        return false;
    }
    return true;
}

bool EventSorter::finish()
{
    if (failed_)
        return false;
    // Sorted where they are: a copy would double the memory held.
    dropSpilled();
    sortMostlySorted(entries_.begin(), entries_.end(),
                     [](const Entry &a, const Entry &b) { return earlier(a.key, b.key); });
    nextEntry_ = 0;
    if (runs_.empty())
        return true;
    std::vector<char>().swap(out_);
    std::vector<Block>().swap(spare_);
    merging_ = true;
    auto later = [this](size_t a, size_t b) { return less(b, a); };
    for (size_t s = 0; s < runs_.size(); ++s) {
        runs_[s]->buf.resize(kRunBuffer);
        if (advance(s))
            heap_.push_back(s);
        else if (failed_)
            return false;
    }
    if (!entries_.empty())
        heap_.push_back(runs_.size());
    std::make_heap(heap_.begin(), heap_.end(), later);
    return true;
}

bool EventSorter::next(std::string_view *text, bool *lasting)
{
    if (failed_)
        return false;
    if (!merging_) {
        if (nextEntry_ >= entries_.size())
            return false;
        const Entry &e = entries_[nextEntry_++];
        if (lasting)
            *lasting = e.text != nullptr;
        return textOf(e.key, e.text, e.place, e.len, text);
    }
    auto later = [this](size_t a, size_t b) { return less(b, a); };
    if (pending_) {
        // The source of the event handed out last moves on only now, so
        // that its text stayed valid until this call.
        pending_ = false;
        std::pop_heap(heap_.begin(), heap_.end(), later);
        if (advance(heap_.back()))
            std::push_heap(heap_.begin(), heap_.end(), later);
        else if (failed_)
            return false;
        else
            heap_.pop_back();
    }
    if (heap_.empty())
        return false;
    const size_t top = heap_.front();
    pending_ = true;
    if (top < runs_.size()) {
        const Run &r = *runs_[top];
        if (lasting)
            *lasting = false;
        if (!r.placed) {
            *text = r.text;
            return true;
        }
        return textOf(r.key, nullptr, r.place, r.len, text);
    }
    const Entry &e = entries_[nextEntry_];
    if (lasting)
        *lasting = e.text != nullptr;
    return textOf(e.key, e.text, e.place, e.len, text);
}

} // namespace kvrtools
