// The query road end to end: the real window (offscreen), the project's audit
// tools on real trails, the shell pipelines, the working files and the lines
// written to standard output.
#include "app/appenv.h"
#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"
#include "widgets/line_edit.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

class MainWindowTestAccess
{
public:
    static Ui_MainWindow *ui(MainWindow &w) { return w.ui; }
    static line_edit *startEdit(MainWindow &w) { return w.startEdit; }
    static line_edit *endEdit(MainWindow &w) { return w.endEdit; }
    static QCalendarWidget *startCalendar(MainWindow &w) { return w.startCalendar; }
    static QCalendarWidget *endCalendar(MainWindow &w) { return w.endCalendar; }
};
using A = MainWindowTestAccess;

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Sends standard output to a file while alive.
class StdoutCapture
{
public:
    explicit StdoutCapture(const QString &path) : path(path)
    {
        std::fflush(stdout);
        saved = ::dup(1);
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(fd, 1);
        ::close(fd);
    }
    ~StdoutCapture() { finish(); }
    QByteArray finish()
    {
        if (saved >= 0) {
            std::fflush(stdout);
            ::dup2(saved, 1);
            ::close(saved);
            saved = -1;
        }
        return readAll(path);
    }

private:
    QString path;
    int saved = -1;
};

// Closes every modal dialog that opens while alive and keeps its label texts
// and whether the busy cursor was still set when it showed.
class ModalAnswerer
{
public:
    ModalAnswerer()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            if (!modal)
                return;
            QStringList texts;
            for (QLabel *label : modal->findChildren<QLabel *>())
                if (!label->text().isEmpty())
                    texts << label->text();
            messages << texts.join('|');
            if (QApplication::overrideCursor())
                busyWhileShown = true;
            if (auto *dialog = qobject_cast<QDialog *>(modal))
                dialog->accept();
            else
                modal->close();
        });
        timer.start(20);
    }
    QStringList messages;
    bool busyWhileShown = false;

private:
    QTimer timer;
};

// One event of the trail written by the test.
struct Event {
    QDateTime when;
    QString program;
    uint auid;
};

QString userName(uint id)
{
    const passwd *pw = ::getpwuid(id);
    return pw ? QString::fromLocal8Bit(pw->pw_name) : QString::number(id);
}

} // namespace

class QueryRoadTest : public QObject
{
    Q_OBJECT

    QTemporaryDir work;
    QString dataDir;
    QList<Event> events;

    QString data(const QString &name) const { return dataDir + '/' + name; }

    void pickDate(MainWindow &w, bool start, const QDate &date)
    {
        QCalendarWidget *calendar = start ? A::startCalendar(w) : A::endCalendar(w);
        calendar->setSelectedDate(date);
        QMetaObject::invokeMethod(&w, start ? "ok" : "deadok");
    }

    void setType(MainWindow &w, const QString &type)
    {
        QComboBox *box = A::ui(w)->type_com;
        box->setCurrentIndex(box->findText(type));
        QCOMPARE(box->currentText(), type);
    }

    // Presses the query button with standard output captured.
    QByteArray query(MainWindow &w, ModalAnswerer *answerer = nullptr)
    {
        std::optional<ModalAnswerer> own;
        if (!answerer)
            answerer = &own.emplace();
        StdoutCapture capture(work.filePath(QStringLiteral("stdout.txt")));
        A::ui(w)->query_btn->click();
        return capture.finish();
    }

    QList<int> pages(MainWindow &w)
    {
        Ui_MainWindow *ui = A::ui(w);
        return {ui->contentStackedWidget->currentIndex(), ui->bottomStackedWidget->currentIndex(),
                ui->titleStackedWidget->currentIndex()};
    }

