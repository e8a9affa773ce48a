// Draws the images of the program's resource bundle (src/resources/pics) so
// that they can be reproduced and changed: every image is painted here with
// QPainter at its final pixel size. The desktop menu's icons in several sizes
// (packaging/icons) are the bundle's window icon painted at those sizes.
//
//   makeimages <output directory>
//   makeimages --icons <output directory>
//
// The back buttons carry text; their Chinese label needs a CJK font
// (WenQuanYi Micro Hei, Debian package fonts-wqy-microhei).

#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QRadialGradient>
#include <QTextStream>

#include <cstdio>
#include <functional>

namespace {

const QColor kGreen(0x32, 0xB1, 0x6C); // the suite's green
const QColor kGreenDark(0x24, 0x8C, 0x53);
const QColor kGreenDeep(0x1C, 0x73, 0x44);
const QColor kGreenLight(0x4C, 0xC4, 0x83);
const QColor kBlue(0x2F, 0x86, 0xD6);

QString cjkFamily()
{
    const QStringList families = QFontDatabase::families();
    for (const char *name : {"WenQuanYi Micro Hei", "Noto Sans CJK SC", "Droid Sans Fallback"}) {
        if (families.contains(QLatin1String(name)))
            return QLatin1String(name);
    }
    return QString();
}

struct Canvas {
    QImage image;
    QPainter painter;

    Canvas(int w, int h) : image(w, h, QImage::Format_ARGB32_Premultiplied)
    {
        image.fill(Qt::transparent);
        painter.begin(&image);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing
                               | QPainter::SmoothPixmapTransform);
    }
};

using Painter = std::function<void(QPainter &, int w, int h)>;

bool writeImage(const QString &dir, const QString &name, int w, int h, const Painter &paint)
{
    Canvas c(w, h);
    paint(c.painter, w, h);
    c.painter.end();
    const QString path = dir + QLatin1Char('/') + name;
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!c.image.convertToFormat(QImage::Format_ARGB32).save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s %dx%d\n", qPrintable(name), w, h);
    return true;
}

