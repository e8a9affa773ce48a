// A slow query seen from the window, offscreen: the progress dialog after
// 300 ms with the stage and how much of the trail was read, the event loop
// running all along, and Cancel (the button or Escape) stopping every process
// of the road: no report, the form as it was, and a clean next query.
#include "mainwindow/backgroundquery.h"
#include "widgets/queryprogressdialog.h"

#include "files.h"
#include "modalwatch.h"
#include "processes.h"
#include "queryworld.h"
#include "windowaccess.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using A = MainWindowTestAccess;

class ProgressTest : public QObject
{
    Q_OBJECT
    QTemporaryDir work;
    QByteArray savedPath;

private slots:
    void initTestCase()
    {
        QVERIFY(work.isValid());
        testsupport::setUpOneRunWorld(work.path());
        savedPath = qgetenv("PATH");
    }
    void cleanup() { qputenv("PATH", savedPath); }

    void cancel_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::newRow("Cancel button") << false;
        QTest::newRow("Escape") << true;
    }
    void cancel()
    {
        QFETCH(bool, escape);
        // A search that writes a line, reads a quarter of an 8 MiB trail and blocks.
        const QString bin = work.filePath("slow");
        QDir().mkpath(bin);
        QVERIFY(testsupport::writeScript(
            bin + "/ausearch",
            "echo '日期: 2019-02-20 01:00:00 用户id: stale'\n"
            "fd=$KVR_AUDITREPORT_PROGRESS_FD\nprintf '0 8388608\\n' >&$fd\nsleep 0.1\n"
            "printf '2097152 8388608\\n' >&$fd\nsleep 34.5 | sleep 34.5\n"));
        qputenv("PATH", QFile::encodeName(bin) + ':' + savedPath);

        MainWindow w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        A::pickDate(w, DateField::Start, QDate(2019, 2, 1));
        A::pickDate(w, DateField::End, QDate(2019, 3, 1));
        A::ui(w)->type_com->setCurrentText("sudo");

        QElapsedTimer clock;
        qint64 shownAt = -1, cancelledAt = -1;
        int ticks = 0;
        QString stage, bytes;
        int percent = -1;
        QTimer driver;
        connect(&driver, &QTimer::timeout, this, [&] {
            ++ticks;
            auto *dialog = w.findChild<QueryProgressDialog *>();
            if (!dialog || !dialog->isVisible() || cancelledAt >= 0)
                return;
            if (shownAt < 0)
                shownAt = clock.elapsed();
            if (!dialog->bytesText().contains("2.0 MB"))
                return;
            stage = dialog->stageText();
            bytes = dialog->bytesText();
            percent = dialog->barPercent();
            cancelledAt = clock.elapsed();
            if (escape)
                QTest::keyClick(dialog, Qt::Key_Escape);
            else
                dialog->cancelButton()->click();
        });
        driver.start(10);
        clock.start();
        const QStringList messages =
            modalwatch::messagesOf([&] { A::ui(w)->query_btn->click(); }, work.filePath("out"));
        const qint64 endedAt = clock.elapsed();
        driver.stop();

        QVERIFY2(shownAt >= backgroundquery::kDialogDelayMs - 20,
                 qPrintable(QString::number(shownAt)));
        QVERIFY(cancelledAt > 0);
        QCOMPARE(stage, QString("正在检索审计日志…"));
        QVERIFY2(bytes.contains("2.0 MB / 8.0 MB"), qPrintable(bytes));
        QCOMPARE(percent, 25);
        // The window's event loop ran throughout: a 10 ms timer kept firing.
        QVERIFY2(ticks >= cancelledAt / 10 / 2, qPrintable(QString::number(ticks)));
        // Gone within 200 ms, every process of the road reaped.
        QVERIFY2(endedAt - cancelledAt < 200, qPrintable(QString::number(endedAt - cancelledAt)));
        QVERIFY(testsupport::processesWith("sleep 34.5").isEmpty());
        QVERIFY(testsupport::ownChildren().isEmpty());
        QVERIFY(!w.findChild<QueryProgressDialog *>()
                || !w.findChild<QueryProgressDialog *>()->isVisible());
        // No message, no report, the request still in the form.
        QCOMPARE(messages, QStringList());
        QCOMPARE(A::pages(w), (QList<int>{0, 0, 0}));
        QVERIFY(!A::ui(w)->tableWidget->item(1, 1));
        QCOMPARE(A::ui(w)->type_com->currentText(), QString("sudo"));
        QCOMPARE(A::edit(w, DateField::Start)->text() + A::edit(w, DateField::End)->text(),
                 QString("2019-2-1 2019-3-1 "));

        // The next query, with the real search, knows nothing of the cancelled one.
        cleanup();
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        modalwatch::messagesOf([&] { A::ui(w)->query_btn->click(); }, work.filePath("out"));
        QCOMPARE(A::pages(w), (QList<int>{2, 2, 1}));
        QCOMPARE(A::ui(w)->tableWidget->item(1, 1)->text(), QString("1"));
        QVERIFY(!testsupport::readAll(work.filePath("data/result.log")).contains("stale"));
    }
};

QTEST_MAIN(ProgressTest)
#include "tst_progress.moc"
