#include "widgets/infobox.h"

#include "modalhelper.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

class InfoBoxTestAccess
{
public:
    static QPushButton *ok(InfoBox *b) { return b->okButton; }
    static QPushButton *cancel(InfoBox *b) { return b->showCancel ? b->cancelButton : nullptr; }
    static QPushButton *close(InfoBox *b) { return b->closeButton; }
    static QLabel *icon(InfoBox *b) { return b->iconLabel; }
    static QLabel *title(InfoBox *b) { return b->titleLabel; }
    static QLabel *text(InfoBox *b) { return b->textLabel; }
    static QWidget *container(InfoBox *b) { return b->container; }
    static bool dragging(InfoBox *b) { return b->dragging; }
};
using A = InfoBoxTestAccess;

namespace {

void sendMouse(QWidget *w, QEvent::Type type, const QPoint &local, Qt::MouseButton button,
               Qt::MouseButtons held)
{
    QMouseEvent event(type, QPointF(local), QPointF(w->mapToGlobal(local)), button, held,
                      Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

// A move of the mouse to the global point g, with the local position the
// event would carry before the window follows.
void sendMoveTo(QWidget *w, const QPoint &g, Qt::MouseButtons held)
{
    QMouseEvent event(QEvent::MouseMove, QPointF(w->mapFromGlobal(g)), QPointF(g), Qt::NoButton,
                      held, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

} // namespace

class TestInfoBox : public QObject
{
    Q_OBJECT

private slots:
    void geometryOfBothForms_data();
    void geometryOfBothForms();
    void answers_data();
    void answers();
    void infoFormClosesWithOk();
    void icons_data();
    void icons();
    void dragStartsOnlyInTitleStrip_data();
    void dragStartsOnlyInTitleStrip();
    void dragKeepsGrabbedPointUnderCursor();
};

void TestInfoBox::geometryOfBothForms_data()
{
    QTest::addColumn<bool>("question");
    QTest::addColumn<QPoint>("okPos");
    QTest::newRow("information") << false << QPoint(240, 120);
    QTest::newRow("question") << true << QPoint(160, 120);
}

void TestInfoBox::geometryOfBothForms()
{
    QFETCH(bool, question);
    QFETCH(QPoint, okPos);
    InfoBox box(QStringLiteral("标题"), QStringLiteral("正文"), question, nullptr, nullptr);

    QCOMPARE(box.size(), QSize(320, 150));
    QVERIFY(box.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(A::container(&box)->geometry(), QRect(1, 35, 318, 80));
    QCOMPARE(A::title(&box)->geometry(), QRect(15, 2, 270, 30));
    QVERIFY(A::title(&box)->font().bold());
    QCOMPARE(A::title(&box)->text(), QStringLiteral("标题"));
    QCOMPARE(A::text(&box)->geometry(), QRect(65, 27, 220, 50));
    QVERIFY(A::text(&box)->wordWrap());
    QCOMPARE(A::text(&box)->text(), QStringLiteral("正文"));
    QCOMPARE(A::close(&box)->geometry(), QRect(290, 2, 28, 28));
    QVERIFY(!A::close(&box)->accessibleName().isEmpty());

    QCOMPARE(A::ok(&box)->geometry(), QRect(okPos, QSize(70, 25)));
    QCOMPARE(A::ok(&box)->text(), QStringLiteral("确定"));
    const QList<QPushButton *> buttons = box.findChildren<QPushButton *>();
    if (question) {
        QCOMPARE(buttons.size(), 3);
        QCOMPARE(A::cancel(&box)->geometry(), QRect(240, 120, 70, 25));
        QCOMPARE(A::cancel(&box)->text(), QStringLiteral("取消"));
    } else {
        QCOMPARE(buttons.size(), 2); // OK and close only
    }
}

void TestInfoBox::answers_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("expected");
    QTest::newRow("ok button") << "ok" << true;
    QTest::newRow("cancel button") << "cancel" << false;
    QTest::newRow("close button") << "close" << false;
    QTest::newRow("escape key") << "escape" << false;
}

void TestInfoBox::answers()
{
    QFETCH(QString, how);
    QFETCH(bool, expected);
    bool answered = false;
    answerNextModal(
        [how](QWidget *w) {
            auto box = qobject_cast<InfoBox *>(w);
            QVERIFY(box);
            if (how == QLatin1String("ok"))
                QTest::mouseClick(A::ok(box), Qt::LeftButton);
            else if (how == QLatin1String("cancel"))
                QTest::mouseClick(A::cancel(box), Qt::LeftButton);
            else if (how == QLatin1String("close"))
                QTest::mouseClick(A::close(box), Qt::LeftButton);
            else
                QTest::keyClick(box, Qt::Key_Escape);
        },
        &answered);
    const bool result = InfoBox::showQuestion(nullptr, QStringLiteral("问题"), QStringLiteral("继续吗?"));
    QVERIFY(answered);
    QCOMPARE(result, expected);
    QVERIFY(!QApplication::activeModalWidget());
}

void TestInfoBox::infoFormClosesWithOk()
{
    bool answered = false;
    bool sawCancel = true;
    answerNextModal(
        [&sawCancel](QWidget *w) {
            auto box = qobject_cast<InfoBox *>(w);
            QVERIFY(box);
            sawCancel = A::cancel(box) != nullptr;
            QTest::mouseClick(A::ok(box), Qt::LeftButton);
        },
        &answered);
    QElapsedTimer clock;
    clock.start();
    InfoBox::showInfo(nullptr, QStringLiteral("导出报告"), QStringLiteral("导出成功"));
    QVERIFY(answered);
    QVERIFY(!sawCancel);
    QVERIFY(clock.elapsed() < 4000); // closed by OK, not by the safety net
}

void TestInfoBox::icons_data()
{
    QTest::addColumn<bool>("question");
    QTest::addColumn<bool>("ownIcon");
    QTest::addColumn<QString>("defaultIcon");
    QTest::newRow("info, default") << false << false << ":/pics/info.png";
    QTest::newRow("question, default") << true << false << ":/pics/question.png";
    QTest::newRow("info, own icon") << false << true << QString();
    QTest::newRow("question, own icon") << true << true << QString();
}

void TestInfoBox::icons()
{
    QFETCH(bool, question);
    QFETCH(bool, ownIcon);
    QFETCH(QString, defaultIcon);

    // An icon that differs from both defaults and is not 32 x 32.
    QPixmap own(48, 48);
    own.fill(Qt::magenta);
    const QImage expected = ownIcon ? own.toImage() : QPixmap(defaultIcon).toImage();
    QVERIFY(!expected.isNull());

    QImage shown;
    QRect iconGeometry;
    bool scaled = false;
    answerNextModal([&](QWidget *w) {
        auto box = qobject_cast<InfoBox *>(w);
        QVERIFY(box);
        shown = A::icon(box)->pixmap().toImage();
        iconGeometry = A::icon(box)->geometry();
        scaled = A::icon(box)->hasScaledContents();
        A::close(box)->click();
    });
    QPixmap *icon = ownIcon ? &own : nullptr;
    if (question)
        InfoBox::showQuestion(nullptr, QStringLiteral("t"), QStringLiteral("x"), icon);
    else
        InfoBox::showInfo(nullptr, QStringLiteral("t"), QStringLiteral("x"), icon);

    QCOMPARE(shown.convertToFormat(QImage::Format_ARGB32), expected.convertToFormat(QImage::Format_ARGB32));
    QCOMPARE(iconGeometry, QRect(20, 20, 32, 32));
    QVERIFY(scaled);
}

void TestInfoBox::dragStartsOnlyInTitleStrip_data()
{
    QTest::addColumn<QPoint>("press");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<bool>("drags");
    QTest::newRow("left, last row of the strip") << QPoint(100, 34) << Qt::LeftButton << true;
    QTest::newRow("left, top-left corner") << QPoint(0, 0) << Qt::LeftButton << true;
    QTest::newRow("left, right edge") << QPoint(319, 10) << Qt::LeftButton << true;
    QTest::newRow("left, white panel") << QPoint(100, 35) << Qt::LeftButton << false;
    QTest::newRow("left, bottom band") << QPoint(30, 140) << Qt::LeftButton << false;
    QTest::newRow("right, title strip") << QPoint(100, 10) << Qt::RightButton << false;
    QTest::newRow("middle, title strip") << QPoint(100, 10) << Qt::MiddleButton << false;
}

void TestInfoBox::dragStartsOnlyInTitleStrip()
{
    QFETCH(QPoint, press);
    QFETCH(Qt::MouseButton, button);
    QFETCH(bool, drags);

    InfoBox box(QStringLiteral("t"), QStringLiteral("x"), false, nullptr, nullptr);
    box.move(200, 150);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    const QPoint start = box.pos();

    // Tracking delivers moves without a button; they must not move it.
    sendMoveTo(&box, box.mapToGlobal(QPoint(50, 50)) + QPoint(20, 20), Qt::NoButton);
    QCOMPARE(box.pos(), start);

    sendMouse(&box, QEvent::MouseButtonPress, press, button, button);
    QCOMPARE(A::dragging(&box), drags);
    const QPoint grabbed = box.mapToGlobal(press);
    sendMoveTo(&box, grabbed + QPoint(30, 40), button);
    QCOMPARE(box.pos(), drags ? start + QPoint(30, 40) : start);

    // Releasing another button does not end a drag; releasing the left one does.
    sendMouse(&box, QEvent::MouseButtonRelease, press, Qt::RightButton, button);
    QCOMPARE(A::dragging(&box), drags);
    sendMouse(&box, QEvent::MouseButtonRelease, press, Qt::LeftButton, Qt::NoButton);
    QVERIFY(!A::dragging(&box));
    const QPoint afterRelease = box.pos();
    sendMoveTo(&box, grabbed + QPoint(90, 90), Qt::NoButton);
    QCOMPARE(box.pos(), afterRelease);
}

void TestInfoBox::dragKeepsGrabbedPointUnderCursor()
{
    InfoBox box(QStringLiteral("拖动"), QStringLiteral("x"), true, nullptr, nullptr);
    box.move(100, 100);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));

    // The press lands on the title label, which passes it on to the dialog.
    const QPoint grab(40, 12);
    QCOMPARE(box.childAt(grab), A::title(&box));
    QTest::mousePress(A::title(&box), Qt::LeftButton, Qt::NoModifier,
                      A::title(&box)->mapFrom(&box, grab));
    QVERIFY(A::dragging(&box));

    const QList<QPoint> path = {QPoint(5, 3), QPoint(-60, 25), QPoint(130, -40)};
    QPoint cursor = box.mapToGlobal(grab);
    for (const QPoint &step : path) {
        cursor += step;
        sendMoveTo(&box, cursor, Qt::LeftButton);
        QCOMPARE(box.mapToGlobal(grab), cursor);
    }
    sendMouse(&box, QEvent::MouseButtonRelease, grab, Qt::LeftButton, Qt::NoButton);
    QVERIFY(!A::dragging(&box));
}

QTEST_MAIN(TestInfoBox)
#include "tst_infobox.moc"
