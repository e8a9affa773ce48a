#include "widgets/wraplabel.h"

#include <QPainter>
#include <QTextLayout>
#include <QTextOption>

#include <cmath>

WrapLabel::WrapLabel(QWidget *parent) : QLabel(parent)
{
}

bool WrapLabel::hasHeightForWidth() const
{
    return true;
}

int WrapLabel::layOut(QTextLayout &layout, int width) const
{
    QString text = QLabel::text();
    // Line breaks of the message stay line breaks in the layout.
    text.replace(QLatin1Char('\n'), QChar::LineSeparator);
    layout.setText(text);
    layout.setFont(font());
    QTextOption option(Qt::AlignLeft | Qt::AlignTop);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    qreal y = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout.endLayout();
    return int(std::ceil(y));
}

int WrapLabel::heightForWidth(int width) const
{
    QTextLayout layout;
    return layOut(layout, width);
}

int WrapLabel::lineCount() const
{
    QTextLayout layout;
    layOut(layout, width());
    return layout.lineCount();
}

int WrapLabel::widestLine() const
{
    QTextLayout layout;
    layOut(layout, width());
    qreal widest = 0;
    for (int i = 0; i < layout.lineCount(); ++i)
        widest = qMax(widest, layout.lineAt(i).naturalTextWidth());
    return int(std::ceil(widest));
}

void WrapLabel::paintEvent(QPaintEvent *)
{
    QTextLayout layout;
    layOut(layout, width());
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    layout.draw(&painter, QPointF(0, 0));
}
