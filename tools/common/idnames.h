#pragma once
// Account and group names of the ids in a trail, looked up once per id.

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kvrtools {

// Account and group names, looked up once per id in the local databases.
// Unknown ids give their decimal number; 4294967295 and -1 give "unset".
// A returned reference stays valid until the next call.
class IdNames
{
public:
    const std::string &user(std::string_view id);
    const std::string &group(std::string_view id);

private:
    const std::string &lookup(std::string_view id, bool group);
    // Small numeric ids (the common case) are cached by index, others by text.
    std::vector<std::string> smallUsers_, smallGroups_;
    std::unordered_map<std::string, std::string> users_, groups_;
};

// True when the id text means "not set" (4294967295 or -1).
bool isUnsetId(std::string_view id);

} // namespace kvrtools
