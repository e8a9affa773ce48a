// The window from the keyboard: Tab through the form in reading order, Enter
// or Return runs the query, Escape goes back from a result page and never
// closes the program, the calendars open with Down, walk with the arrow keys,
// pick with Return and close with Escape.
#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"
#include "widgets/line_edit.h"

#include "modalwatch.h"
#include "queryworld.h"
#include "windowaccess.h"

#include <QCalendarWidget>
#include <QTemporaryDir>
#include <QtTest>

using A = MainWindowTestAccess;

namespace {

// Keys go to the widget with the focus, as the window system sends them.
void key(MainWindow &w, int k)
{
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &w, Qt::Key(k));
}

} // namespace

class KeyboardTest : public QObject
{
    Q_OBJECT
    QTemporaryDir work;

    void showWindow(MainWindow &w)
    {
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
    }
    // Past the time in which input after a page change is dropped.
    void settle() { QTest::qWait(QApplication::doubleClickInterval() + 50); }

private slots:
    void initTestCase()
    {
        QVERIFY(work.isValid());
        testsupport::setUpOneRunWorld(work.path());
    }

    // Tab from the start field: end field, event type, query button, in turn.
    void tabOrder()
    {
        MainWindow w;
        showWindow(w);
        QCOMPARE(QApplication::focusWidget(), A::edit(w, DateField::Start));
        const QList<QWidget *> order{A::edit(w, DateField::End), A::ui(w)->type_com,
                                     A::ui(w)->query_btn};
        for (QWidget *next : order) {
            key(w, Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
        for (int i = order.size() - 2; i >= -1; --i) {
            key(w, Qt::Key_Backtab);
            QCOMPARE(QApplication::focusWidget(), i >= 0 ? order[i] : A::edit(w, DateField::Start));
        }
    }

    void enterRunsQuery_data()
    {
        QTest::addColumn<int>("focus"); // 0 start field, 1 end field, 2 type box, 3 query button
        QTest::addColumn<int>("enterKey");
        QTest::newRow("Return in the start field") << 0 << int(Qt::Key_Return);
        QTest::newRow("Enter in the end field") << 1 << int(Qt::Key_Enter);
        QTest::newRow("Return on the type box") << 2 << int(Qt::Key_Return);
        QTest::newRow("Return on the query button") << 3 << int(Qt::Key_Return);
    }
    // Enter or Return anywhere in the form runs the query; Escape on the
    // result page goes back to the form and leaves the window open.
    void enterRunsQuery()
    {
        QFETCH(int, focus);
        QFETCH(int, enterKey);
        MainWindow w;
        showWindow(w);
        QWidget *targets[] = {A::edit(w, DateField::Start), A::edit(w, DateField::End),
                              A::ui(w)->type_com, A::ui(w)->query_btn};
        targets[focus]->setFocus();
        QStringList messages =
            modalwatch::messagesOf([&] { key(w, enterKey); }, work.filePath("out"));
        QCOMPARE(messages, QStringList());
        QCOMPARE(A::pages(w), (QList<int>{1, 1, 2}));

        settle();
        key(w, Qt::Key_Escape);
        QCOMPARE(A::pages(w), (QList<int>{0, 0, 0}));
        QVERIFY(w.isVisible());
        settle();
        key(w, Qt::Key_Escape); // on the form: nothing, least of all closing
        QVERIFY(w.isVisible());
        QCOMPARE(A::pages(w), (QList<int>{0, 0, 0}));
    }

    // Escape goes back from the report table too, with the focus on the table.
    void escapeFromReport()
    {
        MainWindow w;
        showWindow(w);
        A::ui(w)->type_com->setCurrentText("sudo");
        modalwatch::messagesOf([&] { A::ui(w)->query_btn->click(); }, work.filePath("out"));
        QCOMPARE(A::pages(w), (QList<int>{2, 2, 1}));
        settle();
        A::ui(w)->tableWidget->setFocus();
        key(w, Qt::Key_Escape);
        QCOMPARE(A::pages(w), (QList<int>{0, 0, 0}));
        QVERIFY(w.isVisible());
    }

    // Down opens the field's calendar, the arrow keys walk the days, Return
    // picks one into the field, Escape closes the calendar without picking.
    void calendarKeys_data()
    {
        QTest::addColumn<bool>("start");
        QTest::newRow("start") << true;
        QTest::newRow("end") << false;
    }
    void calendarKeys()
    {
        QFETCH(bool, start);
        MainWindow w;
        showWindow(w);
        line_edit *field = A::edit(w, start ? DateField::Start : DateField::End);
        QCalendarWidget *calendar = A::calendar(w, start ? DateField::Start : DateField::End);
        calendar->setSelectedDate(QDate(2024, 3, 5));
        field->setFocus();
        key(w, Qt::Key_Down);
        QVERIFY(calendar->isVisible());
        QVERIFY(calendar->isAncestorOf(QApplication::focusWidget()));
        key(w, Qt::Key_Right);
        key(w, Qt::Key_Down);
        QCOMPARE(calendar->selectedDate(), QDate(2024, 3, 13));
        key(w, Qt::Key_Return);
        QCOMPARE(field->text(), QString("2024-3-13 "));
        QVERIFY(calendar->isHidden());
        QCOMPARE(QApplication::focusWidget(), field);
        QCOMPARE(A::pages(w), (QList<int>{0, 0, 0})); // picking a day runs no query

        key(w, Qt::Key_Down);
        QVERIFY(calendar->isVisible());
        key(w, Qt::Key_Left);
        key(w, Qt::Key_Escape);
        QVERIFY(calendar->isHidden());
        QCOMPARE(field->text(), QString("2024-3-13 "));
        QCOMPARE(QApplication::focusWidget(), field);
        QVERIFY(w.isVisible());

        // Typing opens the calendar (as a click would); Escape closes it.
        QTest::keyClick(field, Qt::Key_Backspace);
        QVERIFY(calendar->isVisible());
        key(w, Qt::Key_Escape);
        QVERIFY(calendar->isHidden());
    }
};

QTEST_MAIN(KeyboardTest)
#include "tst_keyboard.moc"
