// The summary's scan of a trail: cuts its lines into records as the stock
// reader does, groups the records into events, parses each record as it
// arrives and counts every complete event into the figures of the summary.
// The memory it holds is bounded (see summaryscan.h).
#include "summaryscan.h"
#include "recordparse.h"

// The message type numbers and names come from libaudit.
#include <libaudit.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string_view>

namespace kvrreport {

namespace {

// The events being assembled may hold this much; a trail that keeps more
// events open at once cannot be summarised in bounded memory.
constexpr size_t kPendingBudget = size_t(32) << 20;
// What an event costs besides its texts and hashes (the event with its
// items, its list and map nodes, allocator overhead).
constexpr size_t kEventOverhead = 640;

int msgType(const char *name)
{
    static std::unordered_map<std::string, int> cache;
    auto it = cache.find(name);
    if (it != cache.end())
        return it->second;
    int t = audit_name_to_msg_type(name);
    if (cache.size() < 4096)
        cache.emplace(name, t);
    return t;
}

uint64_t hashOf(std::string_view s)
{
    return std::hash<std::string_view>()(s);
}

// strsplit of the audit userspace: words separated by one or more blanks.
struct Splitter {
    char *rest = nullptr;
    char *next(char *start)
    {
        if (start) {
            rest = start;
        } else {
            if (!rest)
                return nullptr;
            ++rest;
        }
        while (true) {
            char *blank = std::strchr(rest, ' ');
            if (blank) {
                if (blank == rest) {
                    ++rest;
                    continue;
                }
                char *word = rest;
                *blank = 0;
                rest = blank;
                return word;
            }
            char *word = rest;
            rest = nullptr;
            return *word ? word : nullptr;
        }
    }
};

// Time stamp of "msg=audit(SEC.MILLI:SERIAL)". False: malformed, which
// includes a second that overflows or lies after the year 9999.
bool readStamp(char *s, int64_t *sec, unsigned *milli, unsigned long *serial)
{
    errno = 0;
    unsigned long v = std::strtoul(s, nullptr, 10);
    if (errno || v > static_cast<unsigned long>(kvrtools::lastAuditSecond()))
        return false;
    *sec = static_cast<int64_t>(v);
    char *ptr = std::strchr(s, '.');
    if (ptr) {
        ++ptr;
        unsigned long m = std::strtoul(ptr, nullptr, 10);
        if (errno || m > 999)
            return false;
        *milli = static_cast<unsigned>(m);
        s = ptr;
    } else {
        *milli = 0;
    }
    ptr = std::strchr(s, ':');
    if (ptr) {
        *serial = std::strtoul(ptr + 1, nullptr, 10);
        if (errno)
            return false;
    } else {
        *serial = 0;
    }
    return true;
}

// Types whose event is complete with its first record.
bool endsAtOnce(int t)
{
    return t == AUDIT_PROCTITLE || t < AUDIT_FIRST_EVENT || t >= AUDIT_FIRST_ANOM_MSG
        || t == AUDIT_KERNEL || (t >= AUDIT_MAC_UNLBL_ALLOW && t <= AUDIT_MAC_CALIPSO_DEL);
}

// Makes `hashes` unique once it has grown well past its last unique size,
// so that an event naming the same files over and over stays small. False
// when one event alone holds more distinct values than are counted.
bool keepUnique(std::vector<uint64_t> &hashes, size_t &unique)
{
    if (hashes.size() < 2 * unique + 1024)
        return true;
    std::sort(hashes.begin(), hashes.end());
    hashes.erase(std::unique(hashes.begin(), hashes.end()), hashes.end());
    hashes.shrink_to_fit();
    unique = hashes.size();
    return unique <= kMaxDistinctValues;
}

uint64_t keyHash(int64_t sec, unsigned milli, unsigned long serial, const char *node)
{
    uint64_t h =
        uint64_t(sec) * 1000003u ^ (uint64_t(milli) << 40) ^ serial * 0x9E3779B97F4A7C15ull;
    if (node)
        h ^= hashOf(node) + 0x632BE59BD9B4E019ull;
    return h;
}

} // namespace

void HashSet64::insert(uint64_t key)
{
    if (key == 0) {
        if (!hasZero_) {
            hasZero_ = true;
            ++count_;
        }
        return;
    }
    if ((count_ + 1) * 4 > slots_.size() * 3)
        grow();
    size_t mask = slots_.size() - 1;
    size_t i = size_t(key ^ (key >> 29)) & mask;
    while (slots_[i] != 0) {
        if (slots_[i] == key)
            return;
        i = (i + 1) & mask;
    }
    slots_[i] = key;
    ++count_;
}

void HashSet64::grow()
{
    std::vector<uint64_t> old;
    old.swap(slots_);
    slots_.assign(old.empty() ? 64 : old.size() * 2, 0);
    size_t mask = slots_.size() - 1;
    for (uint64_t key : old) {
        if (key == 0)
            continue;
        size_t i = size_t(key ^ (key >> 29)) & mask;
        while (slots_[i] != 0)
            i = (i + 1) & mask;
        slots_[i] = key;
    }
}

struct SummaryScanner::Event {
    int64_t sec = 0;
    unsigned milli = 0;
    unsigned long serial = 0;
    bool hasNode = false;
    std::string node;
    uint64_t hash = 0;
    std::multimap<int64_t, EventList::iterator>::iterator bySecond;
    std::vector<int> types;            // the distinct record types, in order of arrival
    Items items;                       // files and keys move to the hashes below
    std::vector<uint64_t> files, keys; // hashes, made unique now and then
    size_t uniqueFiles = 0, uniqueKeys = 0;
    bool malformed = false; // a record broke the rules: the event is not counted
    size_t bytes = 0;       // what it holds, for the memory bound

