#include "searchcore.h"

#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>

namespace kvrtools {

const char *searchUsage()
{
    return "usage: ausearch [options]\n"
           "  -i, --interpret          print the records interpreted, with Chinese labels\n"
           "  -r, --raw                print the records as they are in the trail (default)\n"
           "  -f, --file PATH          events that concern the program file PATH\n"
           "                           (exe= or a PATH record's name=; /bin and /usr/bin\n"
           "                           are the same directory, likewise /sbin and /lib)\n"
           "  -ts, --start DATE [TIME] events from DATE (00:00:00 when no TIME)\n"
           "  -te, --end DATE [TIME]   events up to DATE (the whole day when no TIME)\n"
           "                           DATE: M/D/YY, MM/DD/YYYY, today, yesterday,\n"
           "                           this-week, this-month, this-year, now\n"
           "                           TIME: HH:MM or HH:MM:SS, local time\n"
           "  -if, --input FILE|DIR    read this log file, or the audit.log* files of DIR\n"
           "                           (default: $KVR_AUDITREPORT_LOG, else the system's logs)\n"
           "  -h, --help               this text\n"
           "  --version                the version\n"
           "Standard input is never read. Exit status: 0 found, 1 nothing found,\n"
           "2 usage error, 3 the trail cannot be read, 4 the output cannot be\n"
           "written whole (disk full, file-size limit).\n"
           "Values from the trail are printed with control bytes, backslashes and\n"
           "invalid UTF-8 as \\ooo octal escapes; the colon of \"日期:\" and \"用户id:\"\n"
           "inside a value is written \\072 and the first character of \"时间范围\"\n"
           "as \\346\\227\\266, so that a value can never pose as a label.\n";
}

std::string mergedUsrTwin(const std::string &path)
{
    static const char *const dirs[] = {"/bin/", "/sbin/", "/lib/"};
    for (const char *d : dirs) {
        const size_t n = std::strlen(d);
        if (path.size() > n && path.compare(0, n, d) == 0)
            return "/usr" + path;
        if (path.size() > n + 4 && path.compare(0, 4, "/usr") == 0 && path.compare(4, n, d) == 0)
            return path.substr(4);
    }
    return {};
}

std::string normalisePath(const std::string &name, const std::string &cwd)
{
    std::string joined;
    if (!name.empty() && name[0] == '/')
        joined = name;
    else if (!cwd.empty() && cwd[0] == '/')
        joined = cwd + "/" + name;
    else
        return {};
    std::vector<std::string_view> parts;
    std::string_view rest(joined);
    while (!rest.empty()) {
        size_t slash = rest.find('/');
        std::string_view part = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    std::string out;
    for (auto p : parts) {
        out += '/';
        out.append(p);
    }
    return out.empty() ? "/" : out;
}

int parseSearchOptions(const std::vector<std::string> &args, time_t now, SearchOptions *options,
                       std::string *error)
{
    CommonOptions common;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        switch (takeCommonOption(args, &i, now, &common, error)) {
        case OptionTaken::Yes:
            continue;
        case OptionTaken::Error:
            return ExitUsage;
        case OptionTaken::No:
            break;
        }
        if (a == "-i" || a == "--interpret") {
            options->interpret = true;
        } else if (a == "-r" || a == "--raw") {
            options->interpret = false;
        } else if (a == "-f" || a == "--file") {
            if (i + 1 >= args.size() || args[i + 1].empty() || looksLikeOption(args[i + 1])) {
                *error = "option " + a + " needs a program path";
                return ExitUsage;
            }
            const std::string &v = args[++i];
            if (v[0] != '/') {
                *error = "option -f needs an absolute path, not \"" + v + "\"";
                return ExitUsage;
            }
            options->file = normalisePath(v, {});
        } else if (looksLikeOption(a)) {
            *error = a + " is an unknown option";
            return ExitUsage;
        } else {
            *error = "unexpected argument \"" + a + "\"";
            return ExitUsage;
        }
    }
    if (!checkCommonOptions(common, error))
        return ExitUsage;
    options->help = common.help;
    options->version = common.version;
    options->input = common.input;
    options->hasStart = common.hasStart;
    options->hasEnd = common.hasEnd;
    options->startMs = common.startMs;
    options->endMs = common.endMs;
    return ExitFound;
}

namespace {

// Omit: not printed in the interpreted view (see omittedField()).
enum class Kind : unsigned char { Plain, Encoded, User, Group, Arch, Syscall, Omit };

struct FieldInfo {
    // " label=" printed before the value instead of the field's own name;
    // empty: keep the name.
    std::string_view prefix;
    Kind kind;
};

// Chinese labels of the common fields. None of them contains "日期" or
// "用户id" (the owner of a file is 属主, not a user id).
struct LabelEntry {
    std::string_view name;
    FieldInfo info;
};
const LabelEntry labelEntries[] = {
    {"arch", {" 架构=", Kind::Arch}},
    {"syscall", {" 系统调用=", Kind::Syscall}},
    {"success", {" 成功=", Kind::Plain}},
    {"exit", {" 返回值=", Kind::Plain}},
    {"items", {{}, Kind::Omit}},
    {"ppid", {" 父进程号=", Kind::Plain}},
    {"pid", {" 进程号=", Kind::Plain}},
    {"auid", {" 审计用户=", Kind::User}},
    {"uid", {" 用户=", Kind::User}},
    {"euid", {" 有效用户=", Kind::User}},
    {"suid", {{}, Kind::Omit}},
    {"fsuid", {{}, Kind::Omit}},
    {"ouid", {" 属主=", Kind::User}},
    {"iuid", {" 节点属主=", Kind::User}},
    {"old-auid", {" 原审计用户=", Kind::User}},
    {"oauid", {" 对方审计用户=", Kind::User}},
    {"id", {" 账户号=", Kind::User}},
    {"gid", {" 组=", Kind::Group}},
    {"egid", {" 有效组=", Kind::Group}},
    {"sgid", {{}, Kind::Omit}},
    {"fsgid", {{}, Kind::Omit}},
    {"ogid", {" 属组=", Kind::Group}},
    {"tty", {" 终端=", Kind::Plain}},
    {"ses", {" 会话=", Kind::Plain}},
    {"comm", {" 命令=", Kind::Encoded}},
    {"exe", {" 程序=", Kind::Encoded}},
    {"key", {" 关键字=", Kind::Encoded}},
    {"name", {" 名称=", Kind::Encoded}},
    {"cwd", {" 工作目录=", Kind::Encoded}},
    {"proctitle", {" 进程标题=", Kind::Encoded}},
    {"cmd", {" 命令行=", Kind::Encoded}},
    {"acct", {" 账户=", Kind::Encoded}},
    {"terminal", {" 终端名=", Kind::Plain}},
    {"hostname", {" 主机名=", Kind::Plain}},
    {"addr", {" 地址=", Kind::Plain}},
    {"res", {" 结果=", Kind::Plain}},
    {"op", {" 操作=", Kind::Plain}},
    {"argc", {" 参数个数=", Kind::Plain}},
    {"mode", {" 模式=", Kind::Plain}},
    {"inode", {" 索引节点=", Kind::Plain}},
    {"dev", {" 设备=", Kind::Plain}},
    {"nametype", {" 名称类型=", Kind::Plain}},
    {"subj", {" 主体=", Kind::Plain}},
    {"obj", {" 客体=", Kind::Plain}},
    // Saved and file-system ids repeat the real and effective ones, and the
    // file capabilities of a PATH are almost always zero: the interpreted
    // view leaves them out (the raw view keeps every field). Keeping the
    // lines short also keeps the report pipelines that read them fast.
    {"rdev", {{}, Kind::Omit}},
    {"cap_fp", {{}, Kind::Omit}},
    {"cap_fi", {{}, Kind::Omit}},
    {"cap_fe", {{}, Kind::Omit}},
    {"cap_fver", {{}, Kind::Omit}},
    {"cap_frootid", {{}, Kind::Omit}},
    // Encoded by the kernel or the user-space tools, printed under their own name.
    {"path", {{}, Kind::Encoded}},
    {"ocomm", {{}, Kind::Encoded}},
    {"dir", {{}, Kind::Encoded}},
    {"file", {{}, Kind::Encoded}},
    {"watch", {{}, Kind::Encoded}},
    {"data", {{}, Kind::Encoded}},
    {"new-name", {{}, Kind::Encoded}},
    {"old-name", {{}, Kind::Encoded}},
    {"new_name", {{}, Kind::Encoded}},
    {"grp", {{}, Kind::Encoded}},
};

// Open-addressing table over labelEntries: a field name is looked up for
// every field printed, so this stays clear of std::hash and allocation.
class LabelTable {
public:
    LabelTable()
    {
        for (const auto &e : labelEntries) {
            size_t h = hash(e.name);
            while (slots_[h])
                h = (h + 1) & (size - 1);
            slots_[h] = &e;
        }
    }
    const LabelEntry *find(std::string_view name) const
    {
        if (name.empty())
            return nullptr;
        for (size_t h = hash(name); slots_[h]; h = (h + 1) & (size - 1))
            if (slots_[h]->name == name)
                return slots_[h];
        return nullptr;
    }

private:
    static constexpr size_t size = 256;
    static size_t hash(std::string_view n)
    {
        auto at = [n](size_t i) { return size_t(static_cast<unsigned char>(n[i])); };
        return (n.size() * 31u + at(0) * 7u + at(n.size() - 1) * 131u
                + (n.size() > 2 ? at(1) * 17u : 0u))
               & (size - 1);
    }
    const LabelEntry *slots_[size] = {};
};

FieldInfo infoFor(std::string_view name, std::string_view type)
{
    static const LabelTable table;
    if (const LabelEntry *e = table.find(name))
        return e->info;
    // Arguments of an EXECVE record (a0, a1, a2[0], ...) are the command
    // line; in a SYSCALL record a0..a3 are raw register values, left out.
    const bool argument = name.size() >= 2 && name[0] == 'a' && name[1] >= '0' && name[1] <= '9';
    if (argument && type == "EXECVE")
        return {{}, Kind::Encoded};
    if (argument && type == "SYSCALL")
        return {{}, Kind::Omit};
    return {{}, Kind::Plain};
}

// NAME=VALUE pairs after the 0x1D separator of an ENRICHED record.
struct Enriched {
    std::vector<std::pair<std::string_view, std::string_view>> pairs;
    std::string_view text; // empty: the record has no ENRICHED part
    bool parsed = false;