QPen roundPen(const QColor &color, qreal width)
{
    QPen pen(color, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

// A report sheet with a folded corner and a magnifying glass over its lower
// right part: the program's glyph, drawn inside the rectangle r.
void drawReportGlyph(QPainter &p, const QRectF &r, const QColor &sheet, const QColor &ink,
                     const QColor &lens)
{
    const qreal s = r.width();
    const qreal x0 = r.left() + s * 0.12, y0 = r.top() + s * 0.06;
    const qreal w = s * 0.58, h = s * 0.74, fold = s * 0.18;

    QPainterPath page;
    page.moveTo(x0, y0);
    page.lineTo(x0 + w - fold, y0);
    page.lineTo(x0 + w, y0 + fold);
    page.lineTo(x0 + w, y0 + h);
    page.lineTo(x0, y0 + h);
    page.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(sheet);
    p.drawPath(page);

    QPainterPath corner;
    corner.moveTo(x0 + w - fold, y0);
    corner.lineTo(x0 + w - fold, y0 + fold);
    corner.lineTo(x0 + w, y0 + fold);
    corner.closeSubpath();
    p.setBrush(ink.lighter(150));
    p.drawPath(corner);

    // Report lines.
    p.setPen(roundPen(ink, qMax<qreal>(1.2, s * 0.05)));
    const qreal lx = x0 + s * 0.09;
    p.drawLine(QPointF(lx, y0 + h * 0.34), QPointF(x0 + w - s * 0.1, y0 + h * 0.34));
    p.drawLine(QPointF(lx, y0 + h * 0.52), QPointF(x0 + w - s * 0.16, y0 + h * 0.52));
    p.drawLine(QPointF(lx, y0 + h * 0.70), QPointF(x0 + w * 0.42, y0 + h * 0.70));

    // Magnifying glass: a ring with a tinted lens and a handle.
    const QPointF c(r.left() + s * 0.62, r.top() + s * 0.60);
    const qreal rad = s * 0.19;
    p.setPen(roundPen(sheet, s * 0.16));
    p.drawLine(c + QPointF(rad * 0.75, rad * 0.75),
               QPointF(r.left() + s * 0.90, r.top() + s * 0.90));
    p.setPen(QPen(sheet, s * 0.075));
    p.setBrush(lens);
    p.drawEllipse(c, rad, rad);
}

// White glyph buttons of the green title bands. hovered adds a soft disc
// behind the glyph; danger makes that disc red (close buttons).
void drawTitleButton(QPainter &p, int w, int h, bool hovered, bool danger,
                     const std::function<void(QPainter &, const QRectF &)> &glyph)
{
    const QRectF box(1, 1, w - 2, h - 2);
    if (hovered) {
        p.setPen(Qt::NoPen);
        p.setBrush(danger ? QColor(0xE8, 0x4A, 0x3C) : QColor(255, 255, 255, 70));
        p.drawRoundedRect(box, 5, 5);
    }
    glyph(p, box);
}

void closeGlyph(QPainter &p, const QRectF &box)
{
    const qreal m = box.width() * 0.28;
    p.setPen(roundPen(Qt::white, 3.2));
    p.drawLine(box.topLeft() + QPointF(m, m), box.bottomRight() - QPointF(m, m));
    p.drawLine(QPointF(box.right() - m, box.top() + m), QPointF(box.left() + m, box.bottom() - m));
}

void minimizeGlyph(QPainter &p, const QRectF &box)
{
    const qreal m = box.width() * 0.24;
    const qreal y = box.top() + box.height() * 0.62;
    p.setPen(roundPen(Qt::white, 3.2));
    p.drawLine(QPointF(box.left() + m, y), QPointF(box.right() - m, y));
}

// Dialog buttons of the message box: a light face with a green rim; the text
// ("确定", "取消") is drawn by the button itself.
void drawDialogButton(QPainter &p, int w, int h, const QColor &top, const QColor &bottom,
                      const QColor &rim)
{
    const QRectF box(0.5, 0.5, w - 1, h - 1);
    QLinearGradient face(0, 0, 0, h);
    face.setColorAt(0, top);
    face.setColorAt(1, bottom);
    p.setPen(QPen(rim, 1));
    p.setBrush(face);
    p.drawRoundedRect(box, 4, 4);
    // A thin highlight under the top edge gives the face some depth.
    p.setPen(QPen(QColor(255, 255, 255, 150), 1));
    p.drawLine(QPointF(4, 1.5), QPointF(w - 4, 1.5));
}

// The round icons of the message box: a shaded disc with a white sign.
void drawSignIcon(QPainter &p, int w, int h, const QColor &color, const QString &sign)
{
    const QRectF disc(1, 1, w - 2, h - 2);
    QRadialGradient shade(disc.center() - QPointF(w * 0.18, h * 0.2), w * 0.75);
    shade.setColorAt(0, color.lighter(125));
    shade.setColorAt(1, color.darker(112));
    p.setPen(QPen(color.darker(125), 1));
    p.setBrush(shade);
    p.drawEllipse(disc);

    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(qRound(h * 0.66));
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(disc.translated(0, 0.5), Qt::AlignCenter, sign);
}

// Back buttons of the green bottom band: an outlined pill with an arrow and
// the label; the hover state turns white with green text.
void drawBackButton(QPainter &p, int w, int h, bool hovered, const QString &label,
                    const QString &family, int pixelSize)
{
    const QRectF box(0.75, 0.75, w - 1.5, h - 1.5);
    const QColor ink = hovered ? kGreenDark : QColor(Qt::white);
    p.setPen(QPen(Qt::white, 1.5));
    p.setBrush(hovered ? QColor(Qt::white) : QColor(0, 0, 0, 0x22));
    p.drawRoundedRect(box, h / 2.0 - 1, h / 2.0 - 1);

    // Arrow pointing left.
    const qreal ax = 8, ay = h / 2.0;
    p.setPen(roundPen(ink, 1.8));
    p.drawLine(QPointF(ax, ay), QPointF(ax + 9, ay));
    p.drawLine(QPointF(ax, ay), QPointF(ax + 4, ay - 4));
    p.drawLine(QPointF(ax, ay), QPointF(ax + 4, ay + 4));

    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setBold(true);
    font.setHintingPreference(QFont::PreferFullHinting);
    p.setFont(font);
    p.setPen(ink);
    p.drawText(QRectF(ax + 11, 0, w - ax - 14, h), Qt::AlignCenter, label);
}

} // namespace

// The program's icon (window, tray and desktop menu): the report glyph on a
// green tile that stands out on light and dark panels alike. Drawn for 32 x 32
// and scaled for every other size.
void drawAppIcon(QPainter &p, int w, int h)
{
    const qreal k = w / 32.0;
    QLinearGradient tile(0, 0, 0, h);
    tile.setColorAt(0, kGreenLight);
    tile.setColorAt(1, kGreenDark);
    p.setPen(QPen(kGreenDeep, k));
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(0.5 * k, 0.5 * k, w - k, h - k), 7 * k, 7 * k);
    drawReportGlyph(p, QRectF(3 * k, 3 * k, w - 6 * k, h - 6 * k), Qt::white, kGreen,
                    QColor(0x9E, 0xE0, 0xBC));
}

