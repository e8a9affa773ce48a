// Takes the lines of the overall summary apart into figures and values for
// the CSV and HTML exports.
#include "export/reportdata.h"

namespace reportdata {

QList<SummaryFigure> summaryFigures(const QList<QByteArray> &lines)
{
    QList<SummaryFigure> figures;
    for (const QByteArray &bytes : lines) {
        const QString line = QString::fromUtf8(bytes).trimmed();
        // The title and its rule carry no figure.
        if (line.isEmpty() || line == QStringLiteral("审计日志总体报告")
            || line.count(QLatin1Char('=')) == line.size())
            continue;
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon < 0)
            figures.append({line, QString()});
        else
            figures.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
    }
    return figures;
}

} // namespace reportdata