    // Takes the ENRICHED part of a new record (what followed its 0x1D byte);
    // it is parsed on the first look-up only.
    void reset(std::string_view interpretations)
    {
        text = interpretations;
        parsed = false;
    }

    void parse()
    {
        parsed = true;
        pairs.clear();
        std::string_view rest(text);
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
            pairs.emplace_back(name, value);
        }
    }

    // The value for a raw field name (auid -> AUID), if the record has one.
    bool find(std::string_view field, std::string_view *value)
    {
        if (!parsed)
            parse();
        for (const auto &p : pairs) {
            if (p.first.size() != field.size())
                continue;
            bool same = true;
            for (size_t i = 0; i < field.size() && same; ++i) {
                char c = field[i];
                if (c >= 'a' && c <= 'z')
                    c = char(c - 'a' + 'A');
                same = c == p.first[i];
            }
            if (same) {
                *value = p.second;
                return true;
            }
        }
        return false;
    }
};

// One batch of matching events, copied out of libauparse so that another
// thread can format them while the next batch is read. All strings live
// back to back in `bytes`.
struct Batch {
    struct Span {
        uint32_t at = 0, len = 0;
        bool present = false;
    };
    struct Field {
        Span name, value;
        bool resolved = false; // value already interpreted (arch, syscall)
    };
    struct Record {
        Span type, interpretations;
        uint32_t firstField = 0, fields = 0;
    };
    struct Event {
        time_t sec = 0;
        unsigned milli = 0;
        unsigned long serial = 0;
        Span host;
        uint32_t firstRecord = 0, records = 0;
    };
    std::string bytes;
    std::vector<Field> fields;
    std::vector<Record> records;
    std::vector<Event> events;

