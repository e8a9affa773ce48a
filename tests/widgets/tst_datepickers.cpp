// The date fields of the query form (line_edit) with their calendars, and the
// tool tip of the report table, driven through the real MainWindow.

#include "mouse.h"
#include "stdoutcapture.h"
#include "windowaccess.h"

#include <QSignalSpy>
#include <QTextDocumentFragment>
#include <QToolTip>
#include <QtTest>

using testsupport::captureStdout;
using testsupport::clickDay;

namespace {

struct A : MainWindowTestAccess {
    static QTableWidget *table(MainWindow &w) { return ui(w)->tableWidget; }
    // The end field when `end`, else the start field.
    static line_edit *edit(MainWindow &w, bool end)
    {
        return MainWindowTestAccess::edit(w, end ? DateField::End : DateField::Start);
    }
    static QCalendarWidget *calendar(MainWindow &w, bool end)
    {
        return MainWindowTestAccess::calendar(w, end ? DateField::End : DateField::Start);
    }
};

// Which calendars are open: "S-", "-E", "SE" or "--".
QString openCalendars(MainWindow &w)
{
    return QString::fromLatin1(A::calendar(w, false)->isHidden() ? "-" : "S")
        + QString::fromLatin1(A::calendar(w, true)->isHidden() ? "-" : "E");
}

} // namespace

class TestDateFields : public QObject
{
    Q_OBJECT
    MainWindow *window = nullptr;

private slots:
    void init()
    {
        window = new MainWindow;
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
    }
    void cleanup() { delete window; }

    void leftPressSignalsBeforeCaretMoves()
    {
        line_edit *field = A::edit(*window, false);
        field->setCursorPosition(field->text().size());
        QList<int> caretAtSignal;
        connect(field, &line_edit::clicked, this,
                [&] { caretAtSignal << field->cursorPosition(); });
        QTest::mousePress(field, Qt::LeftButton, {}, QPoint(3, field->height() / 2));
        QCOMPARE(caretAtSignal, QList<int>{3}); // once, before the press moved the caret
        QCOMPARE(field->cursorPosition(), 0);
    }

    void pick_data()
    {
        QTest::addColumn<bool>("end");
        QTest::addColumn<QDate>("day");
        QTest::addColumn<QString>("text");
        QTest::newRow("start, 5 March 2024") << false << QDate(2024, 3, 5) << "2024-3-5 ";
        QTest::newRow("end, 25 December 2024") << true << QDate(2024, 12, 25) << "2024-12-25 ";
        QTest::newRow("end, 1 January 2025") << true << QDate(2025, 1, 1) << "2025-1-1 ";
    }
    void pick()
    {
        QFETCH(bool, end);
        QFETCH(QDate, day);
        QFETCH(QString, text);
        line_edit *field = A::edit(*window, end);
        QTest::mouseClick(field, Qt::LeftButton);
        QTest::ignoreMessage(
            QtDebugMsg,
            qPrintable(QStringLiteral("%1 %2 %3").arg(day.year()).arg(day.month()).arg(day.day())));
        clickDay(A::calendar(*window, end), day);
        QCOMPARE(field->text(), text);
        QCOMPARE(openCalendars(*window), QStringLiteral("--"));
        QCOMPARE(A::edit(*window, !end)->text(), QStringLiteral("all"));

        // Picking the same day again changes no text and still closes.
        QTest::mouseClick(field, Qt::LeftButton);
        QSignalSpy changes(field, &QLineEdit::textChanged);
        clickDay(A::calendar(*window, end), day);
        QCOMPARE(changes.count(), 0);
        QCOMPARE(openCalendars(*window), QStringLiteral("--"));
    }

    void toggling_data()
    {
        // S/E: left press on the start/end field; s/e: right press; m: middle
        // press on the start field; t: typing into the start field.
        // states: the open calendars after each step.
        QTest::addColumn<QString>("presses");
        QTest::addColumn<QStringList>("states");
        QTest::newRow("start twice") << "SS" << QStringList{"S-", "--"};
        QTest::newRow("start while end open") << "ES" << QStringList{"-E", "S-"};
        QTest::newRow("end while start open, twice") << "SEE" << QStringList{"S-", "-E", "--"};
        QTest::newRow("other buttons") << "mseSm" << QStringList{"--", "--", "--", "S-", "S-"};
        QTest::newRow("typing keeps the other open") << "Et" << QStringList{"-E", "SE"};
    }
    void toggling()
    {
        QFETCH(QString, presses);
        QFETCH(QStringList, states);
        for (int i = 0; i < presses.size(); ++i) {
            const QChar p = presses.at(i);
            if (p == QLatin1Char('t')) {
                QTest::keyClick(A::edit(*window, false), Qt::Key_1);
                QCOMPARE(openCalendars(*window), states.at(i));
                continue;
            }
            const Qt::MouseButton button = p.isUpper() ? Qt::LeftButton
                : p == QLatin1Char('m')                ? Qt::MiddleButton
                                                       : Qt::RightButton;
            // A right press may open the field's context menu; close it.
            QTimer::singleShot(0, [] {
                if (QWidget *m = QApplication::activePopupWidget())
                    m->close();
            });
            QTest::mouseClick(A::edit(*window, p.toUpper() == QLatin1Char('E')), button);
            QCOMPARE(openCalendars(*window), states.at(i));
        }
    }

    void toolTip()
    {
        QTableWidget *table = A::table(*window);
        QToolTip::hideText();
        QCOMPARE(captureStdout([&] { emit table->entered(QModelIndex()); }),
                 QByteArray("Invalid index"));
        QVERIFY(!QToolTip::isVisible());

        const QString wide =
            QStringLiteral("type=SYSCALL msg=audit(1700000000.123:4567) uid=0 ").repeated(3);
        table->setItem(1, 1, new QTableWidgetItem(wide));
        emit table->entered(table->model()->index(1, 1));
        QVERIFY(QToolTip::isVisible());
        // Shown as plain text, whatever it looks like.
        QCOMPARE(QTextDocumentFragment::fromHtml(QToolTip::text()).toPlainText(), wide);
        QToolTip::hideText();
    }
};

QTEST_MAIN(TestDateFields)
#include "tst_datepickers.moc"
