// Looking up and caching account and group names (see idnames.h).
#include "idnames.h"

#include <climits>
#include <grp.h>
#include <pwd.h>

namespace kvrtools {

bool isUnsetId(std::string_view id)
{
    return id == "4294967295" || id == "-1";
}

namespace {

bool parseId(std::string_view text, unsigned long *id)
{
    if (text.empty() || text.size() > 10)
        return false;
    unsigned long n = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        n = n * 10 + unsigned(c - '0');
    }
    *id = n;
    return true;
}

} // namespace

const std::string &IdNames::user(std::string_view id)
{
    return lookup(id, false);
}

const std::string &IdNames::group(std::string_view id)
{
    return lookup(id, true);
}

const std::string &IdNames::lookup(std::string_view id, bool group)
{
    static constexpr unsigned long smallLimit = 65536;
    unsigned long n = 0;
    // Canonical decimal only, so "007" and "7" do not share a cache slot.
    const bool numeric = parseId(id, &n) && (id.size() == 1 || id[0] != '0');
    auto &small = group ? smallGroups_ : smallUsers_;
    if (numeric && n < smallLimit && n < small.size() && !small[n].empty())
        return small[n];
    auto &byText = group ? groups_ : users_;
    if (!(numeric && n < smallLimit)) {
        auto it = byText.find(std::string(id));
        if (it != byText.end())
            return it->second;
    }
    std::string name(id);
    if (isUnsetId(id)) {
        name = "unset";
    } else if (numeric && n <= UINT_MAX) {
        std::vector<char> buf(16384);
        if (group) {
            struct group gr, *res = nullptr;
            if (getgrgid_r(gid_t(n), &gr, buf.data(), buf.size(), &res) == 0 && res && res->gr_name
                && *res->gr_name)
                name = res->gr_name;
        } else {
            struct passwd pw, *res = nullptr;
            if (getpwuid_r(uid_t(n), &pw, buf.data(), buf.size(), &res) == 0 && res && res->pw_name
                && *res->pw_name)
                name = res->pw_name;
        }
    }
    if (name.empty())
        name = std::string(id);
    if (numeric && n < smallLimit && !name.empty()) {
        if (small.size() <= n)
            small.resize(n + 1);
        small[n] = std::move(name);
        return small[n];
    }
    return byText.emplace(std::string(id), std::move(name)).first->second;
}

} // namespace kvrtools
