// MainWindow itself: construction, page sets, dragging the frameless window,
// the tray icon and its menu, about and closing.
#include "mainwindow/mainwindow.h"

#include "app/about.h"
#include "app/language.h"
#include "audit/processrunner.h"
#include "audit/sysusers.h"
#include "mainwindow/inputguard.h"
#include "ui_mainwindow.h"
#include "widgets/infobox.h"
#include "widgets/queryform.h"

#include <QAction>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QLocale>
#include <QMenu>
#include <QMouseEvent>
#include <QPalette>
#include <QWindow>

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

    queryForm()->build();
    connect(queryForm(), &QueryForm::requested, this, &MainWindow::runQuery);

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

    connect(ui->tableWidget, &QTableWidget::entered, this, &MainWindow::showToolTip);
    setUpReportPage();

    setUpKeyboard();
}

MainWindow::~MainWindow() = default;

QueryForm *MainWindow::queryForm() const
{
    return ui->content1;
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
    connect(aboutAction, &QAction::triggered, this, &MainWindow::about);

    auto *quitAction = new QAction(tr("back to main"), this);
    menu->addAction(quitAction);
    connect(quitAction, &QAction::triggered, this, &MainWindow::quit);

    trayIcon->setContextMenu(menu);
    trayIcon->show();
    connect(trayIcon, &QSystemTrayIcon::activated, this, &MainWindow::iconActivated);
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
    processrunner::run({QString::fromLatin1(aboutProgram)});
}

void MainWindow::showCalendar()
{
    queryForm()->toggleStartCalendar();
}

void MainWindow::showTimeCalendar()
{
    queryForm()->toggleEndCalendar();
}

void MainWindow::ok()
{
    queryForm()->takeStartDate();
}

void MainWindow::deadok()
{
    queryForm()->takeEndDate();
}

QStringList MainWindow::getCurrentSysUsers()
{
    return sysusers::accountNames(passwdPath);
}

void MainWindow::setPasswdPath(const QString &path)
{
    passwdPath = path;
}
