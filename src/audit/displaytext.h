#pragma once
// How names and other text taken from the audit trail are shown and written:
// characters that would hide, reorder or break what an administrator reads
// are written as <U+XXXX>, everything else keeps its bytes.

#include <QString>

namespace displaytext {

enum class Kind {
    Text, // trail text such as a command line
    Name, // a name in a list: its list separator "," is escaped too
};

// `text` with every invisible or layout-changing character written as
// "<U+XXXX>" (upper-case hex, at least four digits): control characters (Cc),
// format characters (Cf: zero-width spaces and joiners, the direction
// controls U+202A-U+202E, U+2066-U+2069, U+061C, U+FEFF, ...), the other
// default-ignorable characters (fillers, variation selectors, tags), the line
// and paragraph separators U+2028/U+2029 and unpaired surrogates. For a Name
// the list separator "," becomes "<U+002C>". Any other text is returned
// unchanged. Used wherever a name or trail text is shown on screen or
// written to a report.
QString escaped(const QString &text, Kind kind);

inline QString name(const QString &text)
{
    return escaped(text, Kind::Name);
}
inline QString text(const QString &text)
{
    return escaped(text, Kind::Text);
}

// A tool tip that shows `plain` as it is: QToolTip renders anything that
// looks like markup as rich text, so the text is escaped for HTML and kept
// with its blanks and line breaks. `plain` should already be display-escaped.
QString plainToolTip(const QString &plain);

} // namespace displaytext
