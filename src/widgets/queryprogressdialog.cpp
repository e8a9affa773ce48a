// The progress dialog of a running query (see queryprogressdialog.h).
#include "widgets/queryprogressdialog.h"

#include "audit/queryrunner.h"

#include <QFont>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QWindow>

namespace {

// The look of InfoBox: green bands, a white panel, the green dialog button.
const char kButtonStyle[] = "QPushButton:focus{padding: -2;}"
                            "QPushButton{border-image:url(:/pics/btn.png);}"
                            "QPushButton:hover{border-image: url(:/pics/btn_over.png);}"
                            "QPushButton:pressed{border-image: url(:/pics/btn_press.png);}";
const char kBarStyle[] = "QProgressBar{border:1px solid #BBBBBB;background-color:white;"
                         "text-align:center;color:black;}"
                         "QProgressBar::chunk{background-color:#32B16C;}";

// The title band that drags the dialog.
const QRect kTitleStrip(QPoint(0, 0), QPoint(319, 34));

} // namespace

QueryProgressDialog::QueryProgressDialog(QueryProgress *shown, QWidget *parent)
    : QDialog(parent), progress(shown)
{
    setObjectName(QStringLiteral("queryProgressDialog"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setModal(true);
    setFixedSize(320, 150);
    setStyleSheet(QStringLiteral("QDialog {background-color:#32B16C;}"));
    setWindowTitle(tr("正在查询…"));

    auto *panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("container"));
    panel->setStyleSheet(QStringLiteral("QWidget#container{background-color:white;}"));
    panel->setGeometry(1, 35, 318, 80);

    titleLabel = new QLabel(tr("正在查询…"), this);
    titleLabel->setStyleSheet(QStringLiteral("QLabel{color:white;}"));
    QFont titleFont = titleLabel->font();
    titleFont.setWeight(QFont::Bold);
    titleLabel->setFont(titleFont);
    titleLabel->setGeometry(15, 2, 270, 30);

    stageLabel = new QLabel(panel);
    stageLabel->setStyleSheet(QStringLiteral("QLabel{color:black;}"));
    stageLabel->setGeometry(19, 8, 280, 20);
    bar = new QProgressBar(panel);
    bar->setStyleSheet(QLatin1String(kBarStyle));
    bar->setGeometry(19, 31, 280, 18);
    bytesLabel = new QLabel(panel);
    bytesLabel->setStyleSheet(QStringLiteral("QLabel{color:#555555;}"));
    bytesLabel->setGeometry(19, 53, 280, 20);

    cancel = new QPushButton(tr("取消"), this);
    cancel->setStyleSheet(QLatin1String(kButtonStyle));
    cancel->setGeometry(240, 120, 70, 25);
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &QueryProgressDialog::reject);

    refreshTimer.setInterval(100);
    connect(&refreshTimer, &QTimer::timeout, this, &QueryProgressDialog::refresh);
    refresh();
}

QueryProgressDialog::~QueryProgressDialog() = default;

QString QueryProgressDialog::sizeText(qint64 bytes)
{
    return QLocale().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

void QueryProgressDialog::refresh()
{
    if (progress->isCancelled()) {
        stageLabel->setText(tr("正在取消查询…"));
        cancel->setEnabled(false);
        return;
    }
    switch (progress->stage()) {
    case QueryProgress::Stage::Starting:
        stageLabel->setText(tr("正在准备查询…"));
        break;
    case QueryProgress::Stage::Searching:
        stageLabel->setText(tr("正在检索审计日志…"));
        break;
    case QueryProgress::Stage::Counting:
        stageLabel->setText(tr("正在统计检索结果…"));
        break;
    case QueryProgress::Stage::Reporting:
        stageLabel->setText(tr("正在生成报告…"));
        break;
    case QueryProgress::Stage::Summarizing:
        stageLabel->setText(tr("正在汇总审计日志…"));
        break;
    }
    const qint64 total = progress->bytesTotal();
    const qint64 read = qBound<qint64>(0, progress->bytesRead(), qMax<qint64>(total, 0));
    const bool readingTrail = progress->stage() == QueryProgress::Stage::Searching
        || progress->stage() == QueryProgress::Stage::Summarizing;
    // Before the tool's first progress line, and while the pipelines count
    // what it found, there is nothing to measure: the bar only moves.
    if (total > 0 && readingTrail) {
        bar->setRange(0, 1000);
        bar->setValue(static_cast<int>(read * 1000 / total));
        bar->setFormat(QStringLiteral("%1%").arg(read * 100 / total));
        bar->setTextVisible(true);
    } else {
        bar->setRange(0, 0);
        bar->setTextVisible(false);
    }
    if (total >= 0)
        bytesLabel->setText(tr("已读取审计日志 %1 / %2").arg(sizeText(read), sizeText(total)));
    else if (readingTrail)
        bytesLabel->setText(tr("正在打开审计日志…"));
    else
        bytesLabel->setText(tr("审计日志已读完"));
}

QString QueryProgressDialog::stageText() const
{
    return stageLabel->text();
}

QString QueryProgressDialog::bytesText() const
{
    return bytesLabel->text();
}

bool QueryProgressDialog::barIsIndeterminate() const
{
    return bar->maximum() == 0;
}

int QueryProgressDialog::barPercent() const
{
    return bar->maximum() == 0 ? -1 : bar->value() * 100 / bar->maximum();
}

void QueryProgressDialog::reject()
{
    // The dialog goes when the query's commands are gone, not before.
    progress->cancel();
    refresh();
}

void QueryProgressDialog::showEvent(QShowEvent *event)
{
    refresh();
    refreshTimer.start();
    QDialog::showEvent(event);
}

void QueryProgressDialog::mousePressEvent(QMouseEvent *event)
{
    drag.press(this, event, kTitleStrip);
}

void QueryProgressDialog::mouseMoveEvent(QMouseEvent *event)
{
    drag.move(this, event);
}

void QueryProgressDialog::mouseReleaseEvent(QMouseEvent *event)
{
    drag.release(event);
}
