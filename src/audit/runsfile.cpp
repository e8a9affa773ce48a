// The runs-file reader: checks the header, takes every line apart into its
// eight fields and counts the lines that are not a run instead of dropping
// them unnoticed.
#include "audit/runsfile.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>

#include <cstring>

namespace runsfile {

namespace {

constexpr int kFields = 8;

bool isDigits(const char *s, qsizetype n)
{
    if (n <= 0)
        return false;
    for (qsizetype i = 0; i < n; ++i) {
        if (s[i] < '0' || s[i] > '9')
            return false;
    }
    return true;
}

// An unsigned decimal of at most `maxDigits` digits.
bool parseNumber(const char *s, qsizetype n, qsizetype maxDigits, quint64 *value)
{
    if (!isDigits(s, n) || n > maxDigits)
        return false;
    quint64 v = 0;
    for (qsizetype i = 0; i < n; ++i)
        v = v * 10 + quint64(s[i] - '0');
    *value = v;
    return true;
}

// SEC.MMM: seconds since 1970 and exactly three digits of milliseconds.
bool parseTime(const char *s, qsizetype n, qint64 *ms)
{
    const char *dot = static_cast<const char *>(std::memchr(s, '.', size_t(n)));
    if (!dot || s + n - dot != 4)
        return false;
    quint64 seconds = 0;
    quint64 milli = 0;
    // Twelve digits reach far past the year 9999 the tools accept.
    if (!parseNumber(s, dot - s, 12, &seconds) || !parseNumber(dot + 1, 3, 3, &milli))
        return false;
    *ms = qint64(seconds) * 1000 + qint64(milli);
    return true;
}

bool parseResult(const char *s, qsizetype n, RunResult *result)
{
    const QByteArrayView word(s, n);
    if (word == "success")
        *result = RunResult::Success;
    else if (word == "refused")
        *result = RunResult::Refused;
    else if (word == "failed")
        *result = RunResult::Failed;
    else
        return false;
    return true;
}

bool isOctal(char c)
{
    return c >= '0' && c <= '7';
}

// Names repeat from run to run (a few users, hosts and terminals): one shared
// string per distinct value keeps 100,000 runs small and quick to load.
class Names
{
public:
    QString get(const char *s, qsizetype n)
    {
        const QByteArray key = QByteArray::fromRawData(s, n);
        auto it = names.constFind(key);
        if (it != names.constEnd())
            return it.value();
        const QString name = QString::fromUtf8(s, n);
        names.insert(QByteArray(s, n), name);
        return name;
    }

private:
    QHash<QByteArray, QString> names;
};

// One line after the header; false when it is not a run.
bool parseLine(const char *line, qsizetype length, Names &names, Run *run)
{
    const char *field[kFields];
    qsizetype size[kFields];
    const char *p = line;
    const char *end = line + length;
    for (int i = 0; i < kFields; ++i) {
        const char *tab = static_cast<const char *>(std::memchr(p, '\t', size_t(end - p)));
        const bool last = i == kFields - 1;
        if (last == (tab != nullptr))
            return false; // too few or too many fields
        field[i] = p;
        size[i] = (last ? end : tab) - p;
        if (size[i] == 0)
            return false; // the search writes "-" for an empty value
        p = last ? end : tab + 1;
    }
    if (!parseTime(field[0], size[0], &run->timeMs)
        || !parseNumber(field[1], size[1], 20, &run->serial)
        || !parseResult(field[6], size[6], &run->result))
        return false;
    QByteArray command;
    if (!decodeEscapes(QByteArray::fromRawData(field[7], size[7]), &command))
        return false;
    run->node = names.get(field[2], size[2]);
    run->loginUser = names.get(field[3], size[3]);
    run->actingUser = names.get(field[4], size[4]);
    run->terminal = names.get(field[5], size[5]);
    run->command = QString::fromUtf8(command);
    return true;
}

} // namespace

bool decodeEscapes(const QByteArray &field, QByteArray *out)
{
    const qsizetype n = field.size();
    const char *s = field.constData();
    if (!std::memchr(s, '\\', size_t(n))) {
        *out = QByteArray(s, n);
        return true;
    }
    out->clear();
    out->reserve(n);
    for (qsizetype i = 0; i < n; ++i) {
        if (s[i] != '\\') {
            out->append(s[i]);
            continue;
        }
        // Three octal digits of a byte (at most \377).
        if (i + 3 >= n || !isOctal(s[i + 1]) || !isOctal(s[i + 2]) || !isOctal(s[i + 3])
            || s[i + 1] > '3')
            return false;
        out->append(char((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0')));
        i += 3;
    }
    return true;
}

// "# file PATH", "# span FIRST LAST" or "# day YYYY-MM-DD N" into `file`;
// false for any other line.
static bool parseTrailLine(const char *line, qsizetype length, RunsFile *file)
{
    const QByteArrayView text(line, length);
    if (text.startsWith("# day ")) {
        const QList<QByteArray> words = QByteArray(line + 6, length - 6).split(' ');
        const QDate day = words.size() == 2
            ? QDate::fromString(QString::fromLatin1(words.at(0)), Qt::ISODate)
            : QDate();
        quint64 count = 0;
        if (!day.isValid() || words.at(0).size() != 10
            || !parseNumber(words.at(1).constData(), words.at(1).size(), 9, &count) || count == 0
            || file->runsPerDay.contains(day))
            return false;
        file->runsPerDay.insert(day, int(count));
        return true;
    }
    if (text.startsWith("# file ")) {
        QByteArray path;
        if (length == 7 || !decodeEscapes(QByteArray(line + 7, length - 7), &path))
            return false;
        file->trailFiles.append(QString::fromUtf8(path));
        return true;
    }
    if (!text.startsWith("# span "))
        return false;
    const char *first = line + 7;
    const char *blank = static_cast<const char *>(std::memchr(first, ' ', size_t(length - 7)));
    qint64 firstMs = 0;
    qint64 lastMs = 0;
    if (!blank || !parseTime(first, blank - first, &firstMs)
        || !parseTime(blank + 1, line + length - blank - 1, &lastMs) || lastMs < firstMs)
        return false;
    file->trailFirstMs = firstMs;
    file->trailLastMs = lastMs;
    return true;
}

RunsFile parse(const QByteArray &content)
{
    RunsFile file;
    const char *p = content.constData();
    const char *end = p + content.size();
    const char *eol = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)));
    if (QByteArrayView(p, (eol ? eol : end) - p) != QByteArrayView(kHeader)) {
        file.status = RunsFile::Status::NotRunsFile;
        return file;
    }
    file.status = RunsFile::Status::Read;
    Names names;
    qsizetype lineNumber = 1;
    for (p = eol ? eol + 1 : end; p < end;) {
        eol = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)));
        const char *lineEnd = eol ? eol : end; // a last line without newline counts too
        ++lineNumber;
        Run run;
        if (parseTrailLine(p, lineEnd - p, &file)) {
            // what was read, not a run
        } else if (parseLine(p, lineEnd - p, names, &run)) {
            file.runs.append(std::move(run));
        } else {
            if (file.malformed == 0)
                file.firstMalformedLine = lineNumber;
            ++file.malformed;
        }
        p = eol ? eol + 1 : end;
    }
    return file;
}

