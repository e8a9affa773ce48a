#pragma once
// The message label of InfoBox: a QLabel whose plain text wraps at word
// boundaries and, where a word (a long path) is wider than the label,
// anywhere inside it, so no message is cut at the label's right edge.

#include <QLabel>

class QTextLayout;

class WrapLabel : public QLabel
{
    Q_OBJECT

public:
    explicit WrapLabel(QWidget *parent);

    bool hasHeightForWidth() const override;
    // The height the whole text needs when laid out at `width` pixels.
    int heightForWidth(int width) const override;
    // The number of lines the text takes at the label's width, and the width
    // of the widest of them.
    int lineCount() const;
    int widestLine() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // Lays the text out at `width` pixels; returns the height it takes.
    int layOut(QTextLayout &layout, int width) const;
};
