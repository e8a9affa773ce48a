// The query road's pure functions and its real shell pipelines, no window.
#include "app/appenv.h"
#include "audit/querycore.h"
#include "export/exportcore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace querycore;

namespace {

const char kDefaultDir[] = "/usr/share/kvr-duvovedadizuve/apps/kvr-securityaudit/kvr-auditreport/";

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// Runs the body with the built-in data directory.
template <typename F> void withDefaultDataDir(F body)
{
    const QByteArray saved = qgetenv("KVR_AUDITREPORT_DATA_DIR");
    qunsetenv("KVR_AUDITREPORT_DATA_DIR");
    body();
    qputenv("KVR_AUDITREPORT_DATA_DIR", saved);
}

} // namespace

class QueryCoreTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dataDir;
    QString data(const QString &name) const { return dataDir.filePath(name); }

private slots:
    void initTestCase()
    {
        QVERIFY(dataDir.isValid());
        qputenv("KVR_AUDITREPORT_DATA_DIR", dataDir.path().toUtf8());
    }

    void searchCommand_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("program");
        QTest::addColumn<QDate>("start");
        QTest::addColumn<QDate>("end");
        const char *table[][2] = {
            {"chgrp", "/bin/chgrp"}, {"chown", "/bin/chown"}, {"chmod", "/bin/chmod"},
            {"chattr", "/usr/bin/chattr"}, {"su", "/bin/su"}, {"sudo", "/usr/bin/sudo"},
            {"touch", "/bin/touch"}, {"cp", "/bin/cp"}, {"mv", "/bin/mv"}, {"rm", "/bin/rm"},
            {"mkdir", "/bin/mkdir"}, {"rmdir", "/bin/rmdir"}, {"groupadd", "/usr/sbin/groupadd"},
            {"groupdel", "/usr/sbin/groupdel"}, {"gpasswd", "/usr/bin/gpasswd"},
            {"useradd", "/usr/sbin/useradd"}, {"userdel", "/usr/sbin/userdel"},
            {"passwd", "/usr/bin/passwd"}, {"ifup", "/sbin/ifup"}, {"ifdown", "/sbin/ifdown"},
            {"wget", "/usr/bin/wget"}, {"apt-get", "/usr/bin/apt-get"},
            {"shutdown", "/sbin/shutdown"}, {"reboot", "/sbin/reboot"},
            {"service", "/usr/sbin/service"}, {"killall", "/usr/bin/killall"},
            {"nice", "/usr/bin/nice"}, {"renice", "/usr/bin/renice"},
        };
        QCOMPARE(eventTypeNames().size(), 28);
        const QDate dates[][2] = {{QDate(), QDate()},
                                  {QDate(2024, 3, 5), QDate()},
                                  {QDate(), QDate(2024, 12, 31)},
                                  {QDate(2009, 1, 2), QDate(2009, 11, 20)}};
        for (const auto &row : table) {
            QCOMPARE(eventTypeNames().at(int(&row - table)), QString::fromLatin1(row[0]));
            for (const auto &range : dates)
                QTest::addRow("%s %s-%s", row[0], qPrintable(range[0].toString(Qt::ISODate)),
                              qPrintable(range[1].toString(Qt::ISODate)))
                    << row[0] << row[1] << range[0] << range[1];
        }
        for (const auto &range : dates)
            QTest::addRow("all %s-%s", qPrintable(range[0].toString(Qt::ISODate)),
                          qPrintable(range[1].toString(Qt::ISODate)))
                << QStringLiteral("all") << QString() << range[0] << range[1];
        QTest::newRow("untranslatable entry") << QStringLiteral("chown(改)") << QString()
                                              << QDate(2024, 3, 5) << QDate();
    }

    // The command line must come out byte for byte as the tools expect it,
    // with the built-in data directory.
    void searchCommand()
    {
        QFETCH(QString, entry);
        QFETCH(QString, program);
        QFETCH(QDate, start);
        QFETCH(QDate, end);
        auto mdy = [](const QDate &d) {
            return QStringLiteral("%1/%2/%3").arg(d.month()).arg(d.day()).arg(
                d.toString(QStringLiteral("yy")));
        };
        QString expected = QStringLiteral("ausearch -i ");
        if (entry != "all")
            expected += QStringLiteral(" -f ") + (program.isEmpty() ? QString() : program + ' ');
        if (start.isValid())
            expected += "-ts " + mdy(start) + ' ';
        if (end.isValid())
            expected += "-te " + mdy(end) + ' ';
        expected += QStringLiteral(" > ") + kDefaultDir + "result.log";

        auto opt = [](const QDate &d) { return d.isValid() ? std::optional<QDate>(d) : std::nullopt; };
        const std::optional<QString> type = entry == "all" ? std::nullopt : std::optional<QString>(entry);
        withDefaultDataDir([&] {
            QCOMPARE(composeSearchCommand(type, opt(start), opt(end)).full(), expected);
        });
    }

    void searchDates_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("expected");
        QTest::newRow("2009") << QDate(2009, 11, 20) << "11/20/09";
        QTest::newRow("one digit") << QDate(2009, 1, 2) << "1/2/09";
        QTest::newRow("2000") << QDate(2000, 10, 1) << "10/1/00";
        QTest::newRow("2024") << QDate(2024, 3, 5) << "3/5/24";
        QTest::newRow("year 999") << QDate(999, 7, 4) << "7/4/99";
    }
    void searchDates()
    {
        QFETCH(QDate, date);
        QFETCH(QString, expected);
        QCOMPARE(searchDate(date), expected);
    }

    void fieldDates_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("expected");
        QTest::newRow("picked") << "2024-3-5 " << QDate(2024, 3, 5);
        QTest::newRow("typed zeros") << "2024-03-05" << QDate(2024, 3, 5);
        QTest::newRow("blanks") << "  2012-12-31\t" << QDate(2012, 12, 31);
        QTest::newRow("empty") << "" << QDate();
        QTest::newRow("marker") << "all" << QDate();
        QTest::newRow("slashes") << "2024/3/5" << QDate();
        QTest::newRow("no such day") << "2023-2-29" << QDate();
        QTest::newRow("month 13") << "2024-13-1" << QDate();
        QTest::newRow("trailing text") << "2024-3-5x" << QDate();
    }
    void fieldDates()
    {
        QFETCH(QString, text);
        QFETCH(QDate, expected);
        const std::optional<QDate> date = parseFieldDate(text);
        QCOMPARE(date.has_value(), expected.isValid());
        if (date)
            QCOMPARE(*date, expected);
    }

    void tongji_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("lengths");
        QTest::addColumn<QString>("users");
        QTest::addColumn<int>("total");
        QTest::newRow("two empty lines") << QByteArray("\n\n") << 0 << "0" << "" << 0;
        QTest::newRow("missing") << QByteArray() << 0 << "" << "" << 0;
        QTest::newRow("one date line") << QByteArray("2024-03-05\n") << 2 << "10,0" << "" << 0;
        QTest::newRow("two dates, no user")
            << QByteArray("2024-03-05\n2024-03-07\n") << 3 << "10,10,0" << "" << 0;
        QTest::newRow("first date only") << QByteArray("2024-03-05\n\n") << 3 << "10,0,0" << "" << 0;
        QTest::newRow("non-numeric count")
            << QByteArray("2024-03-05\n2024-03-07\nroot x\n") << 3 << "10,10,6" << "root=0" << 0;
        QTest::newRow("several users")
            << QByteArray("2024-03-05\n2024-03-07\nroot 3\ntest 1\n用户 12\n") << 3 << "10,10,6"
            << "root=3,test=1,用户=12" << 16;
        QTest::newRow("no final newline")
            << QByteArray("2024-03-05\n2024-03-07\nroot 3") << 3 << "10,10,6" << "root=3" << 3;
        QTest::newRow("line over 255 bytes")
            << QByteArray(300, 'x') + "\n2024\nroot 1\n" << 1 << "255" << "" << 0;
    }
    void tongji()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, count);
        QFETCH(QString, lengths);
        QFETCH(QString, users);
        QFETCH(int, total);
        const QString path = data(QStringLiteral("tongji.log"));
        QFile::remove(path);
        if (!content.isNull())
            writeAll(path, content);
        const TongjiCount counted = countTongjiLines(path);
        QStringList seen;
        for (int n : counted.lineLengths)
            seen << QString::number(n);
        QCOMPARE(seen.join(','), lengths);
        QCOMPARE(counted.count, count);
        if (count != 3)
            return;
        const TongjiData d = readTongji(path);
        QVERIFY(d.opened);
        QStringList pairs;
        for (int i = 0; i < d.userIds.size(); ++i)
            pairs << d.userIds.at(i) + '=' + QString::number(d.execCounts.at(i));
        QCOMPARE(pairs.join(','), users);
        QCOMPARE(d.totalRecords(), total);
    }

    void reportBytes_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::addColumn<QStringList>("ids");
        QTest::addColumn<QList<int>>("counts");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("two users") << "2024-03-05" << "2024-03-07" << QStringList{"root", "test"}
                                   << QList<int>{3, 1}
                                   << QByteArray("时间范围：2024年03月05日~2024年03月07日\n记录条数：4\n"
                                                 "用户ID：root,test\n执行次数：3,1");
        QTest::newRow("one user") << "2019-02-22" << "2019-02-24" << QStringList{"ec2-user"}
                                  << QList<int>{7}
                                  << QByteArray("时间范围：2019年02月22日~2019年02月24日\n记录条数：7\n"
                                                "用户ID：ec2-user\n执行次数：7");
        QTest::newRow("no users, no end date") << "2024-03-05" << "" << QStringList() << QList<int>()
                                               << QByteArray("时间范围：2024年03月05日~\n记录条数：0\n"
                                                             "用户ID：\n执行次数：");
        QTest::newRow("short date") << "2024-03" << "2024-03-07 12" << QStringList() << QList<int>()
                                    << QByteArray("时间范围：2024年03月~2024年03月07日\n记录条数：0\n"
                                                  "用户ID：\n执行次数：");
    }
    void reportBytes()
    {
        QFETCH(QString, start);
        QFETCH(QString, end);
        QFETCH(QStringList, ids);
        QFETCH(QList<int>, counts);
        QFETCH(QByteArray, expected);
        int total = 0;
        for (int n : counts)
            total += n;
        const QString path = data(QStringLiteral("temp_report"));
        QVERIFY(writeFile(path, reportText(start, end, total, ids, counts)));
        QCOMPARE(readAll(path), expected);
    }

    void summaryLines_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("items");
        QTest::newRow("final newline") << QByteArray("a\nb\n") << 3;
        QTest::newRow("no final newline") << QByteArray("a\nb") << 3;
        QTest::newRow("empty file") << QByteArray("") << 1;
        QTest::newRow("missing") << QByteArray() << 0;
        QTest::newRow("300-byte line") << QByteArray(300, 'x') + "\n时间范围 y\n" << 3;
    }
    void summaryLines()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, items);
        const QString path = data(QStringLiteral("all_report.log"));
        QFile::remove(path);
        if (!content.isNull())
            writeAll(path, content);
        bool opened = false;
        const QList<QByteArray> lines = readSummaryLines(path, &opened);
        QCOMPARE(opened, !content.isNull());
        QCOMPARE(lines.size(), items);
        if (items == 0)
            return;
        // Every line comes back whole, then one empty item.
        QByteArray joined;
        for (int i = 0; i + 1 < lines.size(); ++i)
            joined += lines.at(i) + '\n';
        QCOMPARE(joined, content.endsWith('\n') || content.isEmpty() ? content : content + '\n');
        QVERIFY(lines.last().isEmpty());
    }

    // The three statistics pipelines, run for real on prepared search output.
    void pipelines_data()
    {
        QTest::addColumn<QByteArray>("result");
        QTest::addColumn<QByteArray>("dates");
        QTest::addColumn<QStringList>("users");
        const QByteArray head = "----\ntime->x\n";
        QTest::newRow("two lines only")
            << QByteArray("日期: 2024-03-05 1\n日期: 2024-03-06 2\n") << QByteArray("\n2024-03-06\n")
            << QStringList();
        QTest::newRow("last line without date")
            << head + "type=A 日期: 2024-03-05 10:00:00.000 用户id: root\n用户id: root\n"
            << QByteArray("2024-03-05\n\n") << QStringList{"root 2"};
        QTest::newRow("three root one test")
            << head + "日期: 2024-03-05 x 用户id: root\n用户id: root a\n用户id: test\n"
                      "日期: 2024-03-07 用户id:  root\n"
            << QByteArray("2024-03-05\n2024-03-07\n") << QStringList{"root 3", "test 1"};
        QTest::newRow("doubled label and blanks")
            << head + "日期: 2024-03-05 用户id: root 用户id: test\n用户id:   \n用户id:\n"
                      "日期:   2024-03-09   日期: 2025-01-01\n"
            << QByteArray("2024-03-05\n2024-03-09\n") << QStringList{"root 1"};
        QTest::newRow("empty result") << QByteArray("") << QByteArray("\n\n") << QStringList();
    }
    void pipelines()
    {
        QFETCH(QByteArray, result);
        QFETCH(QByteArray, dates);
        QFETCH(QStringList, users);
        writeAll(data(QStringLiteral("result.log")), result);
        writeAll(data(QStringLiteral("tongji.log")), "stale\nstale\nold 9\n");
        for (const QString &cmd : statisticsCommands())
            QVERIFY(runShell(cmd).started);
        const QByteArray tongji = readAll(data(QStringLiteral("tongji.log")));
        QVERIFY2(tongji.startsWith(dates), tongji.constData());
        QStringList userLines = QString::fromUtf8(tongji.mid(dates.size())).split('\n', Qt::SkipEmptyParts);
        userLines.sort();
        QCOMPARE(userLines, users);
    }

    void defaultCommandTexts()
    {
        withDefaultDataDir([] {
            const QString d = kDefaultDir;
            const QStringList cmds = statisticsCommands();
            QCOMPARE(cmds.size(), 3);
            QCOMPARE(cmds.at(0), "sed -n '3p' " + d + "result.log |awk -F '日期:' '{print $2}'|awk "
                     "'{split($0,a,\" \");}END{print a[1]}' > " + d + "tongji.log");
            QCOMPARE(cmds.at(1), "tail -1 " + d + "result.log |awk -F '日期:' '{print $2}'|awk "
                     "'{split($0,a,\" \");}END{print a[1]}' >> " + d + "tongji.log");
            QCOMPARE(cmds.at(2), "awk -F '用户id:' '{print $2}'  " + d + "result.log | awk 'NF' "
                     "|awk '{split($0,a,\" \");name[a[1]]+=1};END{for(i in name) print i, name[i]}' >> "
                     + d + "tongji.log");
            QCOMPARE(summaryCommand(), "aureport --summary > " + d + "all_report.log");
            QCOMPARE(exportcore::summaryExport("/home/a/report").command,
                     "awk '{if($1~\"时间范围\"){print}else{printf $1;for(i=0;i<(30-length($1));i++)"
                     "{printf \"  \";if(substr($1,i,1)~/^[VMCAI(]/)printf \" \"};print $2}}' "
                     + d + "all_report.log > /home/a/report.doc");
        });
    }

    void docRule_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QByteArray>("suffix");
        QTest::newRow("report") << "report" << "report.doc" << QByteArray("port");
        QTest::newRow(".doc") << "r.doc" << "r.doc" << QByteArray(".doc");
        QTest::newRow(".DOC") << "r.DOC" << "r.DOC.doc" << QByteArray(".DOC");
        QTest::newRow("blanks and shell") << "a b'c\";$(touch pwned)`id`"
                                          << "a b'c\";$(touch pwned)`id`.doc" << QByteArray("`id`");
    }
    // Both exports land in exactly the chosen file, whatever it is called,
    // and nothing in the name is run.
    void docRule()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, target);
        QFETCH(QByteArray, suffix);
        QTemporaryDir out;
        QVERIFY(out.isValid());
        writeAll(data(QStringLiteral("all_report.log")),
                 "时间范围 2019-02-22 - 2019-02-24\nhello 5\nhVxyz 7\n\n");
        const exportcore::SummaryExport job = exportcore::summaryExport(out.filePath(chosen));
        QCOMPARE(job.suffix, suffix);
        QCOMPARE(job.target, out.filePath(target));
        // A command hidden in the name would run in the current directory.
        const QString cwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(out.path()));
        const bool exported = exportcore::runSummaryExport(job);
        QDir::setCurrent(cwd);
        QVERIFY(exported);
        QCOMPARE(readAll(out.filePath(target)),
                 "时间范围 2019-02-22 - 2019-02-24\nhello" + QByteArray(50, ' ') + "5\nhVxyz"
                     + QByteArray(51, ' ') + "7\n" + QByteArray(60, ' ') + "\n");

        writeAll(data(QStringLiteral("temp_report")), "时间范围：x\n执行次数：1");
        QVERIFY(exportcore::copyReport(out.filePath(chosen)));
        QCOMPARE(readAll(out.filePath(chosen)), QByteArray("时间范围：x\n执行次数：1"));
        QCOMPARE(QDir(out.path()).entryList(QDir::Files).size(), chosen == target ? 1 : 2);
        QVERIFY(!QFile::exists(out.filePath("pwned")));
        QVERIFY(!QFile::exists(cwd + "/pwned"));
    }

    void exportFailures()
    {
        QVERIFY(!exportcore::copyReport(QStringLiteral("/nonexistent-dir/x.doc")));
        QVERIFY(!exportcore::runSummaryExport(exportcore::summaryExport("/nonexistent-dir/x")));
    }

    void shellStatus()
    {
        QCOMPARE(runShell(QStringLiteral("exit 3")).exitCode, 3);
        QCOMPARE(runShell(QStringLiteral("true > ") + shellQuote(data("o k"))).exitCode, 0);
        QVERIFY(QFile::exists(data("o k")));
    }
};

QTEST_GUILESS_MAIN(QueryCoreTest)
#include "tst_querycore.moc"