    QString cell(MainWindow &w, int row)
    {
        const QTableWidgetItem *item = A::ui(w)->tableWidget->item(row, 1);
        return item ? item->text() : QString();
    }

private slots:
    void initTestCase()
    {
        // Debug lines go to standard error, so that standard output holds
        // only what the program writes there itself.
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &message) {
            std::fprintf(stderr, "%s\n", qPrintable(message));
        });
        QVERIFY(work.isValid());
        dataDir = work.filePath(QStringLiteral("data"));
        QVERIFY(QDir().mkpath(dataDir));
        qputenv("KVR_AUDITREPORT_DATA_DIR", dataDir.toUtf8());
        qputenv("TZ", "UTC");
        ::tzset();
        appenv::prependToPath(QStringLiteral(KVR_TOOLS_BUILD_DIR));
        QVERIFY2(QFile::exists(QStringLiteral(KVR_TOOLS_BUILD_DIR "/ausearch")), "build the audit tools");

        // A small trail: 60 events three hours apart from 2019-02-20, three
        // programs and three acting users in turn.
        const QString programs[] = {"/bin/chown", "/usr/bin/sudo", "/usr/sbin/useradd"};
        const uint users[] = {0, 4242, 4343};
        const QDateTime base(QDate(2019, 2, 20), QTime(1, 0), Qt::UTC);
        QByteArray trail;
        for (int i = 0; i < 60; ++i) {
            const Event e{base.addSecs(i * 3 * 3600), programs[i % 3], users[(i / 2) % 3]};
            events << e;
            const QByteArray stamp = "msg=audit(" + QByteArray::number(e.when.toSecsSinceEpoch())
                + ".250:" + QByteArray::number(100 + i) + "): ";
            trail += "type=SYSCALL " + stamp + "arch=c000003e syscall=59 success=yes exit=0 items=1 "
                + "ppid=1 pid=" + QByteArray::number(200 + i) + " auid=" + QByteArray::number(e.auid)
                + " uid=0 gid=0 tty=pts0 ses=1 comm=\"x\" exe=\"" + e.program.toUtf8() + "\"\n";
            trail += "type=PATH " + stamp + "item=0 name=\"" + e.program.toUtf8()
                + "\" inode=1 dev=08:01 mode=0100755 ouid=0 ogid=0 nametype=NORMAL\n";
        }
        const QString trailPath = work.filePath(QStringLiteral("trail.log"));
        QFile f(trailPath);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(trail);
        f.close();
        qputenv("KVR_AUDITREPORT_LOG", QFile::encodeName(trailPath));
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
        QTest::newRow("useradd, typed end") << "useradd" << QDate() << QDate(2019, 2, 23) << "2019-02-23";
    }

    // Every query road output against numbers the test derives from the
    // events it wrote.
    void writtenTrail()
    {
        QFETCH(QString, type);
        QFETCH(QDate, start);
        QFETCH(QDate, end);
        QFETCH(QString, typedEnd);

        QList<Event> matched;
        for (const Event &e : events) {
            const QString program = e.program.section('/', -1);
            if ((type == "all" || program == type) && (!start.isValid() || e.when.date() >= start)
                && (!end.isValid() || e.when.date() <= end))
                matched << e;
        }
        QVERIFY(matched.size() > 1);
        QMap<QString, int> perUser;
        for (const Event &e : matched)
            ++perUser[userName(e.auid)];

        MainWindow w;
        w.show();
        // An earlier report must not leak users into this one.
        setType(w, type == "chown" ? "sudo" : "chown");
        query(w);
        QCOMPARE(pages(w), (QList<int>{2, 2, 1}));
        setType(w, type);
        if (start.isValid())
            pickDate(w, true, start);
        else
            A::startEdit(w)->setText("all");
        if (!typedEnd.isEmpty()) {
            A::endCalendar(w)->setSelectedDate(QDate(2019, 2, 28));
            A::endEdit(w)->setText(typedEnd);
        } else if (end.isValid()) {
            pickDate(w, false, end);
        }

        ModalAnswerer answerer;
        const QByteArray out = query(w, &answerer);
        QCOMPARE(answerer.messages, QStringList());
        QCOMPARE(pages(w), (QList<int>{2, 2, 1}));
        QVERIFY(!QApplication::overrideCursor());
        if (!typedEnd.isEmpty())
            QCOMPARE(A::endCalendar(w)->selectedDate(), end);

        const QString first = matched.first().when.date().toString(Qt::ISODate);
        const QString last = matched.last().when.date().toString(Qt::ISODate);
        QCOMPARE(cell(w, 0), first + " ~ " + last);
        QCOMPARE(cell(w, 1), QString::number(matched.size()));

        const QStringList tongji = QString::fromUtf8(readAll(data("tongji.log"))).split('\n', Qt::SkipEmptyParts);
        QMap<QString, int> listed;
        for (const QString &line : tongji.mid(2))
            listed[line.section(' ', 0, 0)] = line.section(' ', 1).toInt();
        QCOMPARE(listed, perUser);
        QCOMPARE(cell(w, 2), tongji.last().section(' ', 0, 0));
        QCOMPARE(cell(w, 3), tongji.last().section(' ', 1));

        QStringList ids, counts;
        for (const QString &line : tongji.mid(2)) {
            ids << line.section(' ', 0, 0);
            counts << line.section(' ', 1);
        }
        auto cut = [](const QString &d) { return d.left(4) + "年" + d.mid(5, 2) + "月" + d.mid(8, 2) + "日"; };
        QCOMPARE(QString::fromUtf8(readAll(data("temp_report"))),
                 "时间范围：" + cut(first) + "~" + cut(last) + "\n记录条数：" + QString::number(matched.size())
                     + "\n用户ID：" + ids.join(',') + "\n执行次数：" + counts.join(','));

        // The command as run, and the table written last, label then value.
        auto mdy = [](const QDate &d) { return QStringLiteral("%1/%2/%3").arg(d.month()).arg(d.day()).arg(d.year() % 100, 2, 10, QChar('0')); };
        QString command = "ausearch -i ";
        if (type != "all")
            command += " -f " + events.at(QStringList{"chown", "sudo", "useradd"}.indexOf(type)).program + ' ';
        const QByteArray head = "minglingshi " + command.toUtf8() + '\n';
        if (start.isValid())
            command += "-ts " + mdy(start) + ' ';
        if (end.isValid())
            command += "-te " + mdy(end) + ' ';
        command += " > " + data("result.log");
        QVERIFY2(out.contains(head), out.constData());
        QVERIFY(out.contains("部分的命令是  " + command.toUtf8() + '\n'));
        QCOMPARE(out.contains("you jieshu shij\n"), end.isValid());
        QByteArray table;
        for (int row = 0; row < 4; ++row)
            table += A::ui(w)->tableWidget->item(row, 0)->text().toUtf8() + '\n' + cell(w, row).toUtf8() + '\n';
        QVERIFY(out.endsWith(table));
        QVERIFY(table.startsWith("时间范围："));
    }

    void refusedQueries_data()
    {
        QTest::addColumn<QString>("startText");
        QTest::addColumn<QString>("endText");
        QTest::addColumn<QString>("message");
        QTest::newRow("same day") << "2019-2-22 " << "2019-2-22 " << "选择的时间有误，开始时间应早于结束时间";
        QTest::newRow("start after end") << "2019-2-23 " << "2019-02-22" << "选择的时间有误";
        QTest::newRow("empty start") << "" << "all" << "开始时间无效";
        QTest::newRow("bad end") << "all" << "2019-02-30" << "结束时间无效";
        QTest::newRow("words") << "yesterday" << "2019-2-22" << "开始时间无效";
    }
    // Refused queries warn and run nothing.
    void refusedQueries()
    {
        QFETCH(QString, startText);
        QFETCH(QString, endText);
        QFETCH(QString, message);
        QFile::remove(data("result.log"));
        MainWindow w;
        A::startEdit(w)->setText(startText);
        A::endEdit(w)->setText(endText);
        ModalAnswerer answerer;
        const QByteArray out = query(w, &answerer);
        QCOMPARE(answerer.messages.size(), 1);
        QVERIFY2(answerer.messages.first().contains(message), qPrintable(answerer.messages.first()));
        QVERIFY(answerer.messages.first().contains("警告"));
        QCOMPARE(out, QByteArray());
        QVERIFY(!QFile::exists(data("result.log")));
        QCOMPARE(pages(w), (QList<int>{0, 0, 0}));
    }

    void emptyAndUnreadable_data()
    {
        QTest::addColumn<QString>("trail");
        QTest::addColumn<QString>("message");
        QTest::newRow("no match") << "" << "审计报告为空或未开启审计规则！";
        QTest::newRow("unreadable") << "/nonexistent/audit.log" << "无法读取审计日志，请以管理员身份运行";
    }
    void emptyAndUnreadable()
    {
        QFETCH(QString, trail);
        QFETCH(QString, message);
        const QByteArray savedTrail = qgetenv("KVR_AUDITREPORT_LOG");
        if (!trail.isEmpty())
            qputenv("KVR_AUDITREPORT_LOG", trail.toUtf8());
        MainWindow w;
        w.show();
        setType(w, "reboot");
        pickDate(w, false, QDate(2019, 2, 25));
        ModalAnswerer answerer;
        const QByteArray out = query(w, &answerer);
        qputenv("KVR_AUDITREPORT_LOG", savedTrail);
        QCOMPARE(answerer.messages.size(), 1);
        QVERIFY2(answerer.messages.first().contains(message), qPrintable(answerer.messages.first()));
        QVERIFY(!answerer.busyWhileShown);
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(out.contains("tongjiweikong\n"), trail.isEmpty());
        QVERIFY(out.endsWith("fanhuizhuye\n"));
        QCOMPARE(A::startEdit(w)->text(), QString("all"));
        QCOMPARE(A::endEdit(w)->text(), QString("all"));
        QVERIFY(A::startCalendar(w)->isHidden());
        QVERIFY(A::endCalendar(w)->isHidden());
        QCOMPARE(pages(w), (QList<int>{0, 0, 0}));
    }

    void unwritableDataDir()
    {
        QFile blocker(work.filePath("blocker"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        qputenv("KVR_AUDITREPORT_DATA_DIR", QFile::encodeName(blocker.fileName() + "/data"));
        MainWindow w;
        setType(w, "sudo");
        ModalAnswerer answerer;
        const QByteArray out = query(w, &answerer);
        qputenv("KVR_AUDITREPORT_DATA_DIR", dataDir.toUtf8());
        QCOMPARE(answerer.messages.size(), 1);
        QVERIFY(answerer.messages.first().contains("无法写入工作目录"));
        QVERIFY(answerer.messages.first().contains(blocker.fileName() + "/data"));
        QCOMPARE(out, QByteArray());
    }

    // The overall summary from the project's aureport, then its export.
    void overallSummaryAndExport()
    {
        if (!QFile::exists(QStringLiteral(KVR_TOOLS_BUILD_DIR "/aureport")))
            QSKIP("the project's aureport is not built");
        MainWindow w;
        w.show();
        const QByteArray out = query(w);
        QCOMPARE(pages(w), (QList<int>{1, 1, 2}));
        QCOMPARE(A::ui(w)->export_btn->text(), QString("导出报告"));
        const QByteArray summary = readAll(data("all_report.log"));
        QVERIFY(summary.contains("时间范围"));
        QVERIFY(out.startsWith("zongtishenjibaogao daochumingl" "aureport --summary > " + data("all_report.log").toUtf8()
                               + "\n@@@@@@@@@@@@@@@@@@@@@@@@@@@@\n"));
        QList<QByteArray> lines = summary.split('\n');
        QListWidget *list = A::ui(w)->listWidget;
        QCOMPARE(list->count(), lines.size());
        for (int i = 0; i < lines.size(); ++i) {
            QCOMPARE(list->item(i)->text(), QString::fromUtf8(lines.at(i)));
            QVERIFY(out.contains("meihangsujushi " + lines.at(i) + '\n'));
        }

        QString asked;
        MainWindow::setSaveFileNameProvider([&](QWidget *, const QString &caption, const QString &name,
                                                const QString &filter) {
            asked = caption + '|' + name + '|' + filter;
            return work.filePath("summary export");
        });
        ModalAnswerer answerer;
        QMetaObject::invokeMethod(&w, "on_export_btn_clicked");
        MainWindow::setSaveFileNameProvider(nullptr);
        QCOMPARE(asked, QString("导出报告|uname.doc|doc(*.doc)"));
        QCOMPARE(answerer.messages.size(), 1);
        QVERIFY(answerer.messages.first().contains("报告导出成功!"));
        const QByteArray exported = readAll(work.filePath("summary export.doc"));
        QCOMPARE(exported.count('\n'), summary.count('\n'));
        const QByteArray rangeLine = lines.at(lines.indexOf(
            *std::find_if(lines.begin(), lines.end(), [](const QByteArray &l) { return l.contains("时间范围"); })));
        QVERIFY(exported.contains(rangeLine + '\n'));
    }

    void queryExport_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("message");
        QTest::newRow("plain") << "report.doc" << "报告导出成功!";
        QTest::newRow("shell characters") << "my 'report' $(touch pwned);.DOC" << "报告导出成功!";
        QTest::newRow("cancelled") << "" << "";
        QTest::newRow("unwritable") << "no such dir/x.doc" << "报告导出失败!";
    }
    void queryExport()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, message);
        MainWindow w;
        setType(w, "sudo");
        query(w);
        QCOMPARE(pages(w), (QList<int>{2, 2, 1}));
        const QString target = chosen.isEmpty() ? QString() : work.filePath(chosen);
        QFile::remove(target);
        MainWindow::setSaveFileNameProvider([&](QWidget *, const QString &, const QString &, const QString &) {
            return target;
        });
        ModalAnswerer answerer;
        StdoutCapture capture(work.filePath("stdout.txt"));
        QMetaObject::invokeMethod(&w, "on_other_btn_clicked");
        const QByteArray out = capture.finish();
        MainWindow::setSaveFileNameProvider(nullptr);
        QCOMPARE(answerer.messages.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QVERIFY(answerer.messages.first().contains(message));
        QCOMPARE(out, "lujing shi %%%%%%%%%%%%%%" + target.toUtf8() + (target.isEmpty() ? "" : "quanbu\n"));
        if (message == "报告导出成功!")
            QCOMPARE(readAll(target), readAll(data("temp_report")));
        QVERIFY(!QFile::exists(work.filePath("pwned")));
    }

    // A real trail from another machine: what the table and the report say
    // must agree with what the search tool printed.
    void sharedLog()
    {
        const QString log = QStringLiteral(KVR_SHARED_LOGS "/wecode-iot-puzzle__audit.log");
        if (!QFile::exists(log))
            QSKIP("shared audit logs are absent");
        const QByteArray savedTrail = qgetenv("KVR_AUDITREPORT_LOG");
        qputenv("KVR_AUDITREPORT_LOG", QFile::encodeName(log));
        MainWindow w;
        setType(w, "sudo");
        pickDate(w, true, QDate(2019, 2, 22));
        pickDate(w, false, QDate(2019, 2, 24));
        ModalAnswerer answerer;
        query(w, &answerer);
        qputenv("KVR_AUDITREPORT_LOG", savedTrail);
        QCOMPARE(answerer.messages, QStringList());

        const QList<QByteArray> result = readAll(data("result.log")).split('\n');
        QMap<QString, int> perUser;
        int records = 0;
        for (const QByteArray &line : result) {
            const int at = line.indexOf("用户id:");
            if (at < 0)
                continue;
            ++records;
            ++perUser[QString::fromUtf8(line.mid(at + 9).trimmed().split(' ').first())];
        }
        QCOMPARE(records, 110); // sudo's events in this trail
        QCOMPARE(cell(w, 1), QString::number(records));
        auto dateOf = [](const QByteArray &line) {
            return QString::fromUtf8(line.mid(line.indexOf("日期:") + 7).trimmed().split(' ').first());
        };
        QCOMPARE(cell(w, 0), dateOf(result.at(2)) + " ~ " + dateOf(result.at(result.size() - 2)));
        QCOMPARE(perUser.value(cell(w, 2)), cell(w, 3).toInt());
        const QByteArray report = readAll(data("temp_report"));
        QVERIFY(report.startsWith("时间范围：2019年02月"));
        QVERIFY(report.contains("\n记录条数：110\n"));
    }

    void sysUsers_data()
    {
        QTest::addColumn<QByteArray>("passwd");
        QTest::addColumn<QStringList>("users");
        QTest::newRow("root and daemon") << QByteArray("root:x:0:0:root:/root:/bin/bash\ndaemon:x:1:1::/:/bin/sh\n")
                                         << QStringList{"root", "daemon"};
        QTest::newRow("odd lines") << QByteArray("nocolon\n\n:x:2\nlast:x:9")
                                   << QStringList{"nocolon\n", "\n", "", "last"};
        QTest::newRow("latin-1") << QByteArray("\xe9t\xe9:x:5\n") << QStringList{QString::fromLatin1("\xe9t\xe9")};
        QTest::newRow("missing") << QByteArray() << QStringList();
    }
    void sysUsers()
    {
        QFETCH(QByteArray, passwd);
        QFETCH(QStringList, users);
        const QString path = work.filePath("passwd");
        QFile::remove(path);
        if (!passwd.isNull()) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(passwd);
        }
        MainWindow w;
        w.setPasswdPath(path);
        QStringList listed;
        QVERIFY(QMetaObject::invokeMethod(&w, "getCurrentSysUsers", Q_RETURN_ARG(QStringList, listed)));
        QCOMPARE(listed, users);
    }
};

QTEST_MAIN(QueryRoadTest)
#include "tst_queryroad.moc"
