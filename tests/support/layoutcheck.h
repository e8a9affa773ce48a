#pragma once
// Checks that the interpreted output of ausearch has only the tool's own
// layout: per event a "----" line, a "时间->" header without labels, then
// record lines "类型=... 日期: <stamp> ..." of which the first, and only it,
// carries "用户id: <word>" (without -f, every event; with -f, only the first
// event of each run: at most one per event, exactly one per run). Used by the fuzz target, the
// replay driver and the tool tests, so that a value from the trail can never add a line, a date or
// a user that the report pipelines would count.

#include <cstddef>
#include <string>
#include <string_view>

namespace layoutcheck {

inline size_t count(std::string_view text, std::string_view what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string_view::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

inline bool isDigits(std::string_view s, size_t at, size_t n)
{
    if (at + n > s.size())
        return false;
    for (size_t i = at; i < at + n; ++i)
        if (s[i] < '0' || s[i] > '9')
            return false;
    return true;
}

// "YYYY-MM-DD HH:MM:SS.mmm" at the start of `s`.
inline bool isStamp(std::string_view s)
{
    return s.size() >= 23 && isDigits(s, 0, 4) && s[4] == '-' && isDigits(s, 5, 2) && s[7] == '-'
        && isDigits(s, 8, 2) && s[10] == ' ' && isDigits(s, 11, 2) && s[13] == ':'
        && isDigits(s, 14, 2) && s[16] == ':' && isDigits(s, 17, 2) && s[19] == '.'
        && isDigits(s, 20, 3);
}

// Returns an empty string when `out` is well formed and holds `events`
// events, else a description of the first fault. `runs` < 0: every event
// has its 用户id: line; else exactly `runs` events have one (-f).
inline std::string check(std::string_view out, size_t events, long runs = -1)
{
    static constexpr std::string_view date = "日期:", user = "用户id:";
    if (out.empty())
        return events == 0 ? std::string() : "no output for matching events";
    if (out.back() != '\n')
        return "output does not end with a newline";
    for (unsigned char c : out)
        if ((c < 0x20 && c != '\n') || c == 0x7F)
            return "a control byte reached the output";
    if (out.find("时间范围") != std::string_view::npos)
        return "the summary label 时间范围 appears";
    size_t seen = 0, users = 0;
    int state = 0; // 0: expect ----, 1: expect header, 2: expect first record, 3: records
    size_t lineNo = 0;
    for (size_t start = 0; start < out.size();) {
        size_t end = out.find('\n', start);
        std::string_view line = out.substr(start, end - start);
        start = end + 1;
        ++lineNo;
        const std::string where = " (line " + std::to_string(lineNo) + ")";
        if (line == "----") {
            if (state == 1 || state == 2)
                return "event without records" + where;
            state = 1;
            ++seen;
            continue;
        }
        if (state == 0)
            return "output does not start with ----" + where;
        if (state == 1) {
            if (line.rfind("时间->", 0) != 0
                || !isStamp(line.substr(std::string_view("时间->").size())))
                return "bad header line" + where;
            if (count(line, date) || count(line, user))
                return "a label in a header line" + where;
            state = 2;
            continue;
        }
        if (line.rfind("类型=", 0) != 0)
            return "a line the tool did not write" + where;
        if (count(line, date) != 1)
            return "a record line without exactly one 日期:" + where;
        size_t d = line.find(date);
        if (d + date.size() >= line.size() || line[d + date.size()] != ' '
            || !isStamp(line.substr(d + date.size() + 1)))
            return "no date word after 日期:" + where;
        const size_t here = count(line, user);
        if (state == 2) {
            if (here > 1 || (here == 0 && runs < 0))
                return "the first record line lacks exactly one 用户id:" + where;
            if (here == 1) {
                size_t u = line.find(user) + user.size();
                if (u + 1 >= line.size() || line[u] != ' ' || line[u + 1] == ' ')
                    return "no user word after 用户id:" + where;
                ++users;
            }
            state = 3;
        } else if (here != 0) {
            return "a 用户id: after the first record line of an event" + where;
        }
    }
    if (state == 1 || state == 2)
        return "the last event has no records";
    if (seen != events)
        return "event count " + std::to_string(seen) + " differs from " + std::to_string(events);
    if (runs >= 0 && users != size_t(runs))
        return "用户id: count " + std::to_string(users) + " differs from " + std::to_string(runs)
            + " runs";
    return {};
}

} // namespace layoutcheck
