// The CSV and HTML exports on their own: one table of runs and what each
// writer makes of them (times across a change of offset, formulas, quotes,
// newlines, markup, hostile names), the frame of both files and of the
// overall summary, and a real spreadsheet reading the CSV.
#include "export/csvreport.h"
#include "export/htmlreport.h"
#include "files.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

using runsfile::Run;
using runsfile::RunResult;

namespace {

const QTimeZone kZone("America/New_York");

reportdata::QueryReport report(const QList<Run> &runs)
{
    reportdata::QueryReport r;
    r.command = QStringLiteral("sudo");
    r.askedStart = QDate(2024, 11, 1);
    r.zone = kZone;
    r.origin.hostName = QStringLiteral("host1");
    r.origin.madeAt = QDateTime(QDate(2024, 11, 5), QTime(9, 0), kZone);
    r.origin.trailFiles = QStringList{"/var/log/audit/audit.log.1", "/var/log/audit/audit.log"};
    r.origin.trailFirst = QDateTime(QDate(2024, 10, 1), QTime(0, 0), kZone);
    r.origin.trailLast = QDateTime(QDate(2024, 11, 5), QTime(8, 59), kZone);
    r.summaryRows = {{"时间范围：", "2024-11-03 ~ 2024-11-04"}, {"记录条数：", "3"}};
    r.users = runfigures::perUser(runs);
    r.firstDay = QDate(2024, 11, 3);
    r.perDay = {2, 0, 1};
    r.runs = runs;
    return r;
}

} // namespace

class WritersTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(kZone.isValid()); }

    void runRows_data()
    {
        QTest::addColumn<qint64>("time");
        QTest::addColumn<QStringList>("fields"); // node, login, acting, terminal, command
        QTest::addColumn<int>("result");
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<QString>("html"); // cells after the time, as written
        const int ok = int(RunResult::Success);
        QTest::newRow("plain") << 1712460600000LL
                               << QStringList{"-", "alice", "root", "pts/1", "/bin/chown a /b"}
                               << ok
                               << QByteArray("2024-04-06T23:30:00-04:00,alice,root,host1,pts/1,"
                                             "success,/bin/chown a /b")
                               << "<td>alice</td><td>root</td><td>host1</td><td>pts/1</td>"
                                  "<td>成功</td><td class=\"cmd\">/bin/chown a /b</td>";
        // The repeated hour: the same wall time, told apart by the offset.
        QTest::newRow("repeated hour, first")
            << 1730611800000LL << QStringList{"web1", "bob", "-", "-", "-"}
            << int(RunResult::Failed)
            << QByteArray("2024-11-03T01:30:00-04:00,bob,-,web1,-,failed,-")
            << "<td>bob</td><td>-</td><td>web1</td><td>-</td><td class=\"bad\">失败</td>";
        QTest::newRow("repeated hour, second")
            << 1730615400000LL << QStringList{"-", "bob", "-", "-", "-"} << int(RunResult::Refused)
            << QByteArray("2024-11-03T01:30:00-05:00,bob,-,host1,-,refused,-")
            << "<td class=\"bad\">拒绝</td>";
        QTest::newRow("formula")
            << 0LL
            << QStringList{"-", "=cmd|' /C calc'!A0", "+1", "@SUM(A1)",
                           "=HYPERLINK(\"http://x\",\"ok\")"}
            << ok
            << QByteArray("1969-12-31T19:00:00-05:00,'=cmd|' /C calc'!A0,'+1,host1,'@SUM(A1),"
                          "success,\"'=HYPERLINK(\"\"http://x\"\",\"\"ok\"\")\"")
            << "<td class=\"cmd\">=HYPERLINK(&quot;http://x&quot;,&quot;ok&quot;)</td>";
        QTest::newRow("minus, quotes, comma")
            << 0LL << QStringList{"-", "a", "-", "-", "-rf \"x\", y"} << ok
            << QByteArray("1969-12-31T19:00:00-05:00,a,-,host1,-,success,\"'-rf \"\"x\"\", y\"")
            << "<td class=\"cmd\">-rf &quot;x&quot;, y</td>";
        QTest::newRow("newline in command")
            << 0LL << QStringList{"-", "a", "-", "-", "echo a\nb\r"} << ok
            << QByteArray("1969-12-31T19:00:00-05:00,a,-,host1,-,success,echo a<U+000A>b<U+000D>")
            << "<td class=\"cmd\">echo a&lt;U+000A&gt;b&lt;U+000D&gt;</td>";
        QTest::newRow("markup and hostile names")
            << 0LL
            << QStringList{"-", "a,b", "ro\u200Bot", "\u202Ex", "<script>alert('&')</script>"} << ok
            << QByteArray("1969-12-31T19:00:00-05:00,a<U+002C>b,ro<U+200B>ot,host1,<U+202E>x,"
                          "success,<script>alert('&')</script>")
            << "<td>a&lt;U+002C&gt;b</td><td>ro&lt;U+200B&gt;ot</td><td>host1</td>"
               "<td>&lt;U+202E&gt;x</td><td>成功</td><td class=\"cmd\">&lt;script&gt;alert(&#39;"
               "&amp;&#39;)&lt;/script&gt;</td>";
    }
    // One run through both writers: its CSV row and its HTML cells.
    void runRows()
    {
        QFETCH(qint64, time);
        QFETCH(QStringList, fields);
        QFETCH(int, result);
        QFETCH(QByteArray, csv);
        QFETCH(QString, html);
        const Run run{time,      1,         fields[0],         fields[1],
                      fields[2], fields[3], RunResult(result), fields[4]};
        const QByteArray file = csvreport::runs(report({run}));
        QCOMPARE(file,
                 "\xEF\xBB\xBFtime,login_user,acting_user,host,terminal,result,command\r\n" + csv
                     + "\r\n");
        const QString page = QString::fromUtf8(htmlreport::query(report({run})));
        QVERIFY2(page.contains(html), qPrintable(page.section("<tbody>", 2)));
    }

    void csvFields()
    {
        QCOMPARE(csvreport::field("\t=1"), QByteArray("'\t=1"));
        QCOMPARE(csvreport::field("\r=1"), QByteArray("\"'\r=1\""));
        QCOMPARE(csvreport::field("a\nb"), QByteArray("\"a\nb\""));
        QCOMPARE(csvreport::field("-"), QByteArray("-"));
        QCOMPARE(csvreport::field(""), QByteArray(""));
    }

    // The page stands alone: what it reports on, where the figures come
    // from, nothing to run or fetch, printable; in the window's language.
    void htmlPage()
    {
        QList<Run> runs{{1730611800000LL, 1, "-", "a,b", "-", "-", RunResult::Refused, "x"}};
        reportdata::QueryReport r = report(runs);
        r.command = QStringLiteral("<b>sudo</b>");
        const QString page = QString::fromUtf8(htmlreport::query(r));
        QVERIFY(page.startsWith("<!DOCTYPE html>\n<html lang=\"zh-CN\">"));
        for (const char *part :
             {"<meta charset=\"utf-8\">",
              "<title>审计报告：&lt;b&gt;sudo&lt;/b&gt; (查询时段：2024-11-01 ~ "
              "最新的记录)</title>",
              "<td>host1</td>", "/var/log/audit/audit.log.1<br>/var/log/audit/audit.log",
              "2024-10-01 00:00:00-04:00 ~ 2024-11-05 08:59:00-05:00", "America/New_York",
              "<th>记录条数：</th><td>3</td>",
              "<td>a&lt;U+002C&gt;b</td><td class=\"num\">1</td><td class=\"num\">1</td>", "<svg",
              "<title>2024-11-03：2 次</title>", "<thead>", "@page{size:A4",
              "display:table-header-group", "<td>2024-11-03 01:30:00</td>"})
            QVERIFY2(page.contains(QString::fromUtf8(part)), part);
        for (const char *banned : {"http", "src=", "<script", "href", "<link", "url("})
            QVERIFY2(!page.contains(QLatin1String(banned)), banned);

        QTranslator english;
        QVERIFY(english.load(QStringLiteral(KVR_BUILD_DATA_DIR "/locale/en_US.qm")));
        QCoreApplication::installTranslator(&english);
        const QString en = QString::fromUtf8(htmlreport::query(r));
        QCoreApplication::removeTranslator(&english);
        QVERIFY(en.startsWith("<!DOCTYPE html>\n<html lang=\"en\">"));
        QVERIFY(en.contains("2024-11-01 ~ latest record"));
        QVERIFY(en.contains("<td class=\"bad\">refused</td>"));
    }

    void summary()
    {
        reportdata::SummaryReport s;
        s.origin.hostName = QStringLiteral("host1");
        s.lines = {"审计日志总体报告",
                   "======================",
                   "日志时间范围: 2024-11-03 01:30:00.000 - 2024-11-04 23:30:00.000",
                   "涉及用户总数: 4",
                   "=1+1: <b>",
                   ""};
        QCOMPARE(csvreport::summary(s),
                 QByteArray("\xEF\xBB\xBF"
                            "figure,value\r\n日志时间范围,2024-11-03 01:30:00.000 - 2024-11-04 "
                            "23:30:00.000\r\n涉及用户总数,4\r\n'=1+1,<b>\r\n"));
        const QString page = QString::fromUtf8(htmlreport::summary(s));
        QVERIFY(page.contains("<th>涉及用户总数</th><td>4</td>"));
        QVERIFY(page.contains("<th>=1+1</th><td>&lt;b&gt;</td>"));
        QVERIFY(!page.contains("审计日志总体报告</th>"));
    }

    // LibreOffice Calc, told to evaluate formulas on import, reads every
    // cell of the runs CSV as text: no formula, no link.
    void spreadsheetReadsText()
    {
        const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
        if (soffice.isEmpty())
            QSKIP("soffice (libreoffice-calc-nogui) is not installed");
        QTemporaryDir dir;
        const Run run{
            0, 1, "-", "=1+1", "-", "-", RunResult::Success, "=HYPERLINK(\"http://x\",\"ok\")"};
        testsupport::writeFixture(dir.filePath("runs.csv"), csvreport::runs(report({run})));
        QProcess calc;
        calc.setWorkingDirectory(dir.path());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), dir.path()); // a profile of its own
        calc.setProcessEnvironment(env);
        // Comma, double quote, UTF-8, from line 1, ..., evaluate formulas.
        calc.start(soffice,
                   {"--headless",
                    "--infilter=CSV:44,34,76,1,,0,false,true,false,false,false,-1,true",
                    "--convert-to", "fods", "--outdir", dir.path(), "runs.csv"});
        QVERIFY(calc.waitForFinished(300000));
        const QByteArray sheet = testsupport::readAll(dir.filePath("runs.fods"));
        QVERIFY2(!sheet.isEmpty(), calc.readAllStandardError().constData());
        QVERIFY(!sheet.contains("table:formula"));
        QVERIFY(!sheet.contains("<text:a "));
        QVERIFY(sheet.contains("<text:p>&apos;=HYPERLINK(&quot;http://x&quot;,&quot;ok&quot;)"
                               "</text:p>"));
        QVERIFY(sheet.contains("<text:p>&apos;=1+1</text:p>"));
    }
};

QTEST_GUILESS_MAIN(WritersTest)
#include "tst_writers.moc"