RunsFile read(const QString &path)
{
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly)) {
        RunsFile file;
        file.path = path;
        file.reason = in.errorString();
        return file;
    }
    const QByteArray content = in.readAll();
    if (in.error() != QFileDevice::NoError) {
        RunsFile file;
        file.path = path;
        file.reason = in.errorString();
        return file;
    }
    RunsFile file = parse(content);
    file.path = path;
    return file;
}

QString problemText(const RunsFile &file)
{
    switch (file.status) {
    case RunsFile::Status::CannotOpen:
        return QCoreApplication::translate("RunsFile", "无法读取运行记录文件 %1：%2")
            .arg(file.path, file.reason);
    case RunsFile::Status::NotRunsFile:
        return QCoreApplication::translate(
                   "RunsFile", "%1 不是运行记录文件（第一行应为 “%2”），未显示任何运行。")
            .arg(file.path, QLatin1String(kHeader));
    case RunsFile::Status::Read:
        break;
    }
    if (file.malformed == 0)
        return QString();
    const int lines = file.malformed > INT_MAX ? INT_MAX : int(file.malformed);
    return QCoreApplication::translate("RunsFile",
                                       "运行记录文件 %1 已损坏：%n 行无法读取（第一处在第 %2 "
                                       "行），运行明细不完整，未显示。",
                                       nullptr, lines)
        .arg(file.path)
        .arg(file.firstMalformedLine);
}

} // namespace runsfile
