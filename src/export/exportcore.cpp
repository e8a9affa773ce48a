// The two report exports: the summary through awk, the query report as it is
// (see exportcore.h).
#include "export/exportcore.h"

#include "app/appenv.h"
#include "audit/processrunner.h"
#include "audit/querycore.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace exportcore {

namespace {

// Prints the time-range line whole; every other line as its label, blanks up
// to a fixed column, and its value.
QString awkSource()
{
    return QStringLiteral("{if($1~\"时间范围\"){print}else{printf $1;for(i=0;i<(30-length($1));i++)"
                          "{printf \"  \";if(substr($1,i,1)~/^[VMCAI(]/)printf \" \"};print $2}}");
}

QString awkProgram()
{
    return QStringLiteral("awk '") + awkSource() + QStringLiteral("' ")
        + querycore::shellDataFile(QStringLiteral("all_report.log"));
}

QStringList awkArguments()
{
    return {QStringLiteral("awk"), awkSource(), appenv::dataFile(QStringLiteral("all_report.log"))};
}

safefile::Failure programFailure(const ProgramRun &run)
{
    return {safefile::Problem::ProgramFailed, QStringLiteral("awk"),
            run.signal ? 128 + run.signal : run.exitCode};
}

// The whole of the export's source file, or why it cannot be read.
safefile::Failure readSource(const QString &path, QByteArray *bytes)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {safefile::Problem::SourceUnreadable, path, errno};
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            return {safefile::Problem::SourceUnreadable, path, error};
        }
        if (n == 0)
            break;
        bytes->append(buffer, n);
    }
    ::close(fd);
    return {};
}

// Why a file `fd` may hold less than was written to it: ENOSPC when its file
// system is full, EFBIG when it reached the file-size limit, 0 otherwise.
int shortfallCause(int fd)
{
    struct stat st {
    };
    struct rlimit limit {
    };
    if (::fstat(fd, &st) == 0 && ::getrlimit(RLIMIT_FSIZE, &limit) == 0
        && limit.rlim_cur != RLIM_INFINITY && rlim_t(st.st_size) >= limit.rlim_cur)
        return EFBIG;
    struct statvfs space {
    };
    if (::fstatvfs(fd, &space) == 0 && space.f_bavail == 0)
        return ENOSPC;
    return 0;
}

// What `fd` holds from its start, up to `limit` bytes and one more.
QByteArray contents(int fd, qint64 limit)
{
    QByteArray bytes(limit + 1, Qt::Uninitialized);
    qint64 have = 0;
    while (have < bytes.size()) {
        const ssize_t n = ::pread(fd, bytes.data() + have, size_t(bytes.size() - have), have);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        have += n;
    }
    bytes.truncate(have);
    return bytes;
}

} // namespace

SummaryExport summaryExport(const QString &chosenPath)
{
    SummaryExport job;
    const QString program = awkProgram();
    // The ".doc" rule looks at the command as it would read with the path
    // written plainly, so it depends on the chosen path only.
    job.suffix = (program + QStringLiteral(" > ") + chosenPath).toUtf8().right(4);
    job.target = chosenPath;
    if (job.suffix != ".doc")
        job.target += QStringLiteral(".doc");
    job.command = program + QStringLiteral(" > ") + querycore::shellQuote(job.target);
    return job;
}

ProgramRun runProgram(const QStringList &arguments, int standardOutput)
{
    ProgramRun run;
    if (arguments.isEmpty())
        return run;
    // The program's output comes back here and is then written whole to
    // `standardOutput`, so that a short write is seen with its cause.
    QByteArray output;
    processrunner::Options options;
    options.output = &output;
    const processrunner::Exit exit = processrunner::run(arguments, options);
    run.started = exit.started;
    run.exitCode = exit.exitCode;
    run.signal = exit.signal;
    if (run.succeeded()) {
        const safefile::Failure written = safefile::writeAll(standardOutput, output, QString());
        run.writeError = written.problem == safefile::Problem::None ? 0 : written.error;
    }
    return run;
}

QByteArray summaryExportText()
{
    const int memory = ::memfd_create("kvr-summary-export", MFD_CLOEXEC);
    if (memory < 0)
        return QByteArray();
    QByteArray text;
    const ProgramRun run = runProgram(awkArguments(), memory);
    struct stat st {
    };
    if (run.succeeded() && ::fstat(memory, &st) == 0)
        text = contents(memory, st.st_size);
    ::close(memory);
    return text;
}

bool runSummaryExport(const SummaryExport &job, safefile::Failure *failure)
{
    const auto fill = [&job](int fd) -> safefile::Failure {
        // awk would only say so on standard error.
        QByteArray summary;
        const safefile::Failure unreadable =
            readSource(appenv::dataFile(QStringLiteral("all_report.log")), &summary);
        if (unreadable.problem != safefile::Problem::None)
            return unreadable;
        const ProgramRun run = runProgram(awkArguments(), fd);
        if (run.writeError)
            return {safefile::Problem::WriteFailed, job.target, run.writeError};
        // A write may also fall short without an error: the file and its
        // place tell why.
        const int shortfall = shortfallCause(fd);
        if (!run.succeeded())
            return shortfall
                ? safefile::Failure{safefile::Problem::WriteFailed, job.target, shortfall}
                : programFailure(run);
        const QByteArray expected = summaryExportText();
        if (contents(fd, expected.size()) != expected)
            return {shortfall ? safefile::Problem::WriteFailed : safefile::Problem::Incomplete,
                    job.target, shortfall};
        return {};
    };
    return safefile::replace(job.target, fill, safefile::requestingUser(), failure);
}

QString copyCommandText(const QString &chosenPath)
{
    return QStringLiteral("cp ") + appenv::dataFile(QStringLiteral("temp_report"))
        + QLatin1Char(' ') + chosenPath;
}

bool copyReport(const QString &chosenPath, safefile::Failure *failure)
{
    const auto fill = [&chosenPath](int fd) -> safefile::Failure {
        QByteArray report;
        const safefile::Failure unreadable =
            readSource(appenv::dataFile(QStringLiteral("temp_report")), &report);
        if (unreadable.problem != safefile::Problem::None)
            return unreadable;
        return safefile::writeAll(fd, report, chosenPath);
    };
    return safefile::replace(chosenPath, fill, safefile::requestingUser(), failure);
}

} // namespace exportcore
