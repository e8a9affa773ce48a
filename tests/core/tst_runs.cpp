// The runs behind a report without widgets: reading the runs file (header,
// fields, escapes, damaged lines), the figures per user and their texts in
// both languages, the display escaping of names, and the scope of a view.
#include "audit/displaytext.h"
#include "audit/runfigures.h"
#include "audit/runsfile.h"
#include "files.h"

#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

using namespace runsfile;

namespace {
// A run as one comparable line: time serial node login acting terminal result command.
QString describe(const Run &r)
{
    return QStringList{QString::number(r.timeMs),
                       QString::number(r.serial),
                       r.node,
                       r.loginUser,
                       r.actingUser,
                       r.terminal,
                       runfigures::resultKey(r.result),
                       r.command}
        .join(QLatin1Char('|'));
}
const QByteArray kHead = QByteArray(kHeader) + '\n';
} // namespace

class RunsTest : public QObject
{
    Q_OBJECT

private slots:
    void read_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("runs");
        QTest::addColumn<int>("malformed");
        QTest::addColumn<int>("firstMalformed");
        QTest::addColumn<QString>("days"); // "YYYY-MM-DD:N ..." from the "# day" lines
        const int read = int(RunsFile::Status::Read);
        const int foreign = int(RunsFile::Status::NotRunsFile);
        QTest::newRow("header only") << kHead << read << QStringList() << 0 << 0 << QString();
        QTest::newRow("each result, escapes")
            << kHead
                + "1712460600.007\t42\t-\talice\troot\tpts/1\tsuccess\t/bin/chown a\\011b "
                  "c\\134d \\346\\227\\266\n"
                  "1712460601.100\t43\tweb\\0401\tbob\t-\t10.0.0.9\trefused\tsudo -i\n"
                  "1712460602.999\t7\t-\tunknown(1003)\troot\tpts/2\tfailed\t-"
            << read
            << QStringList{"1712460600007|42|-|alice|root|pts/1|success|/bin/chown a\tb c\\d 时",
                           "1712460601100|43|web\\0401|bob|-|10.0.0.9|refused|sudo -i",
                           "1712460602999|7|-|unknown(1003)|root|pts/2|failed|-"}
            << 0 << 0 << QString();
        // Damaged lines are counted, never dropped unnoticed; the good ones stay.
        QTest::newRow("damaged lines")
            << kHead
                + "1.000\t1\t-\ta\tb\tc\tsuccess\tx\n"
                  "1.000\t1\t-\ta\tb\tc\tsuccess\n"        // seven fields
                  "1.000\t1\t-\ta\tb\tc\tsuccess\tx\ty\n"  // nine
                  "1.00\t1\t-\ta\tb\tc\tsuccess\tx\n"      // two digits of ms
                  "1\t1\t-\ta\tb\tc\tsuccess\tx\n"         // no ms
                  "1.000\tx\t-\ta\tb\tc\tsuccess\tx\n"     // serial
                  "1.000\t1\t-\t\tb\tc\tsuccess\tx\n"      // empty name
                  "1.000\t1\t-\ta\tb\tc\tdenied\tx\n"      // result
                  "1.000\t1\t-\ta\tb\tc\tfailed\tx\\9\n"   // escape
                  "1.000\t1\t-\ta\tb\tc\tfailed\tx\\400\n" // beyond a byte
                  "\n"
                  "2.000\t2\t-\ta\tb\tc\tfailed\tend\\04" // cut escape, no newline
            << read << QStringList{"1000|1|-|a|b|c|success|x"} << 11 << 3 << QString();
        // The runs per day follow the runs; a day twice, a day that does not
        // exist, a count of none or a stray word is damage too.
        QTest::newRow("days") << kHead
                + "1.000\t1\t-\ta\tb\tc\tsuccess\tx\n# file /var/log/audit/audit.log\n"
                  "# span 1.000 1.000\n# day 2023-12-31 2\n# day 2024-01-01 1\n"
                  "# day 2024-01-01 5\n# day 2023-02-29 1\n# day 2024-01-02 0\n"
                  "# day 2024-01-03 -1\n# day 2024-1-04 1\n# day 2024-01-05 1 x\n"
                  "# day 2024-01-06 1234567890\n"
                              << read << QStringList{"1000|1|-|a|b|c|success|x"} << 7 << 7
                              << "2023-12-31:2 2024-01-01:1";
        QTest::newRow("no newline at end")
            << kHead + "5.000\t1\t-\ta\tb\tc\trefused\tz" << read
            << QStringList{"5000|1|-|a|b|c|refused|z"} << 0 << 0 << QString();
        QTest::newRow("other version") << QByteArray("# kvr-auditreport runs 2\n1.000\t1\t-\ta\tb"
                                                     "\tc\tsuccess\tx\n")
                                       << foreign << QStringList() << 0 << 0 << QString();
        QTest::newRow("CRLF header") << QByteArray(kHeader) + "\r\n"
                                     << foreign << QStringList() << 0 << 0 << QString();
        QTest::newRow("empty file")
            << QByteArray("") << foreign << QStringList() << 0 << 0 << QString();
    }
    void read()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, runs);
        QFETCH(int, malformed);
        QFETCH(QString, days);
        QTemporaryDir dir;
        const RunsFile file =
            runsfile::read(testsupport::writeFixture(dir.filePath("runs.log"), content));
        QTEST(int(file.status), "status");
        QStringList got;
        for (const Run &run : file.runs)
            got << describe(run);
        QCOMPARE(got, runs);
        QCOMPARE(file.malformed, malformed);
        QStringList perDay;
        for (auto it = file.runsPerDay.cbegin(); it != file.runsPerDay.cend(); ++it)
            perDay << it.key().toString(Qt::ISODate) + ':' + QString::number(it.value());
        QCOMPARE(perDay.join(' '), days);
        QTEST(int(file.firstMalformedLine), "firstMalformed");
        QCOMPARE(file.isComplete(), file.status == RunsFile::Status::Read && malformed == 0);
        // Anything short of a complete file says why, naming the file.
        QCOMPARE(problemText(file).contains(dir.filePath("runs.log")), !file.isComplete());
    }

    void missingFile()
    {
        const RunsFile file = runsfile::read(QStringLiteral("/nonexistent/runs.log"));
        QCOMPARE(file.status, RunsFile::Status::CannotOpen);
        QVERIFY(!file.reason.isEmpty());
        QVERIFY(problemText(file).contains(file.reason));
    }

    void figures_data()
    {
        QTest::addColumn<QString>("results"); // one letter per run: s, r, f
        QTest::addColumn<QString>("chinese");
        QTest::addColumn<QString>("english");
        QTest::newRow("all succeeded") << "ss"
                                       << "2"
                                       << "2";
        QTest::newRow("all refused") << "rrrrr"
                                     << "5（拒绝 5）"
                                     << "5 (5 refused)";
        QTest::newRow("one failed") << "sfs"
                                    << "3（失败 1）"
                                    << "3 (1 failed)";
        QTest::newRow("both") << "srsssrf"
                              << "7（拒绝 2，失败 1）"
                              << "7 (2 refused, 1 failed)";
    }
    // Counted per login user, most runs first, in the window's language.
    void figures()
    {
        QFETCH(QString, results);
        QList<Run> runs;
        for (QChar c : results) {
            Run run;
            run.loginUser = QStringLiteral("bob");
            run.result = c == 'r' ? RunResult::Refused
                : c == 'f'        ? RunResult::Failed
                                  : RunResult::Success;
            runs << run;
        }
        runs << Run{0, 0, "-", "ann", "-", "-", RunResult::Failed, "-"};
        const QList<runfigures::UserFigures> users = runfigures::perUser(runs);
        QCOMPARE(users.size(), 2);
        QCOMPARE(users.at(0).user, QString("bob"));
        QCOMPARE(users.at(1).user, QString("ann"));
        QTEST(runfigures::userFiguresText(users.at(0)), "chinese");
        QTranslator english;
        QVERIFY(english.load(QStringLiteral(KVR_BUILD_DATA_DIR "/locale/en_US.qm")));
        QCoreApplication::installTranslator(&english);
        const QString text = runfigures::userFiguresText(users.at(0));
        QCoreApplication::removeTranslator(&english);
        QTEST(text, "english");
    }

    void escaping_data()
    {
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("asName");
        QTest::addColumn<QString>("asText");
        auto row = [](const char *tag, const QString &in, const QString &name,
                      const QString &text) { QTest::newRow(tag) << in << name << text; };
        for (const QString &plain :
             {QString("root"), QString("张三"), QString("<s>mallory</s><br><b>root</b>"),
              QString("d\u00E9j\u00E0 \U0001F600"), QString("a b\\040c"), QString()})
            row(qPrintable("unchanged " + plain), plain, plain, plain);
        row("zero-width space", "ro\u200Bot", "ro<U+200B>ot", "ro<U+200B>ot");
        row("right-to-left override", "\u202Etoor", "<U+202E>toor", "<U+202E>toor");
        row("isolates and mark", "\u2066a\u2069\u061C", "<U+2066>a<U+2069><U+061C>",
            "<U+2066>a<U+2069><U+061C>");
        row("list separator", "a,b", "a<U+002C>b", "a,b");
        row("controls", "a\tb\nc\u0085\u007F", "a<U+0009>b<U+000A>c<U+0085><U+007F>",
            "a<U+0009>b<U+000A>c<U+0085><U+007F>");
        row("separators", "a\u2028b\u2029", "a<U+2028>b<U+2029>", "a<U+2028>b<U+2029>");
        row("fillers and bom", "\u3164\u00AD\uFEFFx\uFE0F", "<U+3164><U+00AD><U+FEFF>x<U+FE0F>",
            "<U+3164><U+00AD><U+FEFF>x<U+FE0F>");
        row("tag character", "r\U000E0041", "r<U+E0041>", "r<U+E0041>");
        row("lone surrogate", QString("a") + QChar(0xD800), "a<U+D800>", "a<U+D800>");
    }
    void escaping()
    {
        QFETCH(QString, shown);
        QTEST(displaytext::name(shown), "asName");
        QTEST(displaytext::text(shown), "asText");
        // On screen a tool tip shows the text itself, never its markup.
        QVERIFY(!displaytext::plainToolTip(shown).contains(QLatin1String("<s>")));
    }

    // A view of some days takes the runs of those days in the report's zone,
    // a view of one user that user's; times carry the offset of their instant.
    void scopeAndTimes()
    {
        const QTimeZone zone("America/New_York");
        QVERIFY(zone.isValid());
        QList<Run> runs;
        // 2024-11-03 01:30 EDT, 01:30 EST (the repeated hour), 23:30 EST.
        for (qint64 ms : {1730611800000LL, 1730615400000LL, 1730694600000LL})
            runs << Run{
                ms, 1, "-", ms == 1730615400000LL ? "bob" : "ann", "-", "-", RunResult::Success,
                "-"};
        QCOMPARE(runfigures::isoTime(runs[0].timeMs, zone), QString("2024-11-03T01:30:00-04:00"));
        QCOMPARE(runfigures::isoTime(runs[1].timeMs, zone), QString("2024-11-03T01:30:00-05:00"));
        QCOMPARE(runfigures::timeText(runs[2].timeMs, zone), QString("2024-11-03 23:30:00"));
        QCOMPARE(runfigures::isoTime(0, QTimeZone::utc()), QString("1970-01-01T00:00:00+00:00"));
        QCOMPARE(runfigures::timeText(-1, zone), QString("1969-12-31 18:59:59"));
        // One clock over both changes of 2024, forwards and backwards, agrees
        // with Qt's own conversion at every step.
        QList<qint64> instants;
        for (qint64 change : {1710054000000LL, 1730613600000LL})
            for (qint64 ms = change - 5400000; ms <= change + 5400000; ms += 420000)
                instants << ms;
        for (bool backwards : {false, true}) {
            runfigures::ZoneClock clock(zone);
            if (backwards)
                std::reverse(instants.begin(), instants.end());
            for (qint64 ms : instants) {
                const QDateTime at = QDateTime::fromMSecsSinceEpoch(ms, zone);
                QCOMPARE(clock.timeText(ms), at.toString("yyyy-MM-dd HH:mm:ss"));
                QCOMPARE(clock.offsetAt(ms), at.offsetFromUtc());
            }
        }
        const QDate day(2024, 11, 3);
        QCOMPARE(runfigures::inScope(runs, runfigures::Scope::days(day, day), zone).size(), 3);
        QCOMPARE(
            runfigures::inScope(runs, runfigures::Scope::days(day, day), QTimeZone::utc()).size(),
            2);
        const QList<Run> bob = runfigures::inScope(runs, runfigures::Scope::user("bob"), zone);
        QCOMPARE(bob.size(), 1);
        QCOMPARE(bob.at(0).timeMs, 1730615400000LL);
    }
};

QTEST_GUILESS_MAIN(RunsTest)
#include "tst_runs.moc"
