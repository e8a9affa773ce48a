#pragma once
// The Chinese labels of the interpreted output: for each field name, the
// " label=" printed before its value and how the value is read (plain,
// hex-encoded text, a user or group id, an architecture, a system call,
// or left out). None of the labels contains "日期" or "用户id".

#include <string_view>

namespace kvrtools {

// Omit: not printed in the interpreted view.
enum class FieldKind : unsigned char { Plain, Encoded, User, Group, Arch, Syscall, Omit };

struct FieldInfo {
    // " label=" printed before the value instead of the field's own name;
    // empty: keep the name.
    std::string_view prefix;
    FieldKind kind;
};

// The label and kind of field `name` in a record of type `type`.
FieldInfo fieldInfo(std::string_view name, std::string_view type);

} // namespace kvrtools
