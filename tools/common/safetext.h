#pragma once
// Values taken from the trail: decoding them (quotes, hex encoding) and
// printing them so that they can never forge a line or a label.

#include <string>
#include <string_view>

namespace kvrtools {

// Appends a value taken from the trail (or from the account database) to
// `out` so that it cannot start a line or carry a label:
//  - bytes below 0x20 and 0x7F are written as a backslash and three octal
//    digits (a newline becomes \012), and so is a backslash itself (\134),
//    which keeps every escape unambiguous;
//  - every byte of invalid UTF-8 (stray continuation bytes, truncated or
//    overlong sequences, surrogates, code points above U+10FFFF) is written
//    the same way, so the output stays valid UTF-8;
//  - the labels the report pipelines split on are neutralised wherever they
//    occur inside a value: the colon of "日期:" and of "用户id:" is written
//    \072, and the first character of "时间范围" is written as its three
//    escaped bytes \346\227\266;
//  - with `asWord`, blanks are escaped as well (\040) and an empty value is
//    written as "-", so the result is exactly one non-empty blank-free word.
// Every value a tool prints goes through this function.
void appendSafe(std::string &out, std::string_view value, bool asWord = false);

// Decodes a field value as the trail stores it: a value in double quotes is
// the text between them; an unquoted value made of an even number of hex
// digits is hex-encoded text when `mayBeHex` (fields the kernel encodes:
// names, paths, comm, exe, proctitle, execve arguments, cmd, ...); anything
// else is returned as it is. NUL bytes of decoded text (argument separators
// of a proctitle) become blanks.
std::string decodeValue(std::string_view raw, bool mayBeHex);
// The same without allocating: returns a view of `raw` or of `scratch`
// (which it overwrites when it decodes hex).
std::string_view decodeValueInto(std::string_view raw, bool mayBeHex, std::string &scratch);

// True for field names whose values the kernel or the user-space tools may
// hex-encode (the untrusted strings).
bool isEncodedField(std::string_view name, std::string_view recordType);

} // namespace kvrtools
