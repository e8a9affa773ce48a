// Taking an audit record line apart: header, fields (user-space msg='...'
// parts flattened in place), ENRICHED names (see recordline.h).
#include "recordline.h"

#include <algorithm>

namespace kvrtools {

namespace {

// Appends the NAME=VALUE fields of `text` to `out`. A value is a quoted
// string ("..."), a user-space message (msg='...', whose fields are taken
// in its place), or a word. Words without '=' are passed over.
void splitFields(std::string_view text, std::vector<RecordField> &out, int depth)
{
    size_t p = 0;
    const size_t n = text.size();
    bool inParens = false;
    while (p < n) {
        while (p < n && text[p] == ' ')
            ++p;
        if (p >= n)
            break;
        size_t wordEnd = text.find(' ', p);
        if (wordEnd == std::string_view::npos)
            wordEnd = n;
        const size_t eq = text.find('=', p);
        if (eq == std::string_view::npos || eq >= wordEnd || eq == p) {
            p = wordEnd;
            continue;
        }
        std::string_view name = text.substr(p, eq - p);
        // Older user-space records: exe="..." (hostname=?, addr=..., res=x)
        if (name.size() > 1 && name[0] == '(') {
            name.remove_prefix(1);
            inParens = true;
        }
        size_t v = eq + 1;
        if (v < n && text[v] == '"') {
            size_t close = text.find('"', v + 1);
            close = close == std::string_view::npos ? n : close + 1;
            out.push_back({name, text.substr(v, close - v)});
            p = close;
        } else if (v < n && text[v] == '\'' && name == "msg" && depth == 0) {
            // The message runs to the last quote of the record.
            size_t close = text.rfind('\'');
            if (close <= v)
                close = n;
            splitFields(text.substr(v + 1, close - v - 1), out, depth + 1);
            p = std::min(n, close + 1);
        } else {
            std::string_view value = text.substr(v, wordEnd - v);
            if (inParens && !value.empty() && (value.back() == ',' || value.back() == ')')) {
                inParens = value.back() == ',';
                value.remove_suffix(1);
            }
            if (!value.empty()) // "subj= res=x": an empty word is no field
                out.push_back({name, value});
            p = wordEnd;
        }
    }
}

} // namespace

bool RecordLine::parseHeader(std::string_view line, bool withBody, const StampHint *hint)
{
    node = {};
    type = {};
    stampText = {};
    body = {};
    enriched = {};
    hasEnriched = false;
    fields.clear();
    std::string_view rest = line;
    if (rest.substr(0, 5) == "node=") {
        const size_t sp = rest.find(' ');
        if (sp == std::string_view::npos)
            return false;
        node = rest.substr(5, sp - 5);
        rest.remove_prefix(sp + 1);
    }
    if (rest.substr(0, 5) != "type=")
        return false;
    const size_t sp = rest.find(' ');
    if (sp == std::string_view::npos || sp == 5)
        return false;
    type = rest.substr(5, sp - 5);
    rest.remove_prefix(sp + 1);
    if (rest.substr(0, 10) != "msg=audit(")
        return false;
    size_t after = 0;
    // Only a hint ending in "):" is taken: the same bytes then read the same.
    if (hint && hint->text.size() > 12 && hint->text.back() == ':'
        && rest.substr(0, hint->text.size()) == hint->text) {
        stamp = hint->stamp;
        after = hint->text.size();
    } else if (!parseAuditStamp(rest, &stamp, &after)) {
        return false;
    }
    stampText = rest.substr(0, after);
    rest.remove_prefix(after);
    if (!withBody)
        return true;
    const size_t gs = rest.find('\x1d');
    if (gs != std::string_view::npos) {
        enriched = rest.substr(gs + 1);
        hasEnriched = true;
        rest = rest.substr(0, gs);
    }
    body = rest;
    return true;
}

bool RecordLine::parse(std::string_view line, const StampHint *hint)
{
    if (!parseHeader(line, true, hint))
        return false;
    splitFields(body, fields, 0);
    return true;
}

bool RecordLine::find(std::string_view name, std::string_view *value) const
{
    for (const RecordField &f : fields)
        if (f.name == name) {
            *value = f.value;
            return true;
        }
    return false;
}

void EnrichedNames::parse()
{
    parsed_ = true;
    pairs_.clear();
    std::string_view rest(text_);
    while (!rest.empty()) {
        size_t start = rest.find_first_not_of(' ');
        if (start == std::string_view::npos)
            break;
        rest.remove_prefix(start);
        size_t eq = rest.find('=');
        size_t sp = rest.find(' ');
        if (eq == std::string_view::npos || (sp != std::string_view::npos && sp < eq)) {
            rest = sp == std::string_view::npos ? std::string_view() : rest.substr(sp);
            continue;
        }
        std::string_view name = rest.substr(0, eq);
        rest.remove_prefix(eq + 1);
        std::string_view value;
        if (!rest.empty() && rest[0] == '"') {
            size_t close = rest.find('"', 1);
            if (close == std::string_view::npos)
                close = rest.size();
            value = rest.substr(1, close - 1);
            rest.remove_prefix(std::min(rest.size(), close + 1));
        } else {
            size_t end = rest.find(' ');
            value = rest.substr(0, end);
            rest = end == std::string_view::npos ? std::string_view() : rest.substr(end);
        }
        pairs_.push_back({name, value});
    }
}

bool EnrichedNames::find(std::string_view field, std::string_view *value)
{
    if (!parsed_)
        parse();
    for (const RecordField &p : pairs_) {
        if (p.name.size() != field.size())
            continue;
        bool same = true;
        for (size_t i = 0; i < field.size() && same; ++i) {
            char c = field[i];
            if (c >= 'a' && c <= 'z')
                c = char(c - 'a' + 'A');
            same = c == p.name[i];
        }
        if (same) {
            *value = p.value;
            return true;
        }
    }
    return false;
}

} // namespace kvrtools
