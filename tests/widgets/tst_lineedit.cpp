#include "widgets/line_edit.h"

#include <QSignalSpy>
#include <QtTest>

class TestLineEdit : public QObject
{
    Q_OBJECT

private slots:
    void pressesByButton_data();
    void pressesByButton();
    void clickedRunsBeforeTheBaseHandlesThePress();
};

void TestLineEdit::pressesByButton_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<int>("clicks");
    QTest::addColumn<bool>("caretMoves");
    QTest::newRow("left") << Qt::LeftButton << 1 << true;
    // The middle button still places the caret: the press reaches QLineEdit.
    QTest::newRow("middle") << Qt::MiddleButton << 0 << true;
    QTest::newRow("right") << Qt::RightButton << 0 << false;
}

void TestLineEdit::pressesByButton()
{
    QFETCH(Qt::MouseButton, button);
    QFETCH(int, clicks);
    QFETCH(bool, caretMoves);

    QWidget window;
    line_edit edit(&window);
    edit.setGeometry(0, 0, 200, 30);
    edit.setText(QStringLiteral("2024-12-25 "));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    edit.setCursorPosition(edit.text().size());

    QSignalSpy spy(&edit, &line_edit::clicked);
    QTest::mousePress(&edit, button, Qt::NoModifier, QPoint(4, edit.height() / 2));
    QCOMPARE(spy.count(), clicks);
    QCOMPARE(edit.cursorPosition() == 0, caretMoves);
    QTest::mouseRelease(&edit, button, Qt::NoModifier, QPoint(4, edit.height() / 2));
    QCOMPARE(spy.count(), clicks); // the release emits nothing
}

void TestLineEdit::clickedRunsBeforeTheBaseHandlesThePress()
{
    QWidget window;
    line_edit edit(&window);
    edit.setGeometry(0, 0, 200, 30);
    edit.setText(QStringLiteral("abcdefgh"));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    edit.setCursorPosition(8);

    int caretSeenBySlot = -1;
    connect(&edit, &line_edit::clicked, &edit, [&] { caretSeenBySlot = edit.cursorPosition(); });
    QTest::mousePress(&edit, Qt::LeftButton, Qt::NoModifier, QPoint(3, 15));
    QCOMPARE(caretSeenBySlot, 8);       // the slot ran before the caret moved
    QCOMPARE(edit.cursorPosition(), 0); // and the press then placed it
}

QTEST_MAIN(TestLineEdit)
#include "tst_lineedit.moc"
