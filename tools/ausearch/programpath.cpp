// Matching events against the program file of -f: normalisation, twins,
// raw-byte needles and the per-event test (see programpath.h).
#include "programpath.h"

#include "toolcommon.h"

#include <cstring>

namespace kvrtools {

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

namespace {

std::string hexOf(std::string_view s)
{
    const char *digits = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

} // namespace

ProgramTarget::ProgramTarget(const std::string &path)
{
    if (path.empty())
        return;
    targets_[0] = path;
    targets_[1] = mergedUsrTwin(path);
    const std::string base = path.substr(path.rfind('/') + 1);
    // Any name that resolves to the file ends with its base name, written
    // plainly or hex-encoded. ("/" alone has no base name: every line may.)
    // (The kernel and the user-space tools write hex in upper case.)
    if (!base.empty())
        needles_ = {base, hexOf(base)};
    sudo_ = base == "sudo" && (path == "/usr/bin/sudo" || path == "/bin/sudo");
    if (sudo_)
        needles_.push_back("type=USER_CMD ");
}

bool ProgramTarget::isTarget(const std::string &path) const
{
    return !path.empty() && (path == targets_[0] || path == targets_[1]);
}

bool ProgramTarget::isTargetValue(std::string_view rawValue) const
{
    std::string scratch;
    const std::string_view v = decodeValueInto(rawValue, true, scratch);
    if (v.empty() || v[0] != '/')
        return false;
    return isTarget(normalisePath(std::string(v), {}));
}

bool ProgramTarget::mayConcern(std::string_view line) const
{
    if (needles_.empty())
        return true;
    for (const std::string &n : needles_)
        if (::memmem(line.data(), line.size(), n.data(), n.size()))
            return true;
    return false;
}

std::string eventCwd(const std::vector<RecordLine> &records)
{
    std::string cwd;
    for (const RecordLine &r : records) {
        std::string_view v;
        if (!r.find("cwd", &v))
            continue;
        if (r.type == "CWD")
            return decodeValue(v, true);
        if (cwd.empty())
            cwd = decodeValue(v, true);
    }
    return cwd;
}

bool ProgramTarget::concerns(const std::vector<RecordLine> &records) const
{
    if (empty())
        return true;
    bool relative = false;
    for (const RecordLine &r : records) {
        bool hasExe = false;
        for (const RecordField &f : r.fields) {
            if (f.name == "exe") {
                hasExe = true;
                if (isTargetValue(f.value))
                    return true;
            } else if (f.name == "name" && r.type == "PATH") {
                const std::string n = decodeValue(f.value, true);
                if (!n.empty() && n[0] == '/') {
                    if (isTarget(normalisePath(n, {})))
                        return true;
                } else if (!n.empty()) {
                    relative = true;
                }
            }
        }
        if (sudo_ && !hasExe && r.type == "USER_CMD")
            return true;
    }
    if (!relative)
        return false;
    const std::string cwd = eventCwd(records);
    for (const RecordLine &r : records) {
        if (r.type != "PATH")
            continue;
        std::string_view v;
        if (r.find("name", &v)) {
            const std::string n = decodeValue(v, true);
            if (!n.empty() && n[0] != '/' && isTarget(normalisePath(n, cwd)))
                return true;
        }
    }
    return false;
}

} // namespace kvrtools
