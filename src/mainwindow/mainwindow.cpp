#include "mainwindow/mainwindow.h"

#include "app/about.h"
#include "app/language.h"
#include "audit/querycore.h"
#include "mainwindow/inputguard.h"
#include "ui_mainwindow.h"
#include "widgets/infobox.h"
#include "widgets/line_edit.h"

#include <QAction>
#include <QCalendarWidget>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QLocale>
#include <QMenu>
#include <QMouseEvent>
#include <QPalette>
#include <QWindow>

#include <cstdlib>

namespace {

const char backButtonStyleZh[] = "QPushButton{border-image: url(:/pics/return.png);}"
                                 "QPushButton:hover{border-image: url(:/pics/return_hover.png);}";
const char backButtonStyleEn[] =
    "QPushButton{border-image: url(:/pics/images/en/return.png);}"
    "QPushButton:hover{border-image: url(:/pics/images/en/return_hover.png);}";

const char aboutProgram[] = "/usr/share/kvr-duvovedadizuve/bin/about-dialog";

// Presses in this band (window coordinates) drag the frameless window.
bool inDragBand(const QPoint &pos)
{
    return pos.x() >= 1 && pos.x() <= 549 && pos.y() >= 1 && pos.y() <= 40;
}

// Closes the program's only window, which ends the program. Qt ends the
// event loop by itself only when the last *visible* window closes, so a window
// hidden to the tray (closed from the tray menu) ends it explicitly.
void closeWindow(QWidget *window)
{
    const bool wasHidden = window->isHidden();
    if (window->close() && wasHidden && QGuiApplication::quitOnLastWindowClosed())
        QCoreApplication::quit();
}

void describeButton(QPushButton *button, const QString &what)
{
    button->setAccessibleName(what);
    button->setToolTip(what);
}

} // namespace

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent), ui(new Ui_MainWindow)
{
    ui->setupUi(this);
    inputGuard = new InputGuard(this);

    QPalette pal = palette();
    pal.setBrush(QPalette::Window, QBrush(QColor(50, 177, 108, 255)));
    setPalette(pal);
    setAutoFillBackground(true);

    ui->contentStackedWidget->setStyleSheet(
        QStringLiteral("QWidget#contentStackedWidget{background-color:white;}"));

    showPageSet(PageSet::QueryForm);

    createTrayIcon();

    ui->query_btn->setStyleSheet(
        QStringLiteral("QPushButton{border-image:url(:/pics/anniu.png);color:white;}"));
    ui->titlelabel_1->setText(tr("审计报告"));
    ui->query_btn->setText(tr("点击查询"));
    ui->slot_label->setText(tr("请选择时间段"));
    ui->type_label->setText(tr("请选择事件类型"));

    ui->type_com->setStyleSheet(
        QStringLiteral("QComboBox{border:1px solid #BBBBBB;width:50px;}"
                       "QComboBox QAbstractItemView::item{height:25px;}"
                       "QComboBox::down-arrow{image:url(:/pics/combox.png);}"
                       "QComboBox::drop-down{border:0px;}"));
    // Only "all", the no-restriction marker, is translated; the commands keep
    // their names in every language.
    ui->type_com->addItem(tr("all"), 1);
    int data = 2;
    for (const QString &name : querycore::eventTypeNames())
        ui->type_com->addItem(name, data++);

    startEdit = new line_edit(ui->content1);
    startEdit->setGeometry(21, 41, 132, 32);
    startEdit->setText(tr("all"));

    endEdit = new line_edit(ui->content1);
    endEdit->setText(tr("all"));
    endEdit->setGeometry(181, 41, 132, 32);

    // Made after every other child of content1, so an open calendar lies on
    // top of the fields and the event-type box.
    startCalendar = new QCalendarWidget(ui->content1);
    startCalendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    startCalendar->setGeometry(21, 73, 248, 157);
    startCalendar->hide();

    endCalendar = new QCalendarWidget(ui->content1);
    endCalendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    endCalendar->setGeometry(181, 73, 248, 157);
    endCalendar->hide();
    // Only the dates that the search reads the same way can be picked.
    for (QCalendarWidget *calendar : {startCalendar, endCalendar})
        calendar->setDateRange(querycore::firstSearchDate(), querycore::lastSearchDate());

    const QString backStyle =
        QString::fromLatin1(uiLanguage == QLocale::English ? backButtonStyleEn : backButtonStyleZh);
    ui->back_btn->setStyleSheet(backStyle);
    ui->btn->setStyleSheet(backStyle);
    ui->fan_btn->setStyleSheet(backStyle);

    // The window buttons show only a picture; give them a name and a tip for
    // screen readers and for the mouse.
    describeButton(ui->close_btn, tr("关闭"));
    describeButton(ui->Minimization_btn, tr("最小化到托盘"));
    describeButton(ui->back_btn, tr("退出"));
    describeButton(ui->btn, tr("返回查询"));
    describeButton(ui->fan_btn, tr("返回查询"));

    // The texts above are set before these connections, so building the
    // window opens no calendar; any later change of a date field does.
    connect(startEdit, SIGNAL(clicked()), this, SLOT(showCalendar()));
    connect(startEdit, SIGNAL(textChanged(QString)), startCalendar, SLOT(show()));
    connect(endEdit, SIGNAL(clicked()), this, SLOT(showTimeCalendar()));
    connect(endEdit, SIGNAL(textChanged(QString)), endCalendar, SLOT(show()));
    connect(startCalendar, SIGNAL(clicked(QDate)), this, SLOT(ok()));
    connect(endCalendar, SIGNAL(clicked(QDate)), this, SLOT(deadok()));
    connect(ui->tableWidget, SIGNAL(entered(QModelIndex)), this, SLOT(showToolTip(QModelIndex)));

    setUpKeyboard();
}

