#pragma once
// Pieces shared by the per-type record parsers of the summary: reading
// numbers, quoted, hex-encoded and legacy values, login uids, file names and
// rule keys out of a record's text, and the parsers of each record family
// (kernel records in kernelrecords.cpp, user-space and daemon records in
// userrecords.cpp). Every scan stays inside the NUL-terminated record text.

#include "recordparse.h"

#include <cstddef>
#include <string>

namespace kvrreport {

constexpr size_t kNameOffset = 28; // PATH/CWD values never start before this
constexpr size_t kPathMax = 4096;

// Hex decoding as the stock tools do it (see recordfields.cpp).
bool unescapeRaw(const char *buf, std::string *raw);
bool unescapeText(const char *buf, Value *out);
// strtoul/strtoull on the text up to `term` (or the end when null); false on
// overflow.
bool readNumber(char *ptr, char *term, int base, unsigned long *out);
bool readNumberLL(char *ptr, char *term, int base);
// A numeric res= field: 1 success, 0 failure, as the stock tools compare it
// (as an int); anything else says neither.
inline Outcome outcomeOf(unsigned long v)
{
    const int n = static_cast<int>(v);
    return n == 1 ? Outcome::Succeeded : n == 0 ? Outcome::Failed : Outcome::Unknown;
}

// Where a key=value field stands in a record's text.
enum class Field { Absent, Read, Bad };

// The number after the first `key` at or after `from`. The value must be
// followed by a blank, and *term is moved to that blank. Bad when the blank
// is missing or the number does not read; *term moves only on Read.
Field spacedNumber(char *from, const char *key, int base, unsigned long *v, char **term);
// The same for a value that may end the record: *term is moved to the blank
// after it, or to the value's first character when nothing follows.
Field lastNumber(char *from, const char *key, int base, unsigned long *v, char **term);
// Decimal spacedNumber()/lastNumber() stored into a field of the items.
template <typename T> Field numberField(char *from, const char *key, T *out, char **term)
{
    unsigned long v;
    const Field f = spacedNumber(from, key, 10, &v, term);
    if (f == Field::Read)
        *out = static_cast<T>(v);
    return f;
}
template <typename T> Field lastNumberField(char *from, const char *key, T *out, char **term)
{
    unsigned long v;
    const Field f = lastNumber(from, key, 10, &v, term);
    if (f == Field::Read)
        *out = static_cast<T>(v);
    return f;
}
// A numeric res= at or after `from` (see outcomeOf()).
Field resultField(char *from, Items &s);
// The text after `key` up to `stop` or, failing that, the next blank; *term
// is moved to that end. Bad when neither follows.
Field wordField(char *from, const char *key, char stop, Value *out, char **term);
// A quoted or hex value after `key` (see quotedOrHex()); Bad when its
// closing quote is missing.
Field textField(char *from, const char *key, Value *out, char **term);

bool parsePathValue(Items &s, char *path);
bool parseKeyValue(Items &s, char *ptr, char **termOut);
bool takeQuoted(char *str, Value *out, char **term);
bool quotedOrHex(char *str, Value *out, char **term);
void hexOrLegacy(char *str, Value *out, char **term);
bool quotedOrHexOrLegacy(char *str, Value *out, char **term);
bool readLoginUid(char **term, unsigned *out);

// parseUser: a fault in the trailing exe=/res=/result= fields (BadTail) is
// told apart from one before them, because a USER_AVC record forgives it.
enum class UserParse { Ok, Malformed, BadTail };
UserParse parseUser(char *msg, int type, Items &s);
bool parseLogin(char *msg, Items &s);
bool parseDaemon1(char *msg, Items &s);
bool parseDaemon2(char *msg, Items &s);

bool parseTaskInfo(char *msg, Items &s);
bool parseSyscall(char *msg, Items &s);
bool parseCwd(char *msg, size_t len, Items &s);
bool parsePathRecord(char *msg, size_t len, Items &s);
bool parseAvcPath(char *msg, Items &s);
bool parseSockaddr(char *msg, Items &s);
bool parseIntegrity(char *msg, Items &s);
bool parseAvc(char *msg, size_t len, int type, Items &s);
bool parseKernelAnomaly(char *msg, int type, Items &s);
bool parseSimpleMessage(char *msg, int type, Items &s);
bool parseTty(char *msg, Items &s);
bool parsePacket(char *msg, Items &s);
bool parseKernelRecord(char *msg, Items &s);

} // namespace kvrreport