    void clear()
    {
        bytes.clear();
        fields.clear();
        records.clear();
        events.clear();
    }
    Span keep(const char *text)
    {
        Span s;
        if (!text)
            return s;
        const size_t n = std::strlen(text);
        s.at = uint32_t(bytes.size());
        s.len = uint32_t(n);
        s.present = true;
        bytes.append(text, n);
        return s;
    }
    Span keep(std::string_view text)
    {
        Span s{uint32_t(bytes.size()), uint32_t(text.size()), true};
        bytes.append(text);
        return s;
    }
    std::string_view view(const Span &s) const
    {
        return std::string_view(bytes.data() + s.at, s.len);
    }
};

// Reads events through libauparse, applies the date and program filters and
// copies the matching events into batches.
class Reader {
public:
    Reader(auparse_state_t *au, const SearchOptions &options) : au_(au), options_(options)
    {
        if (!options.file.empty()) {
            targets_[0] = options.file;
            targets_[1] = mergedUsrTwin(options.file);
        }
    }

    // Moves to the next matching event; false at the end of the trail.
    bool next()
    {
        while (auparse_next_event(au_) > 0) {
            const au_event_t *e = auparse_get_timestamp(au_);
            if (!e)
                continue;
            const int64_t ms = int64_t(e->sec) * 1000 + e->milli;
            if ((options_.hasStart && ms < options_.startMs)
                || (options_.hasEnd && ms > options_.endMs))
                continue;
            if (!options_.file.empty() && !concernsFile())
                continue;
            if (auparse_first_record(au_) <= 0)
                continue; // nothing to print: not a match
            return true;
        }
        return false;
    }

