// The shared trail reader and time-stamp parser on broken and hostile
// trails: lines at file ends, over-long lines, files that are not regular,
// read errors, and stamps that overflow or leave the years 1970-9999.
#include "auditstamp.h"
#include "files.h"
#include "options.h"
#include "trailreader.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace kvrtools;

namespace {

using testsupport::writeFixture;

// All lines of a source, or "ERROR <reason>" as the last entry.
QStringList readAll(const std::string &path, TrailOpen *how = nullptr)
{
    TrailReader reader;
    std::string error;
    TrailOpen h = reader.open(resolveSource(path), &error);
    if (how)
        *how = h;
    if (h != TrailOpen::Ok)
        return {"OPEN " + QString::fromStdString(error)};
    QStringList lines;
    std::string_view line;
    while (reader.next(&line) == TrailRead::Line)
        lines << QString::fromUtf8(line.data(), int(line.size()));
    if (reader.failed())
        lines << "ERROR " + QString::fromStdString(reader.error());
    return lines;
}

} // namespace

class TestTrailReader : public QObject
{
    Q_OBJECT
private slots:
    void linesNeverCrossFiles();
    void longLinesSkipped();
    void notRegularRefused();
    void readErrorReported();
    void stamps_data();
    void stamps();
    void startAfterEnd();

private:
    QTemporaryDir tmp;
};

void TestTrailReader::linesNeverCrossFiles()
{
    const QString dir = tmp.filePath("rotated");
    QDir().mkpath(dir);
    writeFixture(dir + "/audit.log.2", "a1\na2"); // no final newline
    writeFixture(dir + "/audit.log.1", "");
    writeFixture(dir + "/audit.log", "b1\n\nb2\n");
    writeFixture(dir + "/notes.txt", "ignored\n");
    QCOMPARE(readAll(dir.toStdString()), (QStringList{"a1", "a2", "b1", "", "b2"}));
}

void TestTrailReader::longLinesSkipped()
{
    // One line just at the limit, one just over it, across read chunks.
    const QByteArray atLimit(int(kMaxTrailLine), 'x');
    const QByteArray over(int(kMaxTrailLine) + 1, 'y');
    const QString path = tmp.filePath("long.log");
    writeFixture(path, "first\n" + atLimit + "\n" + over + "\nlast\n" + over);
    TrailReader reader;
    std::string error;
    QCOMPARE(reader.open(resolveSource(path.toStdString()), &error), TrailOpen::Ok);
    std::vector<size_t> sizes;
    std::string_view line;
    while (reader.next(&line) == TrailRead::Line)
        sizes.push_back(line.size());
    QCOMPARE(sizes, (std::vector<size_t>{5, kMaxTrailLine, 4}));
    QCOMPARE(reader.skippedLines(), size_t(2));
    QVERIFY(!reader.failed());
}

void TestTrailReader::notRegularRefused()
{
    const QString fifo = tmp.filePath("fifo");
    QCOMPARE(::mkfifo(qPrintable(fifo), 0600), 0);
    for (const QString &path : {fifo, QString("/dev/zero")}) {
        TrailOpen how = TrailOpen::Ok;
        const QStringList got = readAll(path.toStdString(), &how); // must not hang
        QCOMPARE(how, TrailOpen::Usage);
        QVERIFY2(got.value(0).contains("not a regular file"), qPrintable(got.value(0)));
    }
    // A FIFO inside a log directory is refused as well.
    const QString dir = tmp.filePath("withfifo");
    QDir().mkpath(dir);
    writeFixture(dir + "/audit.log", "x\n");
    QCOMPARE(::mkfifo(qPrintable(dir + "/audit.log.1"), 0600), 0);
    TrailOpen how = TrailOpen::Ok;
    readAll(dir.toStdString(), &how);
    QCOMPARE(how, TrailOpen::Usage);
    readAll(tmp.filePath("missing").toStdString(), &how);
    QCOMPARE(how, TrailOpen::Unreadable);
}

void TestTrailReader::readErrorReported()
{
    // /proc/self/mem is a regular file that fails on read at offset 0.
    const QString dir = tmp.filePath("memlink");
    QDir().mkpath(dir);
    writeFixture(dir + "/audit.log.1", "before\n");
    QVERIFY(QFile::link("/proc/self/mem", dir + "/audit.log"));
    const QStringList got = readAll(dir.toStdString());
    QCOMPARE(got.value(0), QString("before"));
    QVERIFY2(got.size() == 2 && got[1].startsWith("ERROR cannot read")
                 && got[1].contains("audit.log"),
             qPrintable(got.join('|')));
}

void TestTrailReader::stamps_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<qint64>("ms");
    QTest::newRow("plain") << "type=X msg=audit(1709600000.100:10): a=1" << true
                           << qint64(1709600000100);
    QTest::newRow("epoch") << "type=X msg=audit(0.000:1):" << true << qint64(0);
    QTest::newRow("last second") << "type=X msg=audit(253402300799.999:1):" << true
                                 << qint64(253402300799999);
    QTest::newRow("year 10000") << "type=X msg=audit(253402300800.000:1):" << false << qint64(0);
    QTest::newRow("overflow") << "type=X msg=audit(99999999999999999999999.100:1):" << false
                              << qint64(0);
    QTest::newRow("negative") << "type=X msg=audit(-5.100:1):" << false << qint64(0);
    QTest::newRow("negative ms") << "type=X msg=audit(5.-10:1):" << false << qint64(0);
    QTest::newRow("short ms") << "type=X msg=audit(5.10:1):" << false << qint64(0);
    QTest::newRow("serial overflow")
        << "type=X msg=audit(5.100:99999999999999999999):" << false << qint64(0);
    QTest::newRow("no close") << "type=X msg=audit(5.100:1" << false << qint64(0);
    QTest::newRow("missing") << "type=X" << false << qint64(0);
}

void TestTrailReader::stamps()
{
    QFETCH(QString, line);
    QFETCH(bool, ok);
    QFETCH(qint64, ms);
    const std::string text = line.toStdString();
    AuditStamp s;
    QCOMPARE(parseAuditStamp(text, &s), ok);
    if (ok)
        QCOMPARE(qint64(s.ms()), ms);
}

void TestTrailReader::startAfterEnd()
{
    const std::vector<std::string> args = {"-ts", "3/6/24", "-te", "3/5/24"};
    CommonOptions o;
    std::string error;
    for (size_t i = 0; i < args.size(); ++i)
        QCOMPARE(takeCommonOption(args, &i, 1700000000, &o, &error), OptionTaken::Yes);
    QVERIFY(!checkCommonOptions(o, &error));
    QVERIFY(error.find("start") != std::string::npos);
}

QTEST_GUILESS_MAIN(TestTrailReader)
#include "tst_trailreader.moc"
