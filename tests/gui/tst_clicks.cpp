// A click belongs to the page it was made on. The result pages put their
// export and back buttons where the form's query and back buttons are: the
// second click of a double click, or a click queued while a query ran, must
// not press the button that took the clicked one's place.
#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"

#include "modalwatch.h"
#include "queryworld.h"
#include "windowaccess.h"

// Mouse events go to the window, as the window system sends them: Qt itself
// turns a second press within the double-click interval into a double click.
#define QTEST_QPA_MOUSE_HANDLING
#include <QTemporaryDir>
#include <QtTest>

using A = MainWindowTestAccess;

namespace {

QPoint centre(QWidget *w)
{
    return w->rect().center();
}

// A press and a release at `pos` of `target`, queued for the event loop as
// the window system queues input that comes while the program is busy.
void queueClick(QWidget *target, QPoint pos)
{
    const QPointF global = target->mapToGlobal(pos);
    QCoreApplication::postEvent(target,
                                new QMouseEvent(QEvent::MouseButtonPress, pos, global,
                                                Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(target,
                                new QMouseEvent(QEvent::MouseButtonRelease, pos, global,
                                                Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
}

} // namespace

class ClicksTest : public QObject
{
    Q_OBJECT
    QTemporaryDir work;
    int exportAsked = 0;

    // The window on screen and active, with the overall summary on the way.
    void showWindow(MainWindow &w)
    {
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
    }
    // A double click on `button`: press, release, press (a double click to
    // Qt), release. With `pause`, two clicks that far apart in real time.
    void doubleClick(QPushButton *button, int pause = 0)
    {
        if (pause == 0) {
            QTest::mouseDClick(button, Qt::LeftButton, Qt::NoModifier, centre(button));
        } else {
            const QPoint at = centre(button);
            QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, at);
            QTest::qWait(pause);
            QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, at);
        }
        QCoreApplication::processEvents();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(work.isValid());
        testsupport::setUpOneRunWorld(work.path());
        MainWindow::setSaveFileNameProvider(
            [this](QWidget *, const QString &, const QString &, const QString &) {
                ++exportAsked;
                return QString(); // as if the file dialog was cancelled
            });
        // The guard below is measured against this interval.
        QVERIFY(QApplication::doubleClickInterval() > 0);
    }

    void init() { exportAsked = 0; }

    void doubleClickOnQuery_data()
    {
        QTest::addColumn<int>("pause");
        QTest::newRow("double click") << 0;
        QTest::newRow("second click a third of the interval later")
            << QApplication::doubleClickInterval() / 3;
    }
    // Double click on "点击查询": the summary shows, the export is not asked
    // for; once the interval has passed, the export button works again.
    void doubleClickOnQuery()
    {
        QFETCH(int, pause);
        MainWindow w;
        showWindow(w);
        QCOMPARE(A::ui(w)->query_btn->geometry(), A::ui(w)->export_btn->geometry());
        const QStringList messages = modalwatch::messagesOf(
            [&] { doubleClick(A::ui(w)->query_btn, pause); }, work.filePath("out"));
        QCOMPARE(messages, QStringList());
        QCOMPARE(A::pages(w), (QList<int>{1, 1, 2}));
        QCOMPARE(exportAsked, 0);

        QTest::qWait(QApplication::doubleClickInterval() + 50);
        QTest::mouseClick(A::ui(w)->export_btn, Qt::LeftButton, Qt::NoModifier,
                          centre(A::ui(w)->export_btn));
        QCOMPARE(exportAsked, 1);
    }

    // Double click on "返回" of a result page: back on the form, and the
    // form's own back button ("退出", same place) does not end the program.
    void doubleClickOnBack()
    {
        MainWindow w;
        showWindow(w);
        modalwatch::messagesOf([&] { A::ui(w)->query_btn->click(); }, work.filePath("out"));
        QCOMPARE(A::pages(w), (QList<int>{1, 1, 2}));
        QCOMPARE(A::ui(w)->btn->geometry(), A::ui(w)->back_btn->geometry());
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        doubleClick(A::ui(w)->btn);
        QCOMPARE(A::pages(w), (QList<int>{0, 0, 0}));
        QVERIFY(w.isVisible());

        // Past the interval the form's back button closes the window as always.
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        QTest::mouseClick(A::ui(w)->back_btn, Qt::LeftButton, Qt::NoModifier,
                          centre(A::ui(w)->back_btn));
        QVERIFY(!w.isVisible());
    }

    // Clicks that reach the event loop after a query are dropped, whether the
    // query showed a result page or a message.
    void clicksQueuedDuringQuery()
    {
        MainWindow w;
        showWindow(w);
        QPushButton *query = A::ui(w)->query_btn;
        modalwatch::messagesOf(
            [&] {
                queueClick(A::ui(w)->export_btn, centre(query));
                QTest::mouseClick(query, Qt::LeftButton, Qt::NoModifier, centre(query));
                QCoreApplication::processEvents();
            },
            work.filePath("out"));
        QCOMPARE(A::pages(w), (QList<int>{1, 1, 2}));
        QCOMPARE(exportAsked, 0);
    }
};

QTEST_MAIN(ClicksTest)
#include "tst_clicks.moc"
