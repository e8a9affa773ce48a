// Generates runs, and runs files, of any size for the runs window's test and
// benchmark.
#include "runsample.h"

namespace testsupport {

namespace {

const char *const kUsers[] = {"alice",          "bob",       "carol", "dave", "erin",
                              "<s>mallory</s>", "ro\u200Bot"};
constexpr qint64 kStart = 1709251200000; // 2024-03-01 00:00:00 UTC

} // namespace

QList<runsfile::Run> sampleRuns(int count, bool twoHosts)
{
    QList<runsfile::Run> runs;
    runs.reserve(count);
    for (int i = 0; i < count; ++i) {
        runsfile::Run run;
        run.timeMs = kStart + qint64(i) * 60000 + i % 1000;
        run.serial = quint64(1000 + i);
        run.node = twoHosts && i % 3 == 0 ? QStringLiteral("web1") : QStringLiteral("-");
        run.loginUser = QString::fromUtf8(kUsers[i % 7]);
        run.actingUser = i % 2 ? QStringLiteral("root") : run.loginUser;
        run.terminal = QStringLiteral("pts/%1").arg(i % 5);
        run.result = i % 11 == 0 ? runsfile::RunResult::Refused
            : i % 13 == 0        ? runsfile::RunResult::Failed
                                 : runsfile::RunResult::Success;
        run.command = QStringLiteral("/usr/bin/chown user%1 /srv/data/file-%2").arg(i % 17).arg(i);
        runs.append(run);
    }
    return runs;
}

QByteArray sampleRunsFile(int count, bool twoHosts)
{
    QByteArray out = QByteArray(runsfile::kHeader) + '\n';
    for (const runsfile::Run &run : sampleRuns(count, twoHosts)) {
        const char *result = run.result == runsfile::RunResult::Refused ? "refused"
            : run.result == runsfile::RunResult::Failed                 ? "failed"
                                                                        : "success";
        out += QByteArray::number(run.timeMs / 1000) + '.'
            + QByteArray::number(run.timeMs % 1000).rightJustified(3, '0') + '\t'
            + QByteArray::number(run.serial) + '\t' + run.node.toUtf8() + '\t'
            + run.loginUser.toUtf8() + '\t' + run.actingUser.toUtf8() + '\t' + run.terminal.toUtf8()
            + '\t' + result + '\t' + run.command.toUtf8() + '\n';
    }
    return out;
}

} // namespace testsupport
