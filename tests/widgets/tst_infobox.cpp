// The message box: geometry of both forms, the answers, the icons, dragging.

#include "modaldialogs.h"
#include "mouse.h"
#include "widgets/infobox.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

class InfoBoxTestAccess
{
public:
    static QPushButton *ok(InfoBox *b) { return b->okButton; }
    static QPushButton *cancel(InfoBox *b) { return b->showCancel ? b->cancelButton : nullptr; }
    static QPushButton *close(InfoBox *b) { return b->closeButton; }
    static QLabel *icon(InfoBox *b) { return b->iconLabel; }
    static bool dragging(InfoBox *b) { return b->drag.isDragging(); }
};
using A = InfoBoxTestAccess;

namespace {

// Hands the next modal InfoBox to answer (closed after 5 s if left open).
void answerNextBox(const std::function<void(InfoBox *)> &answer)
{
    testsupport::answerNextDialog([answer](QWidget *dialog) {
        auto box = qobject_cast<InfoBox *>(dialog);
        QVERIFY2(box, "the modal dialog is not an InfoBox");
        answer(box);
    });
}

using testsupport::sendMouseAt;

} // namespace

class TestInfoBox : public QObject
{
    Q_OBJECT

private slots:
    void geometry_data()
    {
        QTest::addColumn<bool>("question");
        QTest::addColumn<QPoint>("okPos");
        QTest::newRow("information") << false << QPoint(240, 120);
        QTest::newRow("question") << true << QPoint(160, 120);
    }
    void geometry()
    {
        QFETCH(bool, question);
        QFETCH(QPoint, okPos);
        InfoBox box(QStringLiteral("标题"), QStringLiteral("正文"), question, nullptr, nullptr);
        QCOMPARE(box.size(), QSize(320, 150));
        QCOMPARE(box.findChild<QWidget *>(QStringLiteral("container"))->geometry(),
                 QRect(1, 35, 318, 80));
        QCOMPARE(A::close(&box)->geometry(), QRect(290, 2, 28, 28));
        QVERIFY(!A::close(&box)->accessibleName().isEmpty());
        QCOMPARE(A::ok(&box)->geometry(), QRect(okPos, QSize(70, 25)));
        QCOMPARE(box.findChildren<QPushButton *>().size(), question ? 3 : 2);
        if (question)
            QCOMPARE(A::cancel(&box)->geometry(), QRect(240, 120, 70, 25));
    }

    void answers_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("expected");
        QTest::newRow("ok button") << "ok" << true;
        QTest::newRow("cancel button") << "cancel" << false;
        QTest::newRow("close button") << "close" << false;
        QTest::newRow("escape key") << "escape" << false;
    }
    void answers()
    {
        QFETCH(QString, how);
        QFETCH(bool, expected);
        bool asked = false;
        answerNextBox([&](InfoBox *box) {
            asked = true;
            if (how == QLatin1String("escape"))
                QTest::keyClick(box, Qt::Key_Escape);
            else
                QTest::mouseClick(how == QLatin1String("ok")           ? A::ok(box)
                                      : how == QLatin1String("cancel") ? A::cancel(box)
                                                                       : A::close(box),
                                  Qt::LeftButton);
        });
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(InfoBox::showQuestion(nullptr, QStringLiteral("问题"), QStringLiteral("继续?")),
                 expected);
        QVERIFY(asked);
        QVERIFY(clock.elapsed() < 4000); // answered, not closed by the safety net
    }

    void icons_data()
    {
        QTest::addColumn<bool>("question");
        QTest::addColumn<bool>("own");
        QTest::newRow("info, default") << false << false;
        QTest::newRow("question, default") << true << false;
        QTest::newRow("info, own icon") << false << true;
    }
    void icons()
    {
        QFETCH(bool, question);
        QFETCH(bool, own);
        QPixmap mine(48, 48); // neither default, and not 32 x 32
        mine.fill(Qt::magenta);
        const QString fallback = question ? ":/pics/question.png" : ":/pics/info.png";
        const QImage expected = (own ? mine : QPixmap(fallback)).toImage();
        QVERIFY(!expected.isNull());
        QImage shown;
        bool hasCancel = !question;
        answerNextBox([&](InfoBox *box) {
            QCOMPARE(A::icon(box)->geometry(), QRect(20, 20, 32, 32));
            QVERIFY(A::icon(box)->hasScaledContents());
            shown = A::icon(box)->pixmap().toImage();
            hasCancel = A::cancel(box) != nullptr;
            A::ok(box)->click();
        });
        if (question)
            InfoBox::showQuestion(nullptr, QStringLiteral("t"), QStringLiteral("x"),
                                  own ? &mine : nullptr);
        else
            InfoBox::showInfo(nullptr, QStringLiteral("t"), QStringLiteral("x"),
                              own ? &mine : nullptr);
        QCOMPARE(hasCancel, question);
        QCOMPARE(shown.convertToFormat(QImage::Format_ARGB32),
                 expected.convertToFormat(QImage::Format_ARGB32));
    }

    void drag_data()
    {
        QTest::addColumn<QPoint>("press");
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<bool>("drags");
        QTest::newRow("left, last row of the title strip")
            << QPoint(100, 34) << Qt::LeftButton << true;
        QTest::newRow("left, on the title label") << QPoint(40, 12) << Qt::LeftButton << true;
        QTest::newRow("left, white panel") << QPoint(100, 35) << Qt::LeftButton << false;
        QTest::newRow("right, title strip") << QPoint(100, 10) << Qt::RightButton << false;
    }
    void drag()
    {
        QFETCH(QPoint, press);
        QFETCH(Qt::MouseButton, button);
        QFETCH(bool, drags);
        InfoBox box(QStringLiteral("拖动"), QStringLiteral("x"), true, nullptr, nullptr);
        box.move(200, 150);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        const QPoint start = box.pos();
        QPoint cursor = box.mapToGlobal(press);

        // Tracking delivers moves without a button; alone they move nothing.
        sendMouseAt(&box, QEvent::MouseMove, cursor + QPoint(20, 20), Qt::NoButton, Qt::NoButton);
        QCOMPARE(box.pos(), start);

        // The press goes where the mouse is, e.g. to the title label, which
        // passes it on to the dialog.
        QWidget *target = box.childAt(press) ? box.childAt(press) : &box;
        QTest::mousePress(target, button, Qt::NoModifier, target->mapFromGlobal(cursor));
        QCOMPARE(A::dragging(&box), drags);
        for (const QPoint step : {QPoint(5, 3), QPoint(-60, 25), QPoint(130, -40)}) {
            cursor += step;
            sendMouseAt(&box, QEvent::MouseMove, cursor, Qt::NoButton, button);
            if (drags)
                QCOMPARE(box.mapToGlobal(press), cursor); // grabbed point stays under the cursor
            else
                QCOMPARE(box.pos(), start);
        }
        // Only the left button's release ends a drag.
        sendMouseAt(&box, QEvent::MouseButtonRelease, cursor, Qt::RightButton, Qt::LeftButton);
        QCOMPARE(A::dragging(&box), drags);
        sendMouseAt(&box, QEvent::MouseButtonRelease, cursor, Qt::LeftButton, Qt::NoButton);
        const QPoint released = box.pos();
        sendMouseAt(&box, QEvent::MouseMove, cursor + QPoint(50, 50), Qt::NoButton, Qt::NoButton);
        QCOMPARE(box.pos(), released);
    }
};

QTEST_MAIN(TestInfoBox)
#include "tst_infobox.moc"