MainWindow::~MainWindow()
{
    delete ui;
}

void MainWindow::createTrayIcon()
{
    const QIcon icon(QStringLiteral(":/pics/tray.png"));
    setWindowIcon(icon);

    auto *trayIcon = new QSystemTrayIcon(this);
    trayIcon->setIcon(icon);
    trayIcon->setToolTip(tr("DuvovedaDizuve"));

    auto *menu = new QMenu(this);
    menu->setStyleSheet(QStringLiteral("QMenu::item{padding:2px 25px 2px 20px ;padding-left:20px;}"
                                       "QMenu::item:selected{background-color:#CCDAE7;}"));

    auto *aboutAction = new QAction(tr("about"), this);
    menu->addAction(aboutAction);
    connect(aboutAction, SIGNAL(triggered()), this, SLOT(about()));

    auto *quitAction = new QAction(tr("back to main"), this);
    menu->addAction(quitAction);
    connect(quitAction, SIGNAL(triggered()), this, SLOT(quit()));

    trayIcon->setContextMenu(menu);
    trayIcon->show();
    connect(trayIcon, SIGNAL(activated(QSystemTrayIcon::ActivationReason)), this,
            SLOT(iconActivated(QSystemTrayIcon::ActivationReason)));
}

void MainWindow::mousePressEvent(QMouseEvent *event)
{
    dragOffset = event->position().toPoint();
    if (!inDragBand(dragOffset))
        return;
    // Where the platform moves windows itself (Wayland ignores move()), a
    // left press hands the drag to it; elsewhere the window follows the mouse.
    if (event->button() == Qt::LeftButton && windowHandle() && windowHandle()->startSystemMove())
        return;
    dragging = true;
}

void MainWindow::mouseMoveEvent(QMouseEvent *event)
{
    if (dragging)
        move(event->globalPosition().toPoint() - dragOffset);
}

void MainWindow::mouseReleaseEvent(QMouseEvent *)
{
    dragging = false;
}

void MainWindow::resizeEvent(QResizeEvent *)
{
    // The window has a fixed size and no frame: whatever state a window
    // manager pushes on it, bring it back to a normal, shown window.
    showNormal();
}

void MainWindow::on_close_btn_clicked()
{
    closeWindow(this);
}

void MainWindow::on_Minimization_btn_clicked()
{
    // Hidden, not minimized: the tray icon brings it back. A desktop without
    // a notification area shows no tray icon, and a hidden window would be
    // lost there for good, so it is only minimized to the task bar.
    if (QSystemTrayIcon::isSystemTrayAvailable())
        setVisible(false);
    else
        showMinimized();
}

void MainWindow::iconActivated(QSystemTrayIcon::ActivationReason reason)
{
    if (reason == QSystemTrayIcon::Trigger)
        setVisible(true);
}

void MainWindow::on_back_btn_clicked()
{
    closeWindow(this);
}

void MainWindow::showPageSet(PageSet pages)
{
    // Pages of contentStackedWidget, bottomStackedWidget and titleStackedWidget.
    struct Indexes {
        int content, bottom, title;
    };
    Indexes indexes{0, 0, 0};
    switch (pages) {
    case PageSet::QueryForm:
        break;
    case PageSet::OverallSummary:
        indexes = {1, 1, 2};
        break;
    case PageSet::QueryReport:
        indexes = {2, 2, 1};
        break;
    }
    // A click or key meant for the pages just replaced must not reach the new ones.
    if (ui->contentStackedWidget->currentIndex() != indexes.content && isVisible())
        inputGuard->arm();
    ui->contentStackedWidget->setCurrentIndex(indexes.content);
    ui->bottomStackedWidget->setCurrentIndex(indexes.bottom);
    ui->titleStackedWidget->setCurrentIndex(indexes.title);
}

void MainWindow::on_btn_clicked()
{
    showPageSet(PageSet::QueryForm);
}

void MainWindow::on_fan_btn_clicked()
{
    on_btn_clicked();
}

void MainWindow::quit()
{
    closeWindow(this);
}

void MainWindow::about()
{
    // Without the suite's about program, the program tells about itself.
    if (!QFileInfo(QString::fromLatin1(aboutProgram)).isExecutable()) {
        InfoBox::showInfo(this, about::title(), about::text());
        return;
    }
    // Blocks until the about program exits; its outcome is not ours to report.
    [[maybe_unused]] const int status = std::system(aboutProgram);
}