    size_t measure() const
    {
        size_t n = kEventOverhead + node.capacity() + types.capacity() * sizeof(int)
            + (files.capacity() + keys.capacity()) * sizeof(uint64_t);
        for (const Value *v :
             {&items.hostname, &items.cwd, &items.exe, &items.terminal, &items.comm})
            n += v->text.capacity();
        return n;
    }

    bool matches(int64_t s, unsigned m, unsigned long n, const char *nd) const
    {
        return serial == n && milli == m && sec == s && hasNode == (nd != nullptr)
            && (!nd || node == nd);
    }
    bool has(int lo, int hi) const
    {
        for (int t : types)
            if (t >= lo && t <= hi)
                return true;
        return false;
    }
    bool has(int t) const { return has(t, t); }
};

SummaryScanner::SummaryScanner(int64_t startSec, int64_t endSec, long eoeTimeout)
    : startSec_(startSec), endSec_(endSec), eoeTimeout_(eoeTimeout)
{
}

SummaryScanner::SummaryScanner(const kvrtools::LocalRange &range, long eoeTimeout)
    : startSec_(INT64_MIN), endSec_(INT64_MAX), range_(range), eoeTimeout_(eoeTimeout)
{
}

SummaryScanner::~SummaryScanner() = default;

void SummaryScanner::addLine(const char *line, size_t len)
{
    if (overflow_ != Overflow::None)
        return; // the figures can no longer be right: the caller reports it
    // The record is a C string: anything after a NUL byte is not seen.
    len = strnlen(line, len);
    if (len == 0)
        return;

    // Node, type and time stamp from the first words of the line.
    char head[344];
    size_t headLen = std::min(len, size_t(line[0] == 'n' ? 340 : 80));
    std::memcpy(head, line, headLen);
    head[headLen] = 0;
    char *headEnd = head + headLen;
    Splitter split;
    char *word = split.next(head);
    if (!word)
        return;
    const char *node = nullptr;
    if (*word == 'n') {
        node = std::min(word + 5, headEnd);
        word = split.next(nullptr);
    }
    const char *typeName = word ? std::min(word + 5, headEnd) : headEnd;
    char *msg = split.next(nullptr);
    if (!msg || strnlen(msg, 20) <= 18)
        return;
    char *ptr = msg[9] == '(' ? msg + 9 : std::strchr(msg, '(');
    if (!ptr)
        return;
    ++ptr;
    if (char *close = std::strchr(ptr, ')'))
        *close = 0;
    int64_t sec;
    unsigned milli;
    unsigned long serial;
    if (!readStamp(ptr, &sec, &milli, &serial))
        return; // malformed time stamp: the line is skipped
    if (!hasRecords_ || sec < first_.sec || (sec == first_.sec && milli < first_.milli))
        first_ = {sec, milli};
    if (!hasRecords_ || sec > last_.sec || (sec == last_.sec && milli > last_.milli))
        last_ = {sec, milli};
    hasRecords_ = true;
    if (sec < startSec_ || sec > endSec_ || !range_.contains(sec * 1000 + milli))
        return;
    int type = msgType(typeName);

    // The record text: up to the ENRICHED separator, else without newline.
    std::string_view text(line, len);
    size_t cut = text.find('\x1d');
    if (cut != std::string_view::npos)
        text = text.substr(0, cut);
    else if (size_t nl = text.rfind('\n'); nl != std::string_view::npos)
        text = text.substr(0, nl);

    const uint64_t hash = keyHash(sec, milli, serial, node);
    EventList::iterator ev = pending_.end();
    for (auto [a, b] = byKey_.equal_range(hash); a != b; ++a) {
        if (a->second->matches(sec, milli, serial, node)) {
            ev = a->second;
            break;
        }
    }
    const bool isNew = ev == pending_.end();
    if (isNew) {
        if (type == AUDIT_EOE)
            return; // its event was already complete
        ev = pending_.emplace(pending_.end());
        ev->sec = sec;
        ev->milli = milli;
        ev->serial = serial;
        if (node) {
            ev->hasNode = true;
            ev->node = node;
        }
        ev->hash = hash;
        byKey_.emplace(hash, ev);
        ev->bySecond = bySecond_.emplace(sec, ev);
    }
    if (std::find(ev->types.begin(), ev->types.end(), type) == ev->types.end())
        ev->types.push_back(type);
    if (!ev->malformed) {
        Items &items = ev->items;
        scratch_.assign(text);
        ev->malformed = !parseRecord(type, scratch_.data(), scratch_.size(), items);
        for (const auto &file : items.files)
            ev->files.push_back(hashOf(file));
        for (const auto &key : items.keys)
            if (key != "(null)")
                ev->keys.push_back(hashOf(key));
        items.files.clear();
        items.keys.clear();
        if (!keepUnique(ev->files, ev->uniqueFiles) || !keepUnique(ev->keys, ev->uniqueKeys))
            overflow_ = Overflow::TooManyValues;
    }
    const size_t bytes = ev->measure();
    pendingBytes_ = pendingBytes_ - ev->bytes + bytes;
    ev->bytes = bytes;
    peakPendingBytes_ = std::max(peakPendingBytes_, pendingBytes_);
    if (pendingBytes_ > kPendingBudget)
        overflow_ = Overflow::TooManyOpenEvents;

    if (isNew) {
        if (endsAtOnce(type))
            completeEvent(ev);
        completeDue(sec);
    }
}

void SummaryScanner::completeDue(int64_t sec)
{
    while (!bySecond_.empty() && bySecond_.begin()->first + eoeTimeout_ <= sec)
        completeEvent(bySecond_.begin()->second);
}

void SummaryScanner::completeEvent(EventList::iterator ev)
{
    for (auto [a, b] = byKey_.equal_range(ev->hash); a != b; ++a) {
        if (a->second == ev) {
            byKey_.erase(a);
            break;
        }
    }
    bySecond_.erase(ev->bySecond);
    pendingBytes_ -= ev->bytes;
    countEvent(*ev);
    pending_.erase(ev);
}

void SummaryScanner::finish()
{
    while (!pending_.empty())
        completeEvent(pending_.begin());
}

void SummaryScanner::countEvent(const Event &ev)
{
    if (ev.malformed)
        return; // the stock tool leaves the whole event out
    const Items &s = ev.items;
    auto has = [&ev](int lo, int hi) { return ev.has(lo, hi); };
    auto hasType = [&ev](int t) { return ev.has(t); };
    SummaryFigures &f = figures_;
    ++f.events;

    for (int t :
         {int(AUDIT_CONFIG_CHANGE), int(AUDIT_DAEMON_CONFIG), int(AUDIT_USYS_CONFIG),
          int(AUDIT_NETFILTER_CFG), int(AUDIT_FEATURE_CHANGE), int(AUDIT_USER_MAC_CONFIG_CHANGE)})
        f.configChanges += hasType(t);
    f.configChanges += has(AUDIT_MAC_POLICY_LOAD, AUDIT_MAC_UNLBL_STCDEL);

    f.accountChanges += hasType(AUDIT_USER_CHAUTHTOK);
    f.accountChanges += has(AUDIT_ADD_USER, AUDIT_DEL_GROUP);
    f.accountChanges += hasType(AUDIT_USER_MGMT);
    f.accountChanges += hasType(AUDIT_GRP_MGMT);
    f.accountChanges += has(AUDIT_ROLE_ASSIGN, AUDIT_ROLE_REMOVE);

    f.crypto += has(AUDIT_FIRST_KERN_CRYPTO_MSG, AUDIT_LAST_KERN_CRYPTO_MSG);
    f.crypto += has(AUDIT_FIRST_CRYPTO_MSG, AUDIT_LAST_CRYPTO_MSG);

    if (hasType(AUDIT_USER_LOGIN)) {
        f.logins += s.success == Outcome::Succeeded;
        f.failedLogins += s.success == Outcome::Failed;
    }
    if (hasType(AUDIT_USER_AUTH) || (!hasType(AUDIT_USER_MGMT) && hasType(AUDIT_GRP_AUTH))) {
        f.authentications += s.success == Outcome::Succeeded;
        f.failedAuthentications += s.success == Outcome::Failed;
    } else if (hasType(AUDIT_USER_MGMT)) {
        f.failedAuthentications += s.success == Outcome::Failed;
    }

    if (overflow_ == Overflow::None) {
        if (s.loginuid != kUnsetLoginUid)
            f.users.insert(s.loginuid + 1ull); // never 0: uid 0 is a user too
        if (s.terminal.set)
            f.terminals.insert(hashOf(s.terminal.text));
        if (s.hostname.set)
            f.hosts.insert(hashOf(s.hostname.text));
        if (s.exe.set)
            f.executables.insert(hashOf(s.exe.text));
        if (s.comm.set)
            f.commands.insert(hashOf(s.comm.text));
        for (uint64_t file : ev.files)
            f.files.insert(file);
        for (uint64_t key : ev.keys)
            f.keys.insert(key);
        if (s.pid != -1)
            f.pids.insert(static_cast<uint32_t>(s.pid) + 1ull);
        const size_t distinct = f.users.size() + f.terminals.size() + f.hosts.size()
            + f.executables.size() + f.commands.size() + f.files.size() + f.keys.size()
            + f.pids.size();
        if (distinct > kMaxDistinctValues)
            overflow_ = Overflow::TooManyValues;
    }

    f.avcs += hasType(AUDIT_AVC) || hasType(AUDIT_USER_AVC);
    f.macEvents += has(AUDIT_MAC_POLICY_LOAD, AUDIT_MAC_UNLBL_STCDEL);
    f.macEvents += has(AUDIT_FIRST_USER_LSPP_MSG, AUDIT_LAST_USER_LSPP_MSG);
    f.virt += has(AUDIT_FIRST_VIRT_MSG, AUDIT_LAST_VIRT_MSG);
    f.integrity += has(AUDIT_INTEGRITY_DATA, AUDIT_INTEGRITY_LAST_MSG);
    f.failedSyscalls += s.success == Outcome::Failed && s.syscall > 0;
    f.anomalies += has(AUDIT_FIRST_ANOM_MSG, AUDIT_LAST_ANOM_MSG);
    f.anomalies += has(AUDIT_ANOM_PROMISCUOUS, AUDIT_LAST_KERN_ANOM_MSG);
    f.responses += has(AUDIT_FIRST_ANOM_RESP, AUDIT_LAST_ANOM_RESP);
}

void SummaryScanner::addPieces(const char *line, size_t len)
{
    // Cut like fgets into a buffer of kMaxAuditMessageLength bytes.
    constexpr size_t kPiece = kMaxAuditMessageLength - 1;
    while (len > kPiece) {
        addLine(line, kPiece);
        line += kPiece;
        len -= kPiece;
    }
    if (len)
        addLine(line, len);
}

void SummaryScanner::addTrailLine(std::string_view line)
{
    line_.assign(line);
    line_ += '\n';
    addPieces(line_.data(), line_.size());
}

} // namespace kvrreport
