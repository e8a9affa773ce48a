// Lists the accounts of a password file through `cat` (see sysusers.h).
#include "audit/sysusers.h"

#include "audit/processrunner.h"

#include <cstring>

namespace sysusers {

QStringList accountNames(const QString &passwdPath)
{
    QByteArray printed;
    processrunner::Options options;
    options.output = &printed;
    options.showErrors = false;
    processrunner::run({QStringLiteral("cat"), passwdPath}, options);

    QStringList users;
    qsizetype from = 0;
    while (from < printed.size()) {
        qsizetype end = printed.indexOf('\n', from);
        end = end < 0 ? printed.size() : end + 1; // the line feed stays with its line
        const QByteArray line = printed.mid(from, end - from);
        from = end;
        // One character per byte, up to the first NUL.
        const QString text = QString::fromLatin1(
            line.constData(),
            static_cast<qsizetype>(::strnlen(line.constData(), static_cast<size_t>(line.size()))));
        users << text.split(QLatin1Char(':'), Qt::KeepEmptyParts, Qt::CaseSensitive).first();
    }
    return users;
}

} // namespace sysusers