    // Copies the current event into `batch`.
    void copy(Batch &batch)
    {
        const au_event_t *e = auparse_get_timestamp(au_);
        Batch::Event ev;
        ev.sec = e->sec;
        ev.milli = e->milli;
        ev.serial = e->serial;
        ev.host = batch.keep(e->host);
        ev.firstRecord = uint32_t(batch.records.size());
        auparse_first_record(au_);
        do {
            Batch::Record rec;
            const char *type = auparse_get_type_name(au_);
            const std::string_view typeName = type ? type : "UNKNOWN";
            rec.type = batch.keep(typeName);
            rec.interpretations = batch.keep(auparse_get_record_interpretations(au_));
            rec.firstField = uint32_t(batch.fields.size());
            std::string_view arch;
            if (auparse_first_field(au_) > 0) {
                do {
                    const char *n = auparse_get_field_name(au_);
                    const char *v = auparse_get_field_str(au_);
                    if (!n || !v || (n[0] == 't' && std::strcmp(n, "type") == 0)
                        || infoFor(n, typeName).kind == Kind::Omit)
                        continue;
                    Batch::Field f;
                    f.name = batch.keep(n);
                    // Names of the architecture and of the system call come
                    // from libauparse (which also reads the ENRICHED part),
                    // once per distinct value.
                    if (n[0] == 'a' && std::strcmp(n, "arch") == 0) {
                        arch = v;
                        f.value = batch.keep(interpretation(archNames_, v));
                        f.resolved = true;
                    } else if (n[0] == 's' && std::strcmp(n, "syscall") == 0) {
                        f.value = batch.keep(
                            interpretation(syscallNames_, std::string(arch) + ":" + v));
                        f.resolved = true;
                    } else {
                        f.value = batch.keep(v);
                    }
                    batch.fields.push_back(f);
                } while (auparse_next_field(au_) > 0);
            }
            rec.fields = uint32_t(batch.fields.size()) - rec.firstField;
            batch.records.push_back(rec);
        } while (auparse_next_record(au_) > 0);
        ev.records = uint32_t(batch.records.size()) - ev.firstRecord;
        batch.events.push_back(ev);
    }

    // The current event's records as they are in the trail.
    void raw(std::string &out)
    {
        auparse_first_record(au_);
        do {
            const char *text = auparse_get_record_text(au_);
            if (!text)
                continue;
            // libauparse cuts an ENRICHED record at its 0x1D byte; put the
            // separator back so the output stays a readable trail. Both
            // halves go through appendSafe like every other value.
            appendSafe(out, text);
            if (const char *interp = auparse_get_record_interpretations(au_)) {
                out += '\x1d';
                appendSafe(out, interp);
            }
            out += '\n';
        } while (auparse_next_record(au_) > 0);
    }

private:
    bool isTarget(const std::string &path) const
    {
        return !path.empty() && (path == targets_[0] || path == targets_[1]);
    }

    // exe= of any record, or a PATH record's name= (resolved against the
    // event's working directory), equals the program file or its twin.
    bool concernsFile()
    {
        std::string cwd;
        relative_.clear();
        if (auparse_first_record(au_) <= 0)
            return false;
        do {
            const char *type = auparse_get_type_name(au_);
            const bool isPath = type && std::strcmp(type, "PATH") == 0;
            const bool isCwd = type && std::strcmp(type, "CWD") == 0;
            if (auparse_first_field(au_) <= 0)
                continue;
            do {
                const char *name = auparse_get_field_name(au_);
                const char *value = auparse_get_field_str(au_);
                if (!name || !value)
                    continue;
                if (std::strcmp(name, "exe") == 0) {
                    if (isTarget(normalisePath(decodeValue(value, true), {})))
                        return true;
                } else if (isPath && std::strcmp(name, "name") == 0) {
                    std::string n = decodeValue(value, true);
                    if (!n.empty() && n[0] == '/') {
                        if (isTarget(normalisePath(n, {})))
                            return true;
                    } else if (!n.empty()) {
                        relative_.push_back(std::move(n));
                    }
                } else if (std::strcmp(name, "cwd") == 0 && (isCwd || cwd.empty())) {
                    cwd = decodeValue(value, true);
                }
            } while (auparse_next_field(au_) > 0);
        } while (auparse_next_record(au_) > 0);
        for (const auto &n : relative_)
            if (isTarget(normalisePath(n, cwd)))
                return true;
        return false;
    }

