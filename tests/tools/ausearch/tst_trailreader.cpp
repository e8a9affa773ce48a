// The shared trail reader and time-stamp parser on broken and hostile
// trails: lines at file ends, over-long lines, files that are not regular,
// read errors, and stamps that overflow or leave the years 1970-9999; and
// the search's sort, which reads events through the reader again.
#include "auditstamp.h"
#include "eventsort.h"
#include "files.h"
#include "options.h"
#include "trailreader.h"

#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <random>
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
    void rotationWhileReading_data();
    void rotationWhileReading();
    void stamps_data();
    void stamps();
    void startAfterEnd();
    void sortThroughRuns_data();
    void sortThroughRuns();

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

void TestTrailReader::rotationWhileReading_data()
{
    QTest::addColumn<int>("held");       // files kept open at once, 0: no limit
    QTest::addColumn<QString>("change"); // what happens after the first line
    QTest::addColumn<bool>("whole");     // every line is read once, none added later
    QTest::newRow("rotated, all held") << 0 << "rotate" << true;
    QTest::newRow("rotated, opened in turn") << 2 << "rotate" << true;
    QTest::newRow("rotated twice, opened in turn") << 2 << "rotate twice" << true;
    QTest::newRow("removed, all held") << 0 << "remove" << true;
    QTest::newRow("removed, opened in turn") << 2 << "remove" << false;
}

