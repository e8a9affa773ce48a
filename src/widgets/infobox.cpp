#include "infobox.h"

#include "widgets/wraplabel.h"

#include <QFont>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QRect>
#include <QWindow>

namespace {

// OK and Cancel share one look: the green dialog button images, stretched
// onto the 70 x 25 buttons.
const char kButtonStyle[] = "QPushButton:focus{padding: -2;}"
                            "QPushButton{border-image:url(:/pics/btn.png);}"
                            "QPushButton:hover{border-image: url(:/pics/btn_over.png);}"
                            "QPushButton:pressed{border-image: url(:/pics/btn_press.png);}";

// The title band that drags the dialog, edges included.
const QRect kTitleStrip(QPoint(0, 0), QPoint(319, 34));

// The text area of the short messages; longer ones make the dialog taller,
// up to this many pixels of text.
const int kTextHeight = 50;
const int kMaxTextHeight = 560;

// The icon a caller gave, else the default one of the box's kind.
QPixmap iconOrDefault(const QPixmap *icon, const QString &fallback)
{
    return icon ? *icon : QPixmap(fallback);
}

} // namespace

InfoBox::InfoBox(const QString &title, const QString &text, bool withCancel, QPixmap *icon,
                 QWidget *parent)
    : QDialog(parent)
{
    // Moves arrive without a pressed button too; mouseMoveEvent ignores them
    // unless a drag is in progress.
    setAttribute(Qt::WA_MouseTracking);
    resize(320, 150);
    showCancel = withCancel;
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setStyleSheet(QStringLiteral("QDialog {background-color:#32B16C;}"));

    // White panel between a 35-pixel green title band and a 35-pixel green
    // bottom band, with a 1-pixel green edge on either side.
    container = new QWidget(this);
    container->setObjectName(QStringLiteral("container"));
    container->setStyleSheet(QStringLiteral("QWidget#container{background-color:white;}"));
    container->resize(318, height() - 70);
    container->move(1, 35);

    titleLabel = new QLabel(this);
    titleLabel->setStyleSheet(QStringLiteral("QLabel{color:white;}"));
    QFont titleFont = titleLabel->font();
    titleFont.setWeight(QFont::Bold);
    titleLabel->setFont(titleFont);
    titleLabel->setGeometry(15, 2, width() - 50, 30);

    iconLabel = new QLabel(container);
    iconLabel->setGeometry(20, 20, 32, 32);
    iconLabel->setScaledContents(true);
    if (icon)
        iconLabel->setPixmap(*icon);

    textLabel = new WrapLabel(container);
    textLabel->setStyleSheet(QStringLiteral("QLabel{color:black;}"));
    textLabel->setGeometry(65, 27, width() - 100, 50);
    textLabel->setWordWrap(true);
    textLabel->setAlignment(Qt::AlignTop);

    closeButton = new QPushButton(this);
    closeButton->resize(28, 28);
    closeButton->move(width() - closeButton->width() - 2, 2);
    closeButton->setStyleSheet(
        QStringLiteral("QPushButton{border-image: url(:/pics/btn_close.png);}"));
    // The button shows only an image; say what it does to screen readers and
    // on hover.
    closeButton->setAccessibleName(tr("关闭"));
    closeButton->setToolTip(tr("关闭"));

    if (showCancel) {
        cancelButton = new QPushButton(this);
        cancelButton->setText(tr("取消"));
        cancelButton->setStyleSheet(QLatin1String(kButtonStyle));
        cancelButton->resize(70, 25);
        cancelButton->move(width() - cancelButton->width() - 10, height() - 30);
        connect(cancelButton, &QPushButton::clicked, this, &InfoBox::cancelOperate);
    }

    okButton = new QPushButton(this);
    okButton->setText(tr("确定"));
    okButton->setStyleSheet(QLatin1String(kButtonStyle));
    okButton->resize(70, 25);
    if (showCancel)
        okButton->move(width() - okButton->width() - cancelButton->width() - 20, height() - 30);
    else
        okButton->move(width() - okButton->width() - 10, height() - 30);

    titleLabel->setText(title);
    textLabel->setText(text);
    fitText();

    connect(okButton, &QPushButton::clicked, this, &InfoBox::okOperate);
    connect(closeButton, &QPushButton::clicked, this, &InfoBox::cancelOperate);
}

InfoBox::~InfoBox() = default;

void InfoBox::fitText()
{
    const int needed = qMin(textLabel->heightForWidth(textLabel->width()), kMaxTextHeight);
    const int extra = needed - kTextHeight;
    if (extra <= 0)
        return;
    resize(width(), height() + extra);
    container->resize(container->width(), container->height() + extra);
    textLabel->resize(textLabel->width(), needed);
    for (QPushButton *button : {okButton, cancelButton}) {
        if (button)
            button->move(button->x(), button->y() + extra);
    }
}

void InfoBox::showInfo(QWidget *parent, const QString &title, const QString &text, QPixmap *icon)
{
    QPixmap shown = iconOrDefault(icon, QStringLiteral(":/pics/info.png"));
    InfoBox box(title, text, false, &shown, parent);
    box.exec();
}

bool InfoBox::showQuestion(QWidget *parent, const QString &title, const QString &text,
                           QPixmap *icon)
{
    QPixmap shown = iconOrDefault(icon, QStringLiteral(":/pics/question.png"));
    InfoBox box(title, text, true, &shown, parent);
    box.exec();
    // Escape rejects without cancelOperate(), which leaves okFlag false: only
    // the OK button answers yes.
    return box.okFlag;
}

bool InfoBox::isOk() const
{
    return okFlag;
}

void InfoBox::okOperate()
{
    okFlag = true;
    close();
    accept();
}

void InfoBox::cancelOperate()
{
    okFlag = false;
    close();
    reject();
}

void InfoBox::mousePressEvent(QMouseEvent *event)
{
    drag.press(this, event, kTitleStrip);
}

void InfoBox::mouseMoveEvent(QMouseEvent *event)
{
    drag.move(this, event);
}

void InfoBox::mouseReleaseEvent(QMouseEvent *event)
{
    drag.release(event);
}