    // libauparse's interpretation of the current field, cached by `key`.
    const std::string &interpretation(std::unordered_map<std::string, std::string> &cache,
                                      const std::string &key)
    {
        auto it = cache.find(key);
        if (it != cache.end())
            return it->second;
        const char *v = auparse_interpret_field(au_);
        return cache.emplace(key, v && *v ? std::string(v) : key).first->second;
    }

    auparse_state_t *au_;
    const SearchOptions &options_;
    std::string targets_[2];
    std::vector<std::string> relative_;
    std::unordered_map<std::string, std::string> archNames_, syscallNames_;
};

// Writes the interpreted layout of a batch's events.
class Formatter {
public:
    void format(const Batch &batch, std::string &out)
    {
        for (const Batch::Event &e : batch.events)
            event(batch, e, out);
    }

private:
    // Name of an id field of the current record: its ENRICHED value when the
    // record has one, else the local account database.
    std::string_view idValue(std::string_view field, std::string_view raw, bool group)
    {
        std::string_view v;
        if (enriched_.find(field, &v) && !v.empty())
            return v;
        return group ? names_.group(raw) : names_.user(raw);
    }

    void event(const Batch &batch, const Batch::Event &e, std::string &out)
    {
        out += "----\n时间->";
        appendLocalStamp(out, e.sec, e.milli);
        out += " 序号=";
        out += std::to_string(e.serial);
        if (e.host.present) {
            out += " 节点=";
            appendSafe(out, batch.view(e.host), true);
        }
        out += '\n';

        stamp_.clear();
        appendLocalStamp(stamp_, e.sec, e.milli);

        // The acting user: the first record with an auid gives it (its uid
        // when the auid is unset); without any auid, the first record with a
        // uid; else "unset".
        std::string user;
        int userRank = 0; // 2: from an auid record, 1: from a uid record
        size_t userAt = std::string::npos;
        bool userWritten = false;
        auto writeUser = [&] {
            if (userRank == 0 || user.empty())
                user = "unset";
            userText_.assign(" 用户id: ");
            appendSafe(userText_, user, true);
            out.insert(userAt, userText_);
            userWritten = true;
        };

        for (uint32_t r = e.firstRecord; r < e.firstRecord + e.records; ++r) {
            const Batch::Record &rec = batch.records[r];
            const std::string_view type = batch.view(rec.type);
            enriched_.reset(rec.interpretations.present ? batch.view(rec.interpretations)
                                                        : std::string_view());
            out += "类型=";
            appendSafe(out, type, true);
            out += " 日期: ";
            out += stamp_;
            if (userAt == std::string::npos)
                userAt = out.size();

            std::string_view auid, uid;
            bool hasAuid = false, hasUid = false;
            for (uint32_t i = rec.firstField; i < rec.firstField + rec.fields; ++i) {
                const Batch::Field &f = batch.fields[i];
                const std::string_view name = batch.view(f.name), value = batch.view(f.value);
                FieldInfo info = infoFor(name, type);
                if (info.kind == Kind::Omit)
                    continue;
                if (!info.prefix.empty()) {
                    out += info.prefix;
                } else {
                    out += ' ';
                    appendSafe(out, name, true);
                    out += '=';
                }
                if (f.resolved) {
                    appendSafe(out, value, true);
                    continue;
                }
                switch (info.kind) {
                case Kind::Omit:
                case Kind::Plain:
                case Kind::Arch:
                case Kind::Syscall:
                    appendSafe(out, decodeValueInto(value, false, scratch_));
                    break;
                case Kind::Encoded:
                    appendSafe(out, decodeValueInto(value, true, scratch_));
                    break;
                case Kind::User:
                case Kind::Group:
                    appendSafe(out, idValue(name, value, info.kind == Kind::Group), true);
                    if (name == "auid" && !hasAuid) {
                        hasAuid = true;
                        auid = value;
                    } else if (name == "uid" && !hasUid) {
                        hasUid = true;
                        uid = value;
                    }
                    break;
                }
            }
            out += '\n';

            if (userRank < 2 && hasAuid) {
                if (!isUnsetId(auid))
                    user = std::string(idValue("auid", auid, false));
                else if (hasUid)
                    user = std::string(idValue("uid", uid, false));
                else
                    user = "unset";
                userRank = 2;
            } else if (userRank < 1 && hasUid) {
                user = std::string(idValue("uid", uid, false));
                userRank = 1;
            }
            // Known for good once a record with an auid is seen (usually the
            // first): insert it now, while only this line follows the spot.
            if (userRank == 2 && !userWritten)
                writeUser();
        }
        if (!userWritten)
            writeUser();
    }

