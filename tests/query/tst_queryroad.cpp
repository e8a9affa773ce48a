// The query road end to end: the real window offscreen, the project's audit
// tools on real trails, the pipelines, the working files and standard output.
#include "files.h"
#include "modaldialogs.h"
#include "queryworld.h"
#include "scopedenv.h"
#include "stdoutcapture.h"
#include "windowaccess.h"

#include <QTemporaryDir>
#include <QtTest>

#include <pwd.h>
#include <sys/stat.h>

using testsupport::readAll;

namespace {
struct A : MainWindowTestAccess {
    // The start field when `start`, else the end field.
    static line_edit *edit(MainWindow &w, bool start)
    {
        return MainWindowTestAccess::edit(w, start ? DateField::Start : DateField::End);
    }
    static QCalendarWidget *calendar(MainWindow &w, bool start)
    {
        return MainWindowTestAccess::calendar(w, start ? DateField::Start : DateField::End);
    }
};

// Runs `action` with standard output sent to `file` and every modal dialog
// closed; returns what was written. `messages` gets each dialog's texts, and
// "busy" when the wait cursor was still set while it showed.
QByteArray run(const QString &file, const std::function<void()> &action,
               QStringList *messages = nullptr)
{
    testsupport::ModalCloser closer;
    const QByteArray out = testsupport::captureStdout(action, file);
    if (messages)
        *messages = closer.seen();
    return out;
}
} // namespace

class QueryRoadTest : public QObject
{
    Q_OBJECT
    QTemporaryDir work;
    QString dataDir;
    struct Event {
        QDate day;
        int program;
        uint auid;
    };
    QList<Event> events;
    const QStringList programs{"/bin/chown", "/usr/bin/sudo", "/usr/sbin/useradd"};

