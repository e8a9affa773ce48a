// The interpreted and raw output layouts of the search (see formatter.h).
#include "formatter.h"

#include "labels.h"

#include <libaudit.h>

#include <cstdlib>

namespace kvrtools {

bool isUnknownName(std::string_view value)
{
    static constexpr std::string_view head = "unknown(";
    if (value.size() < head.size() + 2 || value.substr(0, head.size()) != head
        || value.back() != ')')
        return false;
    for (size_t i = head.size(); i + 1 < value.size(); ++i)
        if (value[i] < '0' || value[i] > '9')
            return false;
    return true;
}

std::string_view Formatter::idName(std::string_view field, std::string_view raw, bool group)
{
    std::string_view v;
    if (enriched_.find(field, &v) && !v.empty() && !isUnknownName(v))
        return v;
    return group ? names_.group(raw) : names_.user(raw);
}

const std::string &Formatter::archName(std::string_view raw)
{
    key_.assign(raw);
    auto it = archNames_.find(key_);
    if (it != archNames_.end())
        return it->second;
    std::string name = key_;
    char *end = nullptr;
    const unsigned long v = std::strtoul(key_.c_str(), &end, 16);
    if (!key_.empty() && !*end) {
        const int machine = audit_elf_to_machine(unsigned(v));
        const char *n = machine >= 0 ? audit_machine_to_name(machine) : nullptr;
        if (n && *n)
            name = n;
    }
    return archNames_.emplace(key_, std::move(name)).first->second;
}

const std::string &Formatter::syscallName(std::string_view arch, std::string_view raw)
{
    key_.assign(arch);
    key_ += ':';
    key_.append(raw);
    auto it = syscallNames_.find(key_);
    if (it != syscallNames_.end())
        return it->second;
    std::string name(raw);
    const std::string archText(arch), callText(raw);
    char *end = nullptr;
    const unsigned long a = std::strtoul(archText.c_str(), &end, 16);
    const bool archOk = !archText.empty() && !*end;
    const long call = std::strtol(callText.c_str(), &end, 10);
    if (archOk && !callText.empty() && !*end && call >= 0 && call < 100000) {
        const int machine = audit_elf_to_machine(unsigned(a));
        const char *n = machine >= 0 ? audit_syscall_to_name(int(call), machine) : nullptr;
        if (n && *n)
            name = n;
    }
    return syscallNames_.emplace(key_, std::move(name)).first->second;
}

void Formatter::interpreted(const std::vector<RecordLine> &records, bool withUser, std::string &out)
{
    if (records.empty())
        return;
    const RecordLine &head = records.front();
    out += "----\n时间->";
    appendLocalStamp(out, time_t(head.stamp.sec), head.stamp.milli);
    out += " 序号=";
    out += std::to_string(head.stamp.serial);
    if (!head.node.empty()) {
        out += " 节点=";
        appendSafe(out, head.node, true);
    }
    out += '\n';
    stamp_.clear();
    appendLocalStamp(stamp_, time_t(head.stamp.sec), head.stamp.milli);

    std::string user;
    int userRank = 0; // 2: from an auid record, 1: from a uid record
    size_t userAt = std::string::npos;
    bool userWritten = !withUser;
    auto writeUser = [&] {
        if (userRank == 0 || user.empty())
            user = "unset";
        userWord_.clear();
        appendSafe(userWord_, user, true);
        out.insert(userAt, " 用户id: " + userWord_);
        userWritten = true;
    };

    for (const RecordLine &rec : records) {
        enriched_.reset(rec.hasEnriched ? rec.enriched : std::string_view());
        out += "类型=";
        appendSafe(out, rec.type, true);
        out += " 日期: ";
        out += stamp_;
        if (userAt == std::string::npos)
            userAt = out.size();
        std::string_view auid, uid, arch;
        bool hasAuid = false, hasUid = false;
        for (const RecordField &f : rec.fields) {
            const FieldInfo info = fieldInfo(f.name, rec.type);
            if (info.kind == FieldKind::Omit || f.name == "msg")
                continue;
            if (!info.prefix.empty()) {
                out += info.prefix;
            } else {
                out += ' ';
                appendSafe(out, f.name, true);
                out += '=';
            }
            switch (info.kind) {
            case FieldKind::Omit:
            case FieldKind::Plain:
                appendSafe(out, decodeValueInto(f.value, false, scratch_));
                break;
            case FieldKind::Encoded:
                appendSafe(out, decodeValueInto(f.value, true, scratch_));
                break;
            case FieldKind::Arch:
                arch = f.value;
                appendSafe(out, archName(f.value), true);
                break;
            case FieldKind::Syscall:
                appendSafe(out, syscallName(arch, f.value), true);
                break;
            case FieldKind::User:
            case FieldKind::Group:
                appendSafe(out, idName(f.name, f.value, info.kind == FieldKind::Group), true);
                if (f.name == "auid" && !hasAuid) {
                    hasAuid = true;
                    auid = f.value;
                } else if (f.name == "uid" && !hasUid) {
                    hasUid = true;
                    uid = f.value;
                }
                break;
            }
        }
        out += '\n';
        if (userWritten)
            continue;
        if (userRank < 2 && hasAuid) {
            if (!isUnsetId(auid))
                user = std::string(idName("auid", auid, false));
            else if (hasUid)
                user = std::string(idName("uid", uid, false));
            else
                user = "unset";
            userRank = 2;
        } else if (userRank < 1 && hasUid) {
            user = std::string(idName("uid", uid, false));
            userRank = 1;
        }
        // Known for good once a record with an auid is seen (usually the
        // first): insert it now, while only this line follows the spot.
        if (userRank == 2)
            writeUser();
    }
    if (!userWritten)
        writeUser();
}

void Formatter::raw(std::string_view eventText, std::string &out)
{
    while (!eventText.empty()) {
        size_t nl = eventText.find('\n');
        std::string_view line = eventText.substr(0, nl);
        eventText = nl == std::string_view::npos ? std::string_view() : eventText.substr(nl + 1);
        // The ENRICHED separator stays; both halves go through appendSafe.
        const size_t gs = line.find('\x1d');
        appendSafe(out, line.substr(0, gs));
        if (gs != std::string_view::npos) {
            out += '\x1d';
            appendSafe(out, line.substr(gs + 1));
        }
        out += '\n';
    }
}

} // namespace kvrtools