    IdNames names_;
    Enriched enriched_;
    std::string stamp_, userText_, scratch_;
};

// Batches handed from the reading thread to the formatting thread; at most
// `limit` exist, so memory stays bounded whatever the trail's size.
class BatchQueue {
public:
    explicit BatchQueue(size_t limit)
    {
        for (size_t i = 0; i < limit; ++i)
            free_.push_back(std::make_unique<Batch>());
    }
    std::unique_ptr<Batch> takeFree()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return !free_.empty(); });
        auto b = std::move(free_.front());
        free_.pop_front();
        return b;
    }
    void giveBack(std::unique_ptr<Batch> b)
    {
        b->clear();
        std::lock_guard<std::mutex> lock(mutex_);
        free_.push_back(std::move(b));
        changed_.notify_all();
    }
    void push(std::unique_ptr<Batch> b) // nullptr: no more batches
    {
        std::lock_guard<std::mutex> lock(mutex_);
        full_.push_back(std::move(b));
        changed_.notify_all();
    }
    std::unique_ptr<Batch> pop()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return !full_.empty(); });
        auto b = std::move(full_.front());
        full_.pop_front();
        return b;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::unique_ptr<Batch>> free_, full_;
};

} // namespace

size_t runSearch(auparse_state_t *au, const SearchOptions &options,
                 const std::function<void(std::string &)> &flush)
{
    static constexpr size_t flushAt = 1 << 20;
    Reader reader(au, options);
    size_t matched = 0;
    if (!options.interpret) {
        std::string out;
        while (reader.next()) {
            ++matched;
            reader.raw(out);
            if (out.size() >= flushAt) {
                flush(out);
                out.clear();
            }
        }
        if (!out.empty())
            flush(out);
        return matched;
    }

    // Reading (libauparse) and formatting run on two threads: the reader
    // copies matching events into batches, the formatter prints them in the
    // same order and hands the output to `flush`.
    static constexpr size_t eventsPerBatch = 1024;
    BatchQueue queue(4);
    std::thread formatter([&queue, &flush] {
        Formatter f;
        std::string out;
        out.reserve(flushAt + 64 * 1024);
        while (std::unique_ptr<Batch> b = queue.pop()) {
            f.format(*b, out);
            queue.giveBack(std::move(b));
            if (out.size() >= flushAt) {
                flush(out);
                out.clear();
            }
        }
        if (!out.empty())
            flush(out);
    });
    std::unique_ptr<Batch> batch = queue.takeFree();
    while (reader.next()) {
        ++matched;
        reader.copy(*batch);
        if (batch->events.size() >= eventsPerBatch) {
            queue.push(std::move(batch));
            batch = queue.takeFree();
        }
    }
    if (!batch->events.empty())
        queue.push(std::move(batch));
    queue.push(nullptr);
    formatter.join();
    return matched;
}

size_t searchBytes(const char *data, size_t size, const SearchOptions &options, std::string *out)
{
    out->clear();
    if (size == 0)
        return 0;
    FILE *f = fmemopen(const_cast<char *>(data), size, "r");
    if (!f)
        return 0;
    auparse_state_t *au = auparse_init(AUSOURCE_FILE_POINTER, f);
    if (!au) {
        std::fclose(f);
        return 0;
    }
    size_t n = runSearch(au, options, [out](std::string &chunk) { out->append(chunk); });
    auparse_destroy(au); // also closes f
    return n;
}

} // namespace kvrtools