    QString data(const QString &name) const { return dataDir + '/' + name; }
    void pick(MainWindow &w, bool start, const QDate &date)
    {
        A::pickDate(w, start ? DateField::Start : DateField::End, date);
    }
    QByteArray query(MainWindow &w, const QString &type, QStringList *messages = nullptr)
    {
        A::ui(w)->type_com->setCurrentText(type);
        return run(
            work.filePath("out"), [&] { A::ui(w)->query_btn->click(); }, messages);
    }
    QList<int> pages(MainWindow &w)
    {
        return {A::ui(w)->contentStackedWidget->currentIndex(),
                A::ui(w)->bottomStackedWidget->currentIndex(),
                A::ui(w)->titleStackedWidget->currentIndex()};
    }
    QString cell(MainWindow &w, int row, int column = 1)
    {
        const QTableWidgetItem *item = A::ui(w)->tableWidget->item(row, column);
        return item ? item->text() : QString();
    }

private slots:
    void initTestCase()
    {
        // Debug lines to standard error: standard output holds the program's own lines.
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &m) {
            std::fprintf(stderr, "%s\n", qPrintable(m));
        });
        QVERIFY(work.isValid());
        dataDir = work.filePath("data");
        // 60 events three hours apart from 2019-02-20 01:00, three programs
        // and three acting users in turn.
        QByteArray trail;
        const QDateTime base(QDate(2019, 2, 20), QTime(1, 0), Qt::UTC);
        for (int i = 0; i < 60; ++i) {
            const Event e{base.addSecs(i * 3 * 3600).date(), i % 3,
                          uint(QList<int>{0, 4242, 4343}[(i / 2) % 3])};
            events << e;
            trail += testsupport::execRun(base.toSecsSinceEpoch() + i * 3 * 3600, 100 + i, 200 + i,
                                          e.auid, programs[e.program]);
        }
        testsupport::setUpQueryWorld(dataDir, work.filePath("trail.log"), trail);
    }

    void writtenTrail_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QDate>("start");
        QTest::addColumn<QDate>("end");
        QTest::addColumn<QString>("typedEnd");
        QTest::newRow("chown, range") << "chown" << QDate(2019, 2, 21) << QDate(2019, 2, 25) << "";
        QTest::newRow("all, from a date") << "all" << QDate(2019, 2, 24) << QDate() << "";
        QTest::newRow("sudo, no dates") << "sudo" << QDate() << QDate() << "";
        QTest::newRow("useradd, typed end")
            << "useradd" << QDate() << QDate(2019, 2, 23) << " 2019-02-23";
    }
    // The form's dates (picked, typed, left open) reach the report, and the
    // table shows it: its rows against numbers derived from the written
    // events, printed at the end of standard output. (The report's figures,
    // its text and the command lines: tst_queryrunner.)
    void writtenTrail()
    {
        QFETCH(QString, type);
        QFETCH(QDate, start);
        QFETCH(QDate, end);
        QFETCH(QString, typedEnd);
        QList<Event> hit;
        for (const Event &e : events) {
            if ((type == "all" || programs[e.program].endsWith('/' + type))
                && !(start.isValid() && e.day < start) && !(end.isValid() && e.day > end))
                hit << e;
        }
        MainWindow w;
        query(w,
              type == "chown" ? "sudo" : "chown"); // an earlier report must not leak into this one
        QCOMPARE(pages(w), (QList<int>{2, 2, 1}));
        if (start.isValid())
            pick(w, true, start);
        A::calendar(w, false)->setSelectedDate(QDate(2019, 2, 28));
        if (!typedEnd.isEmpty())
            A::edit(w, false)->setText(typedEnd);
        else if (end.isValid())
            pick(w, false, end);
        QStringList messages;
        const QByteArray out = query(w, type, &messages);
        QCOMPARE(messages, QStringList());
        QCOMPARE(A::calendar(w, false)->selectedDate(), end.isValid() ? end : QDate(2019, 2, 28));

        const QString first = hit.first().day.toString(Qt::ISODate),
                      last = hit.last().day.toString(Qt::ISODate);
        QCOMPARE(cell(w, 0), first + " ~ " + last);
        QCOMPARE(cell(w, 1), QString::number(hit.size()));
        // Rows 2 and 3: the last user of tongji.log with that user's count.
        const QStringList tongji =
            QString::fromUtf8(readAll(data("tongji.log"))).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(cell(w, 2) + ' ' + cell(w, 3), tongji.last());
        QByteArray table;
        for (int row = 0; row < 4; ++row)
            table += (cell(w, row, 0) + '\n' + cell(w, row) + '\n').toUtf8();
        QVERIFY(table.startsWith("时间范围：\n") && out.endsWith(table));
    }

    void refused_data()
    {
        QTest::addColumn<QString>("startText");
        QTest::addColumn<QString>("endText");
        QTest::addColumn<QString>("message");
        QTest::newRow("start a day after end") << "2019-2-22 "
                                               << "2019-2-21 "
                                               << "选择的时间有误，开始时间应早于结束时间";
        QTest::newRow("start after end") << "2019-2-23 "
                                         << "2019-02-22"
                                         << "选择的时间有误";
        QTest::newRow("empty start") << ""
                                     << "all"
                                     << "开始时间无效";
        QTest::newRow("bad end") << "all"
                                 << "2019-02-30"
                                 << "结束时间无效";
        QTest::newRow("no data dir") << "all"
                                     << "all"
                                     << "无法写入工作目录";
    }
    // Refused queries warn and run nothing.
    void refused()
    {
        QFETCH(QString, startText);
        QFETCH(QString, endText);
        QFETCH(QString, message);
        const bool blocked = message == "无法写入工作目录";
        if (blocked) { // a directory below a plain file cannot be made
            QFile(work.filePath("file")).open(QIODevice::WriteOnly);
            qputenv("KVR_AUDITREPORT_DATA_DIR", QFile::encodeName(work.filePath("file/data")));
        }
        QFile::remove(data("result.log"));
        MainWindow w;
        A::edit(w, true)->setText(startText);
        A::edit(w, false)->setText(endText);
        QStringList messages;
        const QByteArray out = query(w, "sudo", &messages);
        qputenv("KVR_AUDITREPORT_DATA_DIR", dataDir.toUtf8());
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].contains("警告") && messages[0].contains(message),
                 qPrintable(messages[0]));
        QVERIFY(!blocked || messages[0].contains(work.filePath("file/data/")));
        QCOMPARE(out, QByteArray());
        QVERIFY(!QFile::exists(data("result.log")));
        QCOMPARE(pages(w), (QList<int>{0, 0, 0}));
    }

    void emptyAndUnreadable_data()
    {
        QTest::addColumn<QByteArray>("trail");
        QTest::addColumn<QString>("message");
        QTest::newRow("no match") << qgetenv("KVR_AUDITREPORT_LOG")
                                  << "审计报告为空或未开启审计规则！";
        // No trail at that place: the message says that none has been written.
        QTest::newRow("unreadable")
            << QByteArray("/nonexistent/audit.log") << "还没有写入任何审计日志";
    }
    void emptyAndUnreadable()
    {
        QFETCH(QByteArray, trail);
        QFETCH(QString, message);
        const testsupport::ScopedEnv log("KVR_AUDITREPORT_LOG", trail);
        MainWindow w;
        pick(w, false, QDate(2019, 2, 25));
        QStringList messages;
        const QByteArray out = query(w, "reboot", &messages);
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].contains(message) && !messages[0].endsWith("busy"),
                 qPrintable(messages[0]));
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(out.contains("\ntongjiweikong\n"), message.startsWith("审计报告为空"));
        QVERIFY(out.endsWith("fanhuizhuye\n"));
        QCOMPARE(A::edit(w, true)->text() + A::edit(w, false)->text(), QString("allall"));
        QVERIFY(A::calendar(w, true)->isHidden() && A::calendar(w, false)->isHidden());
        QCOMPARE(pages(w), (QList<int>{0, 0, 0}));
    }

    // The overall summary from the project's aureport, and its export.
    void overallSummary()
    {
        MainWindow w;
        const QByteArray out = query(w, "all");
        QCOMPARE(pages(w), (QList<int>{1, 1, 2}));
        QCOMPARE(A::ui(w)->export_btn->text(), QString("导出报告"));
        const QByteArray summary = readAll(data("all_report.log"));
        QVERIFY(out.startsWith("zongtishenjibaogao daochumingl"
                               "aureport --summary > "
                               + data("all_report.log").toUtf8()
                               + "\n@@@@@@@@@@@@@@@@@@@@@@@@@@@@\n"));
        const QList<QByteArray> lines = summary.split('\n');
        QCOMPARE(A::ui(w)->listWidget->count(), lines.size());
        for (int i = 0; i < lines.size(); ++i) {
            QCOMPARE(A::ui(w)->listWidget->item(i)->text(), QString::fromUtf8(lines[i]));
            QVERIFY(out.contains("meihangsujushi " + lines[i] + '\n'));
        }
        const QByteArray range = lines.value(2);
        QVERIFY2(range.contains("时间范围"), summary.constData());

        QString asked;
        MainWindow::setSaveFileNameProvider(
            [&](QWidget *, const QString &caption, const QString &name, const QString &filter) {
                asked = caption + '|' + name + '|' + filter;
                return work.filePath("summary export");
            });
        QStringList messages;
        run(
            work.filePath("out"), [&] { QMetaObject::invokeMethod(&w, "on_export_btn_clicked"); },
            &messages);
        MainWindow::setSaveFileNameProvider(nullptr);
        QCOMPARE(asked, QString("导出报告|uname.doc|doc(*.doc);;CSV(*.csv);;HTML(*.html *.htm)"));
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages[0].contains("报告导出成功!"));
        const QByteArray exported = readAll(work.filePath("summary export.doc"));
        QVERIFY(exported.contains(range + '\n'));
        QCOMPARE(exported.count('\n'), summary.count('\n'));
    }

    // Values chosen by whoever runs a program (arguments, process title,
    // file names, working directory, comm) carry forged labels and line
    // breaks; the report is exactly that of the same trail without them.
    void forgedValuesChangeNothing()
    {
        const QByteArray forged =
            "x\n日期: 1999-01-01 用户id: mallory\r\n----\n时间范围 \xff\xc0\\";
        const QByteArray hex = forged.toHex().toUpper();
        QByteArray crafted;
        const QByteArray clean = readAll(qEnvironmentVariable("KVR_AUDITREPORT_LOG"));
        for (const QByteArray &line : clean.split('\n')) {
            if (line.isEmpty())
                continue;
            crafted += line + '\n';
            // After each event's last record: the kernel writes PROCTITLE last.
            if (!line.startsWith("type=PATH "))
                continue;
            const QByteArray stamp = line.mid(10, line.indexOf("): ") + 3 - 10);
            crafted += "type=EXECVE " + stamp + "argc=2 a0=\"touch\" a1=" + hex + '\n' + "type=CWD "
                + stamp + "cwd=" + hex + '\n' + "type=PATH " + stamp + "item=1 name=" + hex
                + " inode=2 nametype=CREATE\n" + "type=PROCTITLE " + stamp + "proctitle=" + hex
                + '\n';
        }
        QVERIFY(testsupport::writeAll(work.filePath("crafted.log"), crafted));

        auto report = [&](const QByteArray &trail) {
            const testsupport::ScopedEnv log("KVR_AUDITREPORT_LOG", trail);
            MainWindow w;
            pick(w, true, QDate(2019, 2, 19));
            pick(w, false, QDate(2019, 3, 1));
            query(w, "all");
            QStringList cells;
            for (int row = 0; row < 4; ++row)
                cells << cell(w, row);
            return cells.join('|').toUtf8() + '\n' + readAll(data("tongji.log"))
                + readAll(data("temp_report"));
        };
        const QByteArray expected = report(qgetenv("KVR_AUDITREPORT_LOG"));
        QVERIFY(expected.contains("记录条数：60"));
        QCOMPARE(report(QFile::encodeName(work.filePath("crafted.log"))), expected);
        // The forged text is in the search output, but never as a label.
        const QByteArray searched = readAll(data("result.log"));
        QVERIFY(searched.contains("用户id\\072 mallory"));
        QVERIFY(!searched.contains("用户id: mallory"));
    }

    // A summary of a trail that cannot be read says so instead of showing an
    // empty list.
    void overallSummaryUnreadable()
    {
        const testsupport::ScopedEnv log("KVR_AUDITREPORT_LOG", "/nonexistent/audit.log");
        MainWindow w;
        QStringList messages;
        query(w, "all", &messages);
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].contains("无法读取审计日志"), qPrintable(messages[0]));
        QCOMPARE(pages(w), (QList<int>{0, 0, 0}));
        QVERIFY(!QApplication::overrideCursor());
    }

    void queryExport_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("filter"); // the dialog's filter; empty: left as offered
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("written"); // the file written, when not `chosen`
        QTest::addColumn<QByteArray>("head"); // how it starts; empty: temp_report's bytes
        const QString csv = "CSV(*.csv)";
        const QByteArray csvHead = "\xEF\xBB\xBFtime,login_user,acting_user,host,terminal,result,"
                                   "command\r\n2019-02-20T04:00:00+00:00,";
        QTest::newRow("plain") << "report.doc"
                               << ""
                               << "报告导出成功!"
                               << "" << QByteArray();
        QTest::newRow("shell characters") << "my 'report' $(touch pwned);.DOC"
                                          << ""
                                          << "报告导出成功!"
                                          << "" << QByteArray();
        QTest::newRow("cancelled") << ""
                                   << ""
                                   << ""
                                   << "" << QByteArray();
        QTest::newRow("unwritable") << "no such dir/x.doc"
                                    << ""
                                    << "报告导出失败!"
                                    << "" << QByteArray();
        QTest::newRow("a link at the name: replaced, not followed") << "linked.doc"
                                                                    << ""
                                                                    << "报告导出成功!"
                                                                    << "" << QByteArray();
        QTest::newRow("a pipe at the name") << "pipe.doc"
                                            << ""
                                            << "报告导出失败!"
                                            << "" << QByteArray();
        QTest::newRow("CSV filter, the suffix added") << "runs" << csv << "报告导出成功!"
                                                      << "runs.csv" << csvHead;
        QTest::newRow("HTML by the name's suffix, doc filter")
            << "report.html"
            << "doc(*.doc)"
            << "报告导出成功!"
            << "" << QByteArray("<!DOCTYPE html>");
        QTest::newRow("CSV, a link at the name: replaced, not followed")
            << "linked.csv" << csv << "报告导出成功!"
            << "" << csvHead;
        QTest::newRow("CSV, a pipe at the name") << "pipe.csv" << csv << "报告导出失败!"
                                                 << "" << QByteArray();
        QTest::newRow("CSV suffix added, that file exists: kept") << "linked" << csv << "已存在"
                                                                  << "linked.csv" << QByteArray();
    }
    void queryExport()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, filter);
        QFETCH(QString, message);
        QFETCH(QString, written);
        QFETCH(QByteArray, head);
        MainWindow w;
        query(w, "sudo");
        const QString target = chosen.isEmpty() ? QString() : work.filePath(chosen);
        const QString file = written.isEmpty() ? target : work.filePath(written);
        const QString victim = work.filePath("victim");
        QVERIFY(testsupport::writeAll(victim, "root's own\n"));
        QFile::remove(file);
        if (file.startsWith(work.filePath("linked")))
            QVERIFY(QFile::link(victim, file));
        if (chosen.startsWith("pipe"))
            QVERIFY(::mkfifo(QFile::encodeName(target).constData(), 0644) == 0);
        QString offered;
        MainWindow::setSaveFileNameProvider([&](QWidget *, const QString &, const QString &name,
                                                const QString &filters, QString *selected) {
            offered = name + ' ' + filters + ' ' + *selected;
            if (!filter.isEmpty())
                *selected = filter;
            return target;
        });
        QStringList messages;
        const QByteArray out = run(
            work.filePath("out"), [&] { QMetaObject::invokeMethod(&w, "on_other_btn_clicked"); },
            &messages);
        MainWindow::setSaveFileNameProvider(nullptr);
        QFile::remove(work.filePath("pipe.doc"));
        QFile::remove(work.filePath("pipe.csv"));
        // The .doc filter first and chosen, uname.doc offered.
        QCOMPARE(offered, "uname.doc doc(*.doc);;CSV(*.csv);;HTML(*.html *.htm) doc(*.doc)");
        QCOMPARE(messages.size(), message.isEmpty() ? 0 : 1);
        QVERIFY(message.isEmpty() || messages[0].contains(message));
        QVERIFY(out.startsWith("lujing shi %%%%%%%%%%%%%%" + target.toUtf8()));
        // The .doc export's own line, only for it.
        const bool doc =
            !target.isEmpty() && !filter.startsWith("CSV") && !chosen.endsWith(".html");
        QCOMPARE(out.contains("quanbu\n"), doc);
        if (message == "报告导出成功!") {
            if (head.isEmpty())
                QCOMPARE(readAll(file), readAll(data("temp_report")));
            else
                QVERIFY2(readAll(file).startsWith(head), readAll(file).left(200).constData());
            QVERIFY(!QFileInfo(file).isSymLink());
        }
        QCOMPARE(readAll(victim), QByteArray("root's own\n"));
        QVERIFY(!QFile::exists(work.filePath("pwned")));
    }

    // A trail from another machine: the table and the report agree with what
    // the search tool printed.
    void sharedLog()
    {
        const QString log = KVR_SHARED_LOGS "/wecode-iot-puzzle__audit.log";
        if (!QFile::exists(log))
            QSKIP("shared audit logs are absent");
        const testsupport::ScopedEnv trail("KVR_AUDITREPORT_LOG", QFile::encodeName(log));
        MainWindow w;
        pick(w, true, QDate(2019, 2, 22));
        pick(w, false, QDate(2019, 2, 24));
        query(w, "sudo");
        const QList<QByteArray> result = readAll(data("result.log")).split('\n');
        QMap<QString, int> perUser;
        for (const QByteArray &line : result)
            if (line.contains("用户id:"))
                ++perUser[QString::fromUtf8(
                    line.mid(line.indexOf("用户id:") + 9).trimmed().split(' ')[0])];
        auto date = [](const QByteArray &line) {
            return QString::fromUtf8(line.mid(line.indexOf("日期:") + 7).trimmed().split(' ')[0]);
        };
        QCOMPARE(cell(w, 0), date(result.value(2)) + " ~ " + date(result.value(result.size() - 2)));
        QCOMPARE(cell(w, 1), "29"); // sudo's runs in this trail: its 29 USER_CMD records
        QCOMPARE(perUser.value(cell(w, 2)), cell(w, 3).toInt());
        QVERIFY(readAll(data("temp_report"))
                    .startsWith("时间范围：2019年02月22日~2019年02月24日\n记录条数：29\n"));
    }

    void sysUsers_data()
    {
        QTest::addColumn<QByteArray>("passwd");
        QTest::addColumn<QStringList>("users");
        QTest::newRow("root, daemon")
            << QByteArray("root:x:0:0:root:/root:/bin/bash\ndaemon:x:1:1::/:/bin/sh\n")
            << QStringList{"root", "daemon"};
        QTest::newRow("odd lines") << QByteArray("nocolon\n\n:x:2\nlast:x:9")
                                   << QStringList{"nocolon\n", "\n", "", "last"};
        QTest::newRow("latin-1") << QByteArray("\xe9t\xe9:x:5\n")
                                 << QStringList{QString::fromLatin1("\xe9t\xe9")};
        QTest::newRow("missing") << QByteArray() << QStringList();
    }
    void sysUsers()
    {
        QFETCH(QByteArray, passwd);
        const QString path = work.filePath("passwd");
        QFile::remove(path);
        if (!passwd.isNull())
            QVERIFY(testsupport::writeAll(path, passwd));
        MainWindow w;
        w.setPasswdPath(path);
        QStringList listed;
        QVERIFY(
            QMetaObject::invokeMethod(&w, "getCurrentSysUsers", Q_RETURN_ARG(QStringList, listed)));
        QTEST(listed, "users");
    }
};

QTEST_MAIN(QueryRoadTest)
#include "tst_queryroad.moc"
