// Display escaping of names and trail text: finds the characters a reader
// cannot see or that change how the rest of a line is laid out, and writes
// them as <U+XXXX>.
#include "audit/displaytext.h"

#include <QChar>

namespace displaytext {

namespace {

// Unicode's default-ignorable code points that are not format characters:
// they draw nothing either (Hangul fillers, Mongolian and other variation
// selectors, the combining grapheme joiner) and so can make one name look
// like another. Unassigned ranges of the property are covered as well.
bool isIgnorableFiller(char32_t c)
{
    return c == 0x034F || c == 0x115F || c == 0x1160 || c == 0x17B4 || c == 0x17B5
        || (c >= 0x180B && c <= 0x180F) || c == 0x2065 || c == 0x3164
        || (c >= 0xFE00 && c <= 0xFE0F) || c == 0xFFA0 || (c >= 0xFFF0 && c <= 0xFFF8)
        || (c >= 0xE0000 && c <= 0xE0FFF);
}

bool needsEscape(char32_t c, Kind kind)
{
    if (kind == Kind::Name && c == U',')
        return true;
    // Printable ASCII is by far the most common case.
    if (c >= 0x20 && c < 0x7F)
        return false;
    switch (QChar::category(c)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return isIgnorableFiller(c);
    }
}

void appendEscape(QString &out, char32_t c)
{
    out += QStringLiteral("<U+%1>").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper();
}

} // namespace

QString escaped(const QString &text, Kind kind)
{
    const qsizetype n = text.size();
    const QChar *s = text.constData();
    // Most names and commands need nothing: return the shared string as it is.
    qsizetype first = 0;
    for (; first < n; ++first) {
        const ushort u = s[first].unicode();
        if (u < 0x20 || u >= 0x7F || (kind == Kind::Name && u == ','))
            break;
    }
    if (first == n)
        return text;

    QString out = text.left(first);
    for (qsizetype i = first; i < n; ++i) {
        char32_t c = s[i].unicode();
        qsizetype width = 1;
        if (s[i].isHighSurrogate() && i + 1 < n && s[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(s[i], s[i + 1]);
            width = 2;
        }
        if (needsEscape(c, kind))
            appendEscape(out, c);
        else
            out.append(s + i, width);
        i += width - 1;
    }
    return out;
}

QString plainToolTip(const QString &plain)
{
    return QStringLiteral("<p style='white-space:pre-wrap'>") + plain.toHtmlEscaped()
        + QStringLiteral("</p>");
}

} // namespace displaytext
