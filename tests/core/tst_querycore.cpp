// The query road's pure functions and its real shell pipelines, and the
// days a chart of runs covers; no window.
#include "app/appenv.h"
#include "audit/querycore.h"
#include "export/exportcore.h"
#include "files.h"

#include <QTemporaryDir>
#include <QtTest>
#include <numeric>

using namespace querycore;

namespace {
const QString kDefaultDir = "/usr/share/kvr-duvovedadizuve/apps/kvr-securityaudit/kvr-auditreport/";

QByteArray readAll(const QString &path)
{
    return testsupport::readAll(path, "<missing>");
}
using testsupport::writeAll;
std::optional<QDate> opt(const QDate &d)
{
    return d.isValid() ? std::optional<QDate>(d) : std::nullopt;
}
} // namespace

class QueryCoreTest : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    // A data directory whose name the shell would split or expand.
    QString data(const QString &name = QString()) const
    {
        return dir.filePath("data 'dir' $(x);/" + name);
    }

private slots:
    void initTestCase() { QVERIFY(dir.isValid() && QDir().mkpath(data())); }
    void init() { qputenv("KVR_AUDITREPORT_DATA_DIR", data().toUtf8()); }

    void searchCommand_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QDate>("start");
        QTest::addColumn<QDate>("end");
        QTest::addColumn<QString>("expected");
        const QStringList table =
            QString("chgrp=/bin/chgrp chown=/bin/chown chmod=/bin/chmod chattr=/usr/bin/chattr "
                    "su=/bin/su "
                    "sudo=/usr/bin/sudo touch=/bin/touch cp=/bin/cp mv=/bin/mv rm=/bin/rm "
                    "mkdir=/bin/mkdir "
                    "rmdir=/bin/rmdir groupadd=/usr/sbin/groupadd groupdel=/usr/sbin/groupdel "
                    "gpasswd=/usr/bin/gpasswd useradd=/usr/sbin/useradd userdel=/usr/sbin/userdel "
                    "passwd=/usr/bin/passwd ifup=/sbin/ifup ifdown=/sbin/ifdown wget=/usr/bin/wget "
                    "apt-get=/usr/bin/apt-get shutdown=/sbin/shutdown reboot=/sbin/reboot "
                    "service=/usr/sbin/service killall=/usr/bin/killall nice=/usr/bin/nice "
                    "renice=/usr/bin/renice")
                .split(' ');
        QCOMPARE(eventTypeNames().size(), table.size());
        const QString tail = " > " + kDefaultDir + "result.log";
        for (int i = 0; i < table.size(); ++i) {
            const QString name = table[i].section('=', 0, 0), path = table[i].section('=', 1);
            QCOMPARE(eventTypeNames().at(i), name);
            QTest::addRow("%s", qPrintable(name))
                << name << QDate() << QDate() << "ausearch -i  -f " + path + " " + tail;
            QTest::addRow("%s dated", qPrintable(name))
                << name << QDate(2024, 3, 5) << QDate(2024, 12, 31)
                << "ausearch -i  -f " + path + " -ts 3/5/24 -te 12/31/24 " + tail;
        }
        QTest::newRow("all, end only")
            << "all" << QDate() << QDate(2024, 12, 31) << "ausearch -i -te 12/31/24 " + tail;
        QTest::newRow("all, 2009") << "all" << QDate(2009, 1, 2) << QDate(2009, 11, 20)
                                   << "ausearch -i -ts 1/2/09 -te 11/20/09 " + tail;
        QTest::newRow("all, 2000")
            << "all" << QDate(2000, 10, 1) << QDate() << "ausearch -i -ts 10/1/00 " + tail;
        QTest::newRow("untranslatable")
            << "chown(改)" << QDate(2024, 3, 5) << QDate() << "ausearch -i  -f -ts 3/5/24 " + tail;
    }
    // Byte for byte, with the built-in data directory.
    void searchCommand()
    {
        QFETCH(QString, entry);
        QFETCH(QDate, start);
        QFETCH(QDate, end);
        qunsetenv("KVR_AUDITREPORT_DATA_DIR");
        const auto type = entry == "all" ? std::nullopt : std::optional<QString>(entry);
        QTEST(composeSearchCommand(type, opt(start), opt(end)).full(), "expected");
    }

    void fieldDates_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("expected");
        QTest::newRow("picked") << "2024-3-5 " << QDate(2024, 3, 5);
        QTest::newRow("typed zeros") << " 2012-12-31\t" << QDate(2012, 12, 31);
        for (const char *bad : {"", "all", "2024/3/5", "2023-2-29", "2024-13-1", "2024-3-5x"})
            QTest::addRow("'%s'", bad) << bad << QDate();
    }
    void fieldDates()
    {
        QFETCH(QString, text);
        QFETCH(QDate, expected);
        QCOMPARE(parseFieldDate(text).value_or(QDate()), expected);
    }

    void tongji_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("lengths");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("users");
        QTest::newRow("two empty lines") << QByteArray("\n\n") << "0" << 0 << "";
        QTest::newRow("missing") << QByteArray() << "" << 0 << "";
        QTest::newRow("one date line") << QByteArray("2024-03-05\n") << "10,0" << 2 << "";
        QTest::newRow("dates, no user")
            << QByteArray("2024-03-05\n2024-03-07\n") << "10,10,0" << 3 << "";
        QTest::newRow("first date only") << QByteArray("2024-03-05\n\n") << "10,0,0" << 3 << "";
        QTest::newRow("not a number") << QByteArray("a\nb\nroot x\n") << "1,1,6" << 3 << "root=0";
        QTest::newRow("several users") << QByteArray("a\nb\nroot 3\ntest 1\n用户 12") << "1,1,6"
                                       << 3 << "root=3,test=1,用户=12";
        QTest::newRow("over 255 bytes") << QByteArray(300, 'x') + "\nb\nroot 1\n"
                                        << "255" << 1 << "";
    }
    void tongji()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, count);
        QFile::remove(data("tongji.log"));
        if (!content.isNull())
            writeAll(data("tongji.log"), content);
        const TongjiCount counted = countTongjiLines(data("tongji.log"));
        QStringList lengths, users;
        for (int n : counted.lineLengths)
            lengths << QString::number(n);
        QTEST(lengths.join(','), "lengths");
        QCOMPARE(counted.count, count);
        const TongjiData d = readTongji(data("tongji.log"));
        for (int i = 0; count == 3 && i < d.userIds.size(); ++i)
            users << d.userIds[i] + '=' + QString::number(d.execCounts[i]);
        QTEST(users.join(','), "users");
    }

    void reportBytes_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::addColumn<QStringList>("users");
        QTest::addColumn<QList<int>>("counts");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("two users")
            << "2024-03-05"
            << "2024-03-07" << QStringList{"root", "test"} << QList<int>{3, 1}
            << QByteArray("时间范围：2024年03月05日~2024年03月07日\n记录条"
                          "数：4\n用户ID：root,test\n执行次数：3,1");
        QTest::newRow("short dates, no user")
            << "2024-03"
            << "" << QStringList() << QList<int>()
            << QByteArray("时间范围：2024年03月~\n记录条数：0\n用户ID：\n执行次数：");
        // Names that hide or reorder characters, or carry the list separator,
        // are written escaped; markup is plain text in the file and stays.
        QTest::newRow("hostile names")
            << "2024-03-05"
            << "2024-03-05"
            << QStringList{"ro\u200Bot", "\u202Etoor", "a,b", "<s>mallory</s><br><b>root</b>"}
            << QList<int>{1, 1, 1, 1}
            << QByteArray("时间范围：2024年03月05日~2024年03月05日\n记录条数：4\n用户ID：ro<U+"
                          "200B>ot,<U+202E>toor,a<U+002C>b,<s>mallory</s><br><b>root</b>\n执行次"
                          "数：1,1,1,1");
    }
    void reportBytes()
    {
        QFETCH(QString, start);
        QFETCH(QString, end);
        QFETCH(QStringList, users);
        QFETCH(QList<int>, counts);
        const int records = std::accumulate(counts.begin(), counts.end(), 0);
        QVERIFY(writeFile(data("temp_report"), reportText(start, end, records, users, counts)));
        QTEST(readAll(data("temp_report")), "expected");
    }

    void summaryLines_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QList<QByteArray>>("lines");
        QTest::newRow("final newline") << QByteArray("a\nb\n") << QList<QByteArray>{"a", "b", ""};
        QTest::newRow("no final newline") << QByteArray("a\nb") << QList<QByteArray>{"a", "b", ""};
        QTest::newRow("empty") << QByteArray("") << QList<QByteArray>{""};
        QTest::newRow("missing") << QByteArray() << QList<QByteArray>{};
        QTest::newRow("300 bytes") << QByteArray(300, 'x') + "\ny\n"
                                   << QList<QByteArray>{QByteArray(300, 'x'), "y", ""};
    }
    void summaryLines()
    {
        QFETCH(QByteArray, content);
        QFile::remove(data("all_report.log"));
        if (!content.isNull())
            writeAll(data("all_report.log"), content);
        bool opened = false;
        QTEST(readSummaryLines(data("all_report.log"), &opened), "lines");
        QCOMPARE(opened, !content.isNull());
    }

    // The three statistics pipelines, run for real on prepared search output.
    void chartDays_data()
    {
        QTest::addColumn<QDate>("start");
        QTest::addColumn<QDate>("end");
        QTest::addColumn<QDate>("first");
        QTest::addColumn<QDate>("last");
        // Runs on 2024-03-05 and 2024-03-09; the report's records span 03-01 .. 03-20.
        QTest::newRow("chosen range")
            << QDate(2024, 3, 2) << QDate(2024, 3, 12) << QDate(2024, 3, 2) << QDate(2024, 3, 12);
        QTest::newRow("both open") << QDate() << QDate() << QDate(2024, 3, 1) << QDate(2024, 3, 20);
        QTest::newRow("start open")
            << QDate() << QDate(2024, 3, 10) << QDate(2024, 3, 1) << QDate(2024, 3, 10);
        QTest::newRow("run outside the range")
            << QDate(2024, 3, 6) << QDate(2024, 3, 8) << QDate(2024, 3, 5) << QDate(2024, 3, 9);
    }
    // The days a chart of runs covers: the chosen dates, the report's first
    // and last record day for an open side, never leaving a run out.
    void chartDays()
    {
        QFETCH(QDate, start);
        QFETCH(QDate, end);
        QFETCH(QDate, first);
        QFETCH(QDate, last);
        const QMap<QDate, int> runs{{QDate(2024, 3, 5), 1}, {QDate(2024, 3, 9), 2}};
        const DaySpan s = chartSpan(opt(start), opt(end), "2024-03-01", "2024-03-20", runs);
        QCOMPARE(s.first, first);
        QCOMPARE(s.last, last);
        QCOMPARE(s.days(), first.daysTo(last) + 1);
        QVERIFY(!chartSpan({}, {}, "", "", {}).isValid());
    }

    void pipelines_data()
    {
        QTest::addColumn<QByteArray>("result");
        QTest::addColumn<QByteArray>("tongji");
        const QByteArray head = "----\ntime->x\n";
        QTest::newRow("two lines only") << QByteArray("日期: 2024-03-05 1\n日期: 2024-03-06 2\n")
                                        << QByteArray("\n2024-03-06\n");
        QTest::newRow("last line without date")
            << head + "t 日期: 2024-03-05 10:00 用户id: root\n用户id: root\n"
            << QByteArray("2024-03-05\n\nroot 2\n");
        QTest::newRow("three root one test") << head
                + "日期: 2024-03-05 用户id: root\n用户id: test\n用户id: root a\n日期: 2024-03-07 "
                  "用户id:  root\n" << QByteArray("2024-03-05\n2024-03-07\nroot 3\ntest 1\n");
        QTest::newRow("doubled label, blanks") << head
                + "日期: 2024-03-05 用户id: root 用户id: test\n用户id:   \n用户id:\n"
                  "日期:   2024-03-09   日期: 2025-01-01\n"
                                               << QByteArray("2024-03-05\n2024-03-09\nroot 1\n");
        QTest::newRow("empty result") << QByteArray("") << QByteArray("\n\n");
    }
    void pipelines()
    {
        QFETCH(QByteArray, result);
        QFETCH(QByteArray, tongji);
        writeAll(data("result.log"), result);
        writeAll(data("tongji.log"), "stale\nstale\nold 9\n");
        for (const QString &cmd : statisticsCommands())
            QVERIFY(runShell(cmd).started);
        QList<QByteArray> got = readAll(data("tongji.log")).split('\n'), want = tongji.split('\n');
        std::sort(got.begin() + 2, got.end()); // the user lines come in no fixed order
        std::sort(want.begin() + 2, want.end());
        QCOMPARE(got, want);
    }

    void defaultCommandTexts()
    {
        qunsetenv("KVR_AUDITREPORT_DATA_DIR");
        const QString d = kDefaultDir,
                      date =
                          "|awk -F '日期:' '{print $2}'|awk '{split($0,a,\" \");}END{print a[1]}' ";
        QCOMPARE(statisticsCommands(),
                 QStringList({"sed -n '3p' " + d + "result.log " + date + "> " + d + "tongji.log",
                              "tail -1 " + d + "result.log " + date + ">> " + d + "tongji.log",
                              "awk -F '用户id:' '{print $2}'  " + d
                                  + "result.log | awk 'NF' |awk '{split($0,a,\" \");"
                                    "name[a[1]]+=1};END{for(i in name) print i, name[i]}' >> "
                                  + d + "tongji.log"}));
        QCOMPARE(summaryCommand(), "aureport --summary > " + d + "all_report.log");
        QCOMPARE(exportcore::summaryExport("/home/a/report").command,
                 "awk '{if($1~\"时间范围\"){print}else{printf "
                 "$1;for(i=0;i<(30-length($1));i++){printf \"  \";"
                 "if(substr($1,i,1)~/^[VMCAI(]/)printf \" \"};print $2}}' "
                     + d + "all_report.log > /home/a/report.doc");
    }

    void exports_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("target");
        QTest::newRow("report") << "report"
                                << "report.doc";
        QTest::newRow(".doc") << "r.doc"
                              << "r.doc";
        QTest::newRow(".DOC") << "r.DOC"
                              << "r.DOC.doc";
        QTest::newRow("shell characters") << "a b'c\";$(touch pwned)`id`"
                                          << "a b'c\";$(touch pwned)`id`.doc";
    }
    // Both exports land in exactly the chosen file and run nothing in its name.
    void exports()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, target);
        QTemporaryDir out;
        writeAll(data("all_report.log"),
                 "时间范围 2019-02-22 - 2019-02-24\nhello 5 x\nhVxyz 7\n\n");
        const exportcore::SummaryExport job = exportcore::summaryExport(out.filePath(chosen));
        QCOMPARE(job.target, out.filePath(target));
        const QString cwd = QDir::currentPath();
        QDir::setCurrent(out.path());
        const bool exported = exportcore::runSummaryExport(job);
        QDir::setCurrent(cwd);
        QVERIFY(exported);
        QCOMPARE(readAll(job.target),
                 "时间范围 2019-02-22 - 2019-02-24\nhello" + QByteArray(50, ' ') + "5\nhVxyz"
                     + QByteArray(51, ' ') + "7\n" + QByteArray(60, ' ') + "\n");
        writeAll(data("temp_report"), "时间范围：x\n执行次数：1");
        QVERIFY(exportcore::copyReport(out.filePath(chosen)));
        QCOMPARE(readAll(out.filePath(chosen)), QByteArray("时间范围：x\n执行次数：1"));
        QCOMPARE(QDir(out.path()).entryList(QDir::Files).size(), chosen == target ? 1 : 2);
        QVERIFY(!exportcore::runSummaryExport(exportcore::summaryExport(out.filePath("no dir/x"))));
    }
};

QTEST_GUILESS_MAIN(QueryCoreTest)
#include "tst_querycore.moc"
