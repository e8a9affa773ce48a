// Grouping record lines into events with bounded memory (see
// eventassembler.h).
#include "eventassembler.h"

#include "recordline.h"

namespace kvrtools {

void EventAssembler::complete(OpenMap::iterator it)
{
    AssembledEvent &e = it->second;
    if (hasLast_ && it == last_)
        hasLast_ = false;
    openBytes_ -= e.text.size();
    byKey_.erase(Key{e.stamp.serial, e.stamp.ms(), e.node});
    done_.push_back(std::move(e));
    open_.erase(it);
}

bool EventAssembler::add(std::string_view line, bool mark, const TrailSpot &spot)
{
    RecordLine &r = header_;
    if (!r.parseHeader(line, false, lastStamp_.text.empty() ? nullptr : &lastStamp_))
        return false;
    if (r.stampText != lastStamp_.text) {
        lastStampText_.assign(r.stampText);
        lastStamp_ = {lastStampText_, r.stamp};
    }
    const AuditStamp &s = r.stamp;
    // The end-of-event timeout: events more than two seconds older than
    // this record are complete (looked for from the oldest created on).
    if (s.sec > newestSec_) {
        newestSec_ = s.sec;
        while (!open_.empty() && open_.begin()->second.stamp.sec + 2 < s.sec)
            complete(open_.begin());
    }
    OpenMap::iterator it = open_.end();
    if (hasLast_) {
        const AssembledEvent &last = last_->second;
        if (last.stamp.serial == s.serial && last.stamp.ms() == s.ms() && last.node == r.node)
            it = last_;
    }
    if (it == open_.end()) {
        Key key{s.serial, s.ms(), std::string(r.node)};
        auto found = byKey_.find(key);
        if (found != byKey_.end()) {
            it = open_.find(found->second);
        } else if (r.type != "EOE") {
            while (!open_.empty() && (open_.size() >= kMaxOpen || openBytes_ > kMaxOpenBytes))
                complete(open_.begin());
            AssembledEvent e;
            if (!spare_.empty()) {
                e.text.swap(spare_.back());
                spare_.pop_back();
            }
            e.node = key.node;
            e.stamp = s;
            e.whole = true;
            e.file = spot.file;
            e.offset = spot.offset;
            it = open_.emplace(created_, std::move(e)).first;
            byKey_.emplace(std::move(key), created_);
            ++created_;
        }
    }
    if (r.type == "EOE") { // ends its event; not a record of it
        if (it != open_.end())
            complete(it);
        return true;
    }
    last_ = it;
    hasLast_ = true;
    AssembledEvent &e = it->second;
    e.whole =
        e.whole && spot.newline && spot.file == e.file && spot.offset == e.offset + e.text.size();
    e.text.append(line);
    e.text += '\n';
    e.marked = e.marked || mark;
    openBytes_ += line.size() + 1;
    if (e.text.size() > kMaxEventBytes)
        complete(it);
    return true;
}

void EventAssembler::finish()
{
    while (!open_.empty())
        complete(open_.begin());
}

bool EventAssembler::takeComplete(AssembledEvent *event)
{
    if (done_.empty())
        return false;
    std::swap(*event, done_.front());
    if (spare_.size() < 64) {
        spare_.push_back(std::move(done_.front().text));
        spare_.back().clear();
    }
    done_.pop_front();
    return true;
}

} // namespace kvrtools