// The daemon rotates while the trail is read: audit.log.N becomes
// audit.log.N+1, audit.log becomes audit.log.1 and a new audit.log starts.
// Files opened when their turn comes are found under their new names, so
// every line of the trail as it was opened is read once, in order, and the
// new audit.log is not read. A file removed before its turn is an error.
void TestTrailReader::rotationWhileReading()
{
    QFETCH(int, held);
    QFETCH(QString, change);
    QFETCH(bool, whole);
    static int round = 0;
    const QString dir = tmp.filePath("rotating" + QString::number(++round));
    QDir().mkpath(dir);
    QStringList expected;
    for (int n = 5; n >= 0; --n) {
        QByteArray text;
        for (int k = 0; k < 3; ++k) {
            text += "file" + QByteArray::number(n) + " line" + QByteArray::number(k) + "\n";
            expected << QString("file%1 line%2").arg(n).arg(k);
        }
        writeFixture(dir + (n ? "/audit.log." + QString::number(n) : "/audit.log"), text);
    }
    auto rotate = [&dir] {
        for (int n = 9; n >= 1; --n)
            QFile::rename(dir + "/audit.log." + QString::number(n),
                          dir + "/audit.log." + QString::number(n + 1));
        QFile::rename(dir + "/audit.log", dir + "/audit.log.1");
        writeFixture(dir + "/audit.log", "written after the rotation\n");
    };
    TrailReader reader;
    if (held)
        reader.limitOpenFiles(size_t(held));
    std::string error;
    QCOMPARE(reader.open(resolveSource(dir.toStdString()), &error), TrailOpen::Ok);
    QStringList lines;
    std::string_view line;
    QCOMPARE(reader.next(&line), TrailRead::Line);
    lines << QString::fromUtf8(line.data(), int(line.size()));
    if (change == "remove") {
        QVERIFY(QFile::remove(dir + "/audit.log.2"));
    } else {
        rotate();
        if (change == "rotate twice")
            rotate();
    }
    while (reader.next(&line) == TrailRead::Line)
        lines << QString::fromUtf8(line.data(), int(line.size()));
    if (whole) {
        QVERIFY2(!reader.failed(), reader.error().c_str());
        QCOMPARE(lines, expected);
    } else {
        QVERIFY(reader.failed());
        QVERIFY2(reader.error().find("removed") != std::string::npos, reader.error().c_str());
        QCOMPARE(lines, expected.mid(0, lines.size()));
    }
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

void TestTrailReader::sortThroughRuns_data()
{
    QTest::addColumn<int>("events");
    QTest::addColumn<int>("bound");    // bytes the sort holds in memory
    QTest::addColumn<QString>("kept"); // text, place (read again), or both
    QTest::addColumn<int>("pad");      // bytes of each event's text
    QTest::newRow("in memory") << 2000 << int(EventSorter::kMemoryBound) << "both" << 40;
    QTest::newRow("text runs") << 6000 << (4 << 20) << "text" << 1000;
    QTest::newRow("place runs") << 3000 << 16000 << "place" << 40;
    QTest::newRow("mixed runs") << 15000 << (4 << 20) << "both" << 1000;
    QTest::newRow("texts past the run buffer") << 60 << (3 << 20) << "text" << 100000;
    // as trails mostly are: in time order but for a few events
    QTest::newRow("mostly in order") << -20000 << int(EventSorter::kMemoryBound) << "both" << 40;
    QTest::newRow("mostly in order, runs") << -20000 << 200000 << "both" << 40;
}

// Events with random stamps (many equal) come out in time order, equal ones
// in the order added, whether held, written to runs as text, or written as
// places whose text is read again.
void TestTrailReader::sortThroughRuns()
{
    QFETCH(int, events); // negative: that many, mostly in time order
    QFETCH(int, bound);
    QFETCH(QString, kept);
    QFETCH(int, pad);
    struct Event {
        int64_t ms;
        uint64_t serial;
        std::string text;
        size_t at;
    };
    std::mt19937 rng(7);
    std::vector<Event> all;
    std::string trail;
    const bool ordered = events < 0;
    events = std::abs(events);
    for (int i = 0; i < events; ++i) {
        int64_t ms = 1700000000000 + int64_t(rng() % 50) * 1000 + rng() % 2;
        uint64_t serial = rng() % 3;
        if (ordered) { // equal stamps in pairs, and one in 50 late by up to 40 events
            ms = 1700000000000 + i / 2 - (rng() % 50 == 0 ? int64_t(rng() % 20) : 0);
            serial = 0;
        }
        std::string text = "type=X msg=audit(" + std::to_string(ms / 1000) + "."
            + std::to_string(1000 + ms % 1000).substr(1) + ":" + std::to_string(serial)
            + "): n=" + std::to_string(i) + " " + std::string(size_t(pad), 'p') + "\n";
        all.push_back({ms, serial, text, trail.size()});
        trail += text;
    }
    EventSorter sorter{size_t(bound)};
    std::string fetched;
    sorter.setFetch(
        [&](const EventPlace &place, size_t size, std::string_view *bytes, std::string *) {
            fetched = trail.substr(place.offset, size); // valid until the next fetch only
            *bytes = fetched;
            return true;
        });
    for (size_t i = 0; i < all.size(); ++i) {
        const EventPlace place{0, all[i].at};
        const bool placed = kept == "place" || (kept == "both" && i % 3 != 0);
        QVERIFY(sorter.add(all[i].ms, all[i].serial, all[i].text, placed ? &place : nullptr));
    }
    QVERIFY(sorter.finish());
    if (bound < int(EventSorter::kMemoryBound))
        QVERIFY2(sorter.spilledRuns() > 2, qPrintable(QString::number(sorter.spilledRuns())));
    std::stable_sort(all.begin(), all.end(), [](const Event &a, const Event &b) {
        return a.ms != b.ms ? a.ms < b.ms : a.serial < b.serial;
    });
    std::string_view text;
    size_t n = 0;
    while (sorter.next(&text)) {
        QVERIFY(n < all.size());
        QCOMPARE(text, std::string_view(all[n++].text));
    }
    QVERIFY2(!sorter.failed(), sorter.error().c_str());
    QCOMPARE(n, all.size());

    // A trail rewritten between the reading and the printing is an error,
    // not other records put where the event was.
    EventSorter again;
    again.setFetch(
        [&trail](const EventPlace &place, size_t size, std::string_view *bytes, std::string *) {
            *bytes = std::string_view(trail).substr(place.offset, size);
            return true;
        });
    const EventPlace first{0, 0};
    QVERIFY(again.add(all[0].ms + 1, all[0].serial, trail.substr(0, 10), &first));
    QVERIFY(again.finish());
    QVERIFY(!again.next(&text));
    QVERIFY(again.failed() && again.trailFailed());
    QVERIFY2(again.error().find("changed") != std::string::npos, again.error().c_str());
}

QTEST_GUILESS_MAIN(TestTrailReader)
#include "tst_trailreader.moc"
