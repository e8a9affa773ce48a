// The main window: its designer tree, the state after construction, dragging
// the frameless window, the tray icon and menu, and the navigation buttons.

#include "mouse.h"
#include "toolrunner.h"
#include "windowaccess.h"

#include <QAction>
#include <QMenu>
#include <QtTest>

using A = MainWindowTestAccess;

namespace {
QList<int> pages(Ui_MainWindow *ui)
{
    return {ui->titleStackedWidget->currentIndex(), ui->contentStackedWidget->currentIndex(),
            ui->bottomStackedWidget->currentIndex()};
}

void sendMouse(QWidget *w, QEvent::Type type, QPoint pos, QPoint global, Qt::MouseButton button)
{
    // Moves carry the held button: Qt delivers moves without one only to
    // widgets that track the mouse.
    testsupport::sendMouse(w, type, pos, global, type == QEvent::MouseMove ? Qt::NoButton : button,
                           type == QEvent::MouseButtonRelease ? Qt::NoButton : button);
}
} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void designerTreeAlone()
    {
        QMainWindow host;
        Ui_MainWindow ui;
        ui.setupUi(&host);
        QCOMPARE(host.objectName(), QStringLiteral("MainWindow"));
        QCOMPARE(host.size(), QSize(422, 592));
        QCOMPARE(pages(&ui), QList<int>({2, 1, 2}));
        QCOMPARE(ui.tableWidget->columnCount(), 2);
        QCOMPARE(ui.tableWidget->rowCount(), 4);
        QCOMPARE(ui.tableWidget->item(2, 0)->text(), QStringLiteral("用户ID ："));
        QVERIFY(!ui.tableWidget->item(0, 1));
    }

    void constructedState()
    {
        MainWindow w;
        Ui_MainWindow *ui = A::ui(w);
        QCOMPARE(pages(ui), QList<int>({0, 0, 0}));
        QCOMPARE(ui->type_com->count(), 29);
        QCOMPARE(ui->type_com->itemText(28), QStringLiteral("renice"));
        QCOMPARE(ui->type_com->itemData(28).toInt(), 29);
        QVERIFY(A::startCalendar(w)->isHidden());
        QVERIFY(A::endCalendar(w)->isHidden());
        // The calendars lie above every other child of the form.
        QCOMPARE(ui->content1->children().last(), A::endCalendar(w));
        for (QPushButton *b :
             {ui->close_btn, ui->Minimization_btn, ui->back_btn, ui->btn, ui->fan_btn})
            QVERIFY2(!b->accessibleName().isEmpty() && !b->toolTip().isEmpty(),
                     qPrintable(b->objectName()));

        // Any later change of a date field opens its calendar.
        A::endEdit(w)->setText("2024-1-2 ");
        QVERIFY(!A::endCalendar(w)->isHidden());
        QVERIFY(A::startCalendar(w)->isHidden());
    }

    void dragging_data()
    {
        QTest::addColumn<QPoint>("press");
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<bool>("drags");
        QTest::newRow("top-left of band") << QPoint(1, 1) << Qt::LeftButton << true;
        QTest::newRow("bottom-right of band") << QPoint(421, 40) << Qt::LeftButton << true;
        QTest::newRow("right button") << QPoint(200, 20) << Qt::RightButton << true;
        QTest::newRow("left column") << QPoint(0, 20) << Qt::LeftButton << false;
        QTest::newRow("top row") << QPoint(200, 0) << Qt::LeftButton << false;
        QTest::newRow("below band") << QPoint(200, 41) << Qt::LeftButton << false;
    }

    void dragging()
    {
        QFETCH(QPoint, press);
        QFETCH(Qt::MouseButton, button);
        QFETCH(bool, drags);
        MainWindow w;
        w.move(100, 100);

        // Moves before any press leave the window alone.
        sendMouse(&w, QEvent::MouseMove, QPoint(5, 5), QPoint(300, 300), button);
        QCOMPARE(w.pos(), QPoint(100, 100));

        sendMouse(&w, QEvent::MouseButtonPress, press, QPoint(100, 100) + press, button);
        QCOMPARE(A::dragOffset(w), press);
        QCOMPARE(A::dragging(w), drags);
        sendMouse(&w, QEvent::MouseMove, press, QPoint(250, 180), button);
        QCOMPARE(w.pos(), drags ? QPoint(250, 180) - press : QPoint(100, 100));

        const QPoint before = w.pos();
        sendMouse(&w, QEvent::MouseButtonRelease, press, QPoint(250, 180), button);
        QVERIFY(!A::dragging(w));
        sendMouse(&w, QEvent::MouseMove, press, QPoint(10, 10), button);
        QCOMPARE(w.pos(), before);
    }

    void trayActivation_data()
    {
        QTest::addColumn<QSystemTrayIcon::ActivationReason>("reason");
        QTest::addColumn<bool>("shows");
        QTest::newRow("Trigger") << QSystemTrayIcon::Trigger << true;
        QTest::newRow("DoubleClick") << QSystemTrayIcon::DoubleClick << false;
        QTest::newRow("MiddleClick") << QSystemTrayIcon::MiddleClick << false;
        QTest::newRow("Context") << QSystemTrayIcon::Context << false;
        QTest::newRow("Unknown") << QSystemTrayIcon::Unknown << false;
    }

    void trayActivation()
    {
        QFETCH(QSystemTrayIcon::ActivationReason, reason);
        MainWindow w;
        w.show();
        w.setVisible(false); // as the minimize button does when a tray exists
        emit w.findChild<QSystemTrayIcon *>()->activated(reason);
        QTEST(w.isVisible(), "shows");
    }

    // The minimize button hides the window only where a tray icon can bring
    // it back; without a notification area (as here, offscreen) it minimizes.
    void minimizeWithoutTray()
    {
        QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
        MainWindow w;
        w.show();
        QTest::mouseClick(A::ui(w)->Minimization_btn, Qt::LeftButton);
        QVERIFY(w.isVisible());
        QVERIFY(w.windowState() & Qt::WindowMinimized);
    }

    void windowCloses_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("hiddenFirst");
        QTest::newRow("close button") << "close_btn" << false;
        QTest::newRow("back on the query form") << "back_btn" << false;
        QTest::newRow("tray menu, shown") << "menu" << false;
        QTest::newRow("tray menu, hidden to tray") << "menu" << true;
    }

    void windowCloses()
    {
        QFETCH(QString, how);
        QFETCH(bool, hiddenFirst);
        // Closing (not just hiding) deletes a window that asks for it.
        QPointer<MainWindow> w = new MainWindow;
        w->setAttribute(Qt::WA_DeleteOnClose);
        w->show();
        if (hiddenFirst)
            w->setVisible(false); // hidden to the tray
        if (how == "menu")
            w->findChild<QMenu *>()->actions().value(1)->trigger();
        else
            w->findChild<QPushButton *>(how)->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(w.isNull());
    }

    // Closing the only window ends the program, also when it is hidden to the
    // tray (Qt alone quits only when the last visible window closes).
    void closingEndsProgram_data() { windowCloses_data(); }
    void closingEndsProgram()
    {
        QFETCH(QString, how);
        QFETCH(bool, hiddenFirst);
        testsupport::ToolOptions options;
        options.timeoutMs = 15000;
        const testsupport::ToolRun probe = testsupport::runTool(
            QStringLiteral(KVR_CLOSE_PROBE),
            {how, hiddenFirst ? QStringLiteral("hidden") : QStringLiteral("shown")}, options);
        QVERIFY(probe.finished);
        QVERIFY(!probe.crashed);
        QCOMPARE(probe.exit, 0);
    }

    void backToQueryKeepsForm_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QList<int>>("from");
        QTest::newRow("btn from the report table") << "btn" << QList<int>({1, 2, 2});
        QTest::newRow("fan_btn from the summary list") << "fan_btn" << QList<int>({2, 1, 1});
    }

    void backToQueryKeepsForm()
    {
        QFETCH(QString, button);
        QFETCH(QList<int>, from);
        MainWindow w;
        Ui_MainWindow *ui = A::ui(w);
        ui->type_com->setCurrentIndex(5);
        A::startEdit(w)->setText("2024-3-1 ");
        ui->listWidget->addItem("summary line");
        ui->tableWidget->setItem(1, 1, new QTableWidgetItem("42"));
        ui->titleStackedWidget->setCurrentIndex(from[0]);
        ui->contentStackedWidget->setCurrentIndex(from[1]);
        ui->bottomStackedWidget->setCurrentIndex(from[2]);

        QTest::mouseClick(w.findChild<QPushButton *>(button), Qt::LeftButton);

        QCOMPARE(pages(ui), QList<int>({0, 0, 0}));
        QCOMPARE(ui->type_com->currentText(), QStringLiteral("su"));
        QCOMPARE(A::startEdit(w)->text(), QStringLiteral("2024-3-1 "));
        QCOMPARE(A::endEdit(w)->text(), QStringLiteral("all"));
        QCOMPARE(ui->listWidget->count(), 1);
        QCOMPARE(ui->tableWidget->item(1, 1)->text(), QStringLiteral("42"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
