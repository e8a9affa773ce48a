#pragma once
// What the summary takes from one audit record, and the record parser that
// takes it: parseRecord() reads one raw record line (without its ENRICHED
// part) of a given type into the items of its event (pid, login uid,
// success, host, terminal, executable, command, files, keys), following the
// field rules of the stock audit tools' summary so that every figure stays
// the same. The text is scanned in place; a record whose fields break those
// rules is malformed, and the stock tool then leaves its whole event out.

#include <string>
#include <vector>

namespace kvrreport {

constexpr unsigned kUnsetLoginUid = 0xFFFFFFFEu; // "no login uid seen yet"

// Whether the event's action succeeded, as far as its records say.
enum class Outcome { Unknown, Failed, Succeeded };

// A text value that may be absent.
struct Value {
    bool set = false;
    std::string text;
    void assign(const char *b, const char *e)
    {
        set = true;
        text.assign(b, e);
    }
    void assign(const char *s)
    {
        set = true;
        text.assign(s);
    }
    void clear()
    {
        set = false;
        text.clear();
    }
};

// The items of one event that the summary counts.
struct Items {
    int pid = -1;
    Outcome success = Outcome::Unknown;
    unsigned loginuid = kUnsetLoginUid;
    int syscall = 0;
    Value hostname, cwd, exe, terminal, comm;
    std::vector<std::string> files;
    std::vector<std::string> keys;
};

// Takes the items of one record of type `type` (an AUDIT_* number) into
// `items`. `msg` is the record text, NUL-terminated, `len` bytes long; it
// may be modified. Returns false when the record is malformed.
bool parseRecord(int type, char *msg, size_t len, Items &items);

} // namespace kvrreport