// The desktop icons: <dir>/<N>x<N>/kvr-auditreport.png for the hicolor theme.
int writeDesktopIcons(const QString &dir)
{
    bool ok = true;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        ok &= writeImage(dir, QStringLiteral("%1x%1/kvr-auditreport.png").arg(size), size, size,
                         drawAppIcon);
    }
    return ok ? 0 : 1;
}

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--icons")
        return writeDesktopIcons(QString::fromLocal8Bit(argv[2]));
    if (argc != 2) {
        std::fprintf(stderr,
                     "usage: makeimages <output directory>\n"
                     "       makeimages --icons <output directory>\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const QString cjk = cjkFamily();
    if (cjk.isEmpty()) {
        std::fprintf(stderr, "no CJK font found; install fonts-wqy-microhei\n");
        return 1;
    }

    bool ok = true;

    // Logo of the title pages, on the green title band.
    ok &= writeImage(out, QStringLiteral("report_logo.png"), 39, 39, [](QPainter &p, int w, int h) {
        p.setPen(QPen(QColor(255, 255, 255, 200), 1.5));
        p.setBrush(kGreenDark);
        p.drawRoundedRect(QRectF(0.75, 0.75, w - 1.5, h - 1.5), 8, 8);
        drawReportGlyph(p, QRectF(4, 4, w - 8, h - 8), Qt::white, kGreen, QColor(0x9E, 0xE0, 0xBC));
    });

    // Window and tray icon: the same glyph on a green tile that stands out on
    // light and dark panels alike.
    ok &= writeImage(out, QStringLiteral("tray.png"), 32, 32, drawAppIcon);

    // Title-band action buttons ("点击查询", "导出报告" in white).
    ok &= writeImage(out, QStringLiteral("anniu.png"), 78, 30, [](QPainter &p, int w, int h) {
        QLinearGradient face(0, 0, 0, h);
        face.setColorAt(0, QColor(0x2B, 0x9F, 0x60));
        face.setColorAt(1, kGreenDeep);
        p.setPen(QPen(QColor(255, 255, 255, 220), 1));
        p.setBrush(face);
        p.drawRoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), 5, 5);
        p.setPen(QPen(QColor(255, 255, 255, 60), 1));
        p.drawLine(QPointF(5, 2.5), QPointF(w - 5, 2.5));
    });

    ok &= writeImage(out, QStringLiteral("btn.png"), 97, 30, [](QPainter &p, int w, int h) {
        drawDialogButton(p, w, h, QColor(0xFF, 0xFF, 0xFF), QColor(0xE9, 0xEE, 0xEB), kGreenDeep);
    });
    ok &= writeImage(out, QStringLiteral("btn_over.png"), 97, 30, [](QPainter &p, int w, int h) {
        drawDialogButton(p, w, h, QColor(0xF3, 0xFC, 0xF7), QColor(0xCF, 0xEF, 0xDD), kGreenDeep);
    });
    ok &= writeImage(out, QStringLiteral("btn_press.png"), 97, 30, [](QPainter &p, int w, int h) {
        drawDialogButton(p, w, h, QColor(0xB5, 0xE2, 0xC8), QColor(0xD8, 0xF1, 0xE3), kGreenDeep);
    });

    // Close and minimize glyphs: white on the green band. The main window
    // shows them at 16 x 16, the message box's close button at 28 x 28.
    ok &= writeImage(out, QStringLiteral("btn_close.png"), 28, 28, [](QPainter &p, int w, int h) {
        QRectF box(0, 0, w, h);
        p.setPen(roundPen(Qt::white, 2.2));
        const qreal m = 9;
        p.drawLine(box.topLeft() + QPointF(m, m), box.bottomRight() - QPointF(m, m));
        p.drawLine(QPointF(box.right() - m, box.top() + m),
                   QPointF(box.left() + m, box.bottom() - m));
    });
    ok &= writeImage(out, QStringLiteral("close.png"), 28, 28, [](QPainter &p, int w, int h) {
        drawTitleButton(p, w, h, false, true, closeGlyph);
    });
    ok &= writeImage(out, QStringLiteral("close-enter.png"), 28, 28, [](QPainter &p, int w, int h) {
        drawTitleButton(p, w, h, true, true, closeGlyph);
    });
    ok &= writeImage(out, QStringLiteral("min.png"), 28, 28, [](QPainter &p, int w, int h) {
        drawTitleButton(p, w, h, false, false, minimizeGlyph);
    });
    ok &= writeImage(out, QStringLiteral("mini-enter.png"), 28, 28, [](QPainter &p, int w, int h) {
        drawTitleButton(p, w, h, true, false, minimizeGlyph);
    });

    // Drop-down arrow of the event-type box, on the box's white face.
    // Transparent around the arrow: the image is wider than the drop-down
    // area and would otherwise paint over the box's right border.
    ok &= writeImage(out, QStringLiteral("combox.png"), 27, 30, [](QPainter &p, int w, int h) {
        p.setPen(QPen(QColor(0xDD, 0xDD, 0xDD), 1));
        p.drawLine(QPointF(0.5, 5), QPointF(0.5, h - 5));
        QPainterPath arrow;
        const qreal cx = w / 2.0 + 0.5, cy = h / 2.0 + 2;
        arrow.moveTo(cx - 6, cy - 4);
        arrow.lineTo(cx + 6, cy - 4);
        arrow.lineTo(cx, cy + 3);
        arrow.closeSubpath();
        p.setPen(QPen(kGreen, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(kGreen);
        p.drawPath(arrow);
    });

    ok &= writeImage(out, QStringLiteral("info.png"), 32, 32, [](QPainter &p, int w, int h) {
        drawSignIcon(p, w, h, kGreen, QStringLiteral("i"));
    });
    ok &= writeImage(out, QStringLiteral("question.png"), 32, 32, [](QPainter &p, int w, int h) {
        drawSignIcon(p, w, h, kBlue, QStringLiteral("?"));
    });

    const QString zhBack = QString::fromUtf8("\xe8\xbf\x94\xe5\x9b\x9e"); // 返回
    ok &= writeImage(out, QStringLiteral("return.png"), 60, 22, [&](QPainter &p, int w, int h) {
        drawBackButton(p, w, h, false, zhBack, cjk, 13);
    });
    ok &=
        writeImage(out, QStringLiteral("return_hover.png"), 60, 22, [&](QPainter &p, int w, int h) {
            drawBackButton(p, w, h, true, zhBack, cjk, 13);
        });
    ok &= writeImage(out, QStringLiteral("images/en/return.png"), 60, 22,
                     [](QPainter &p, int w, int h) {
                         drawBackButton(p, w, h, false, QStringLiteral("Back"),
                                        QStringLiteral("DejaVu Sans"), 11);
                     });
    ok &= writeImage(out, QStringLiteral("images/en/return_hover.png"), 60, 22,
                     [](QPainter &p, int w, int h) {
                         drawBackButton(p, w, h, true, QStringLiteral("Back"),
                                        QStringLiteral("DejaVu Sans"), 11);
                     });

    // A small drop-down marker.
    ok &= writeImage(out, QStringLiteral("xialakuang.png"), 16, 16, [](QPainter &p, int w, int h) {
        QPainterPath arrow;
        arrow.moveTo(3, 5.5);
        arrow.lineTo(w - 3, 5.5);
        arrow.lineTo(w / 2.0, h - 4.5);
        arrow.closeSubpath();
        p.setPen(QPen(QColor(0x66, 0x66, 0x66), 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(QColor(0x66, 0x66, 0x66));
        p.drawPath(arrow);
    });

    // Record query: the report glyph in green on a transparent ground.
    ok &= writeImage(out, QStringLiteral("jiluchaxun.png"), 30, 35, [](QPainter &p, int w, int h) {
        drawReportGlyph(p, QRectF(0, (h - w) / 2.0 + 1, w, w), kGreen, Qt::white,
                        QColor(0xD6, 0xF2, 0xE2));
    });

    return ok ? 0 : 1;
}
