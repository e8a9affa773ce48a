// Writing the runs file: the facts of each run gathered from its events,
// its outcome, and the lines written in run order (see runsfile.h).
#include "runsfile.h"

#include "formatter.h"
#include "toolcommon.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kvrtools {

struct RunsFile::Run {
    uint64_t id = 0;
    AuditStamp stamp;
    std::string node, login, acting, terminal, host;
    std::string command;         // sudo's cmd=, su's target account
    std::string args;            // the arguments of the run's first exec
    bool actingFromExec = false; // acting is the uid of the run's exec
    bool failedExec = false;
    // The record types that decide a request, each with whether its latest
    // record in the run said res=failed.
    std::vector<std::pair<std::string, bool>> decisions;
    bool done = false;
    int64_t lastMs = 0;
    size_t bytes = 0;
};

namespace {

// Record types whose res= says whether the program granted the request.
bool isDecision(std::string_view type)
{
    static constexpr std::string_view types[] = {
        "USER_CMD",  "USER_AUTH", "USER_ACCT", "USER_MGMT",     "ADD_USER",
        "DEL_USER",  "ADD_GROUP", "DEL_GROUP", "GRP_MGMT",      "USER_CHAUTHTOK",
        "CHUSER_ID", "CHGRP_ID",  "ACCT_LOCK", "GRP_CHAUTHTOK", "ACCT_UNLOCK"};
    for (std::string_view t : types)
        if (type == t)
            return true;
    return false;
}

// The records of sudo that name the account it runs the command as.
bool isSudoTargetRecord(std::string_view type)
{
    return type == "CRED_REFR" || type == "CRED_ACQ" || type == "USER_START" || type == "USER_END"
        || type == "CRED_DISP";
}

// No terminal: what the trail writes when there is none.
bool isNoTerminal(std::string_view value)
{
    return value.empty() || value == "?" || value == "(none)" || value == "none";
}

// Decimal digits of `n`, without the cost of a formatted print per line.
void appendNumber(std::string &out, uint64_t n)
{
    char digits[20];
    size_t i = sizeof digits;
    do {
        digits[--i] = char('0' + n % 10);
        n /= 10;
    } while (n);
    out.append(digits + i, sizeof digits - i);
}

// SEC.MMM of a stamp in epoch milliseconds (never negative).
void appendStamp(std::string &out, int64_t ms)
{
    appendNumber(out, uint64_t(ms / 1000));
    const unsigned milli = unsigned(ms % 1000);
    out += '.';
    out += char('0' + milli / 100);
    out += char('0' + milli / 10 % 10);
    out += char('0' + milli % 10);
}

// A terminal, host or address value into `to` unless it says there is none.
void noteTerminal(std::string &to, std::string_view raw, std::string &scratch)
{
    const std::string_view v = decodeValueInto(raw, false, scratch);
    if (!isNoTerminal(v))
        to.assign(v);
}

// An EXECVE argument or piece of one: quoted text, else hex, decoded
// whole (trailing blanks kept, unlike decodeValue()).
void appendArgument(std::string &out, std::string_view raw)
{
    if (raw.size() >= 2 && raw.front() == '"' && raw.back() == '"') {
        out.append(raw.substr(1, raw.size() - 2));
        return;
    }
    auto hex = [](char c) {
        return c >= '0' && c <= '9' ? c - '0'
            : c >= 'A' && c <= 'F'  ? c - 'A' + 10
            : c >= 'a' && c <= 'f'  ? c - 'a' + 10
                                    : -1;
    };
    bool isHex = raw.size() % 2 == 0;
    for (char c : raw)
        isHex = isHex && hex(c) >= 0;
    if (!isHex) {
        out.append(raw);
        return;
    }
    for (size_t i = 0; i + 1 < raw.size(); i += 2)
        out += char(hex(raw[i]) << 4 | hex(raw[i + 1]));
}

// The arguments of an event's EXECVE records joined by blanks: a0, a1, ...
// and the pieces aN[0], aN[1], ... of a long argument. Empty when none.
std::string execArguments(const std::vector<RecordLine> &records)
{
    std::vector<std::string> args;
    for (const RecordLine &r : records) {
        if (r.type != "EXECVE")
            continue;
        for (const RecordField &f : r.fields) {
            if (f.name.size() < 2 || f.name[0] != 'a' || f.name[1] < '0' || f.name[1] > '9')
                continue;
            size_t i = 1, n = 0;
            while (i < f.name.size() && f.name[i] >= '0' && f.name[i] <= '9' && n < 100000)
                n = n * 10 + size_t(f.name[i++] - '0');
            if (i < f.name.size() && f.name[i] != '[')
                continue; // aN_len=
            if (n >= 100000)
                continue;
            if (args.size() <= n)
                args.resize(n + 1);
            appendArgument(args[n], f.value);
        }
    }
    std::string joined;
    for (size_t i = 0; i < args.size(); ++i) {
        if (i)
            joined += ' ';
        joined += args[i];
    }
    return joined;
}

} // namespace

RunsFile::RunsFile(const std::string &program)
{
    if (program == "/usr/bin/sudo" || program == "/bin/sudo")
        kind_ = Kind::Sudo;
    else if (program == "/usr/bin/su" || program == "/bin/su")
        kind_ = Kind::Su;
}

RunsFile::~RunsFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool RunsFile::open(const std::string &path, std::string *error)
{
    path_ = path;
    // Not blocking: a FIFO put in its place must not hang the search.
    const int fd = ::open(
        path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0600);
    if (fd < 0) {
        const int err = errno;
        // ENXIO: a FIFO without reader; EISDIR: a directory.
        *error = "cannot write the runs file " + path + ": "
            + (err == ELOOP                        ? std::string("it is a symbolic link")
                   : err == ENXIO || err == EISDIR ? std::string("it is not a regular file")
                                                   : std::string(std::strerror(err)));
        return false;
    }
    struct stat st {
    };
    const char *refusal = nullptr;
    if (::fstat(fd, &st) != 0)
        refusal = std::strerror(errno);
    else if (!S_ISREG(st.st_mode))
        refusal = "it is not a regular file";
    else if (st.st_nlink > 1)
        refusal = "it has other names (hard links)";
    else if (((st.st_mode & 07777) != 0600 && ::fchmod(fd, 0600) != 0) || ::ftruncate(fd, 0) != 0
             || ::fcntl(fd, F_SETFL, 0) != 0)
        refusal = std::strerror(errno);
    if (refusal) {
        *error = "cannot write the runs file " + path + ": " + refusal;
        ::close(fd);
        return false;
    }
    fd_ = fd;
    buffer_ = kUnfinished;
    return true;
}

void RunsFile::absorb(Run &run, const std::vector<RecordLine> &records)
{
    const size_t before = run.bytes;
    std::string scratch;
    for (const RecordLine &r : records) {
        // A record that can add nothing to what is known is passed over:
        // most of a run's records once its terminal is known.
        const bool decision = isDecision(r.type);
        const bool wanted = decision || run.terminal.empty()
            || (kind_ == Kind::Sudo
                && ((run.acting.empty() && isSudoTargetRecord(r.type))
                    || (run.command.empty() && r.type == "USER_CMD")))
            || (kind_ == Kind::Su && run.acting.empty())
            || (kind_ == Kind::Other && !run.actingFromExec);
        if (!wanted)
            continue;
        std::string_view arch, call, uid, res, acct, cmd;
        bool hasUid = false, hasAcct = false, hasCmd = false, hasRes = false;
        // Most fields are none of these: their names are told apart by
        // length first, so that each costs one comparison at most.
        for (const RecordField &f : r.fields) {
            const std::string_view name = f.name;
            switch (name.size()) {
            case 3:
                if (name == "uid") {
                    if (!hasUid) {
                        uid = f.value;
                        hasUid = true;
                    }
                } else if (name == "res") {
                    res = f.value;
                    hasRes = true;
                } else if (name == "cmd") {
                    if (!hasCmd) {
                        cmd = f.value;
                        hasCmd = true;
                    }
                } else if (name == "tty" && run.terminal.empty()) {
                    noteTerminal(run.terminal, f.value, scratch);
                }
                break;
            case 4:
                if (name == "acct") {
                    if (!hasAcct) {
                        acct = f.value;
                        hasAcct = true;
                    }
                } else if (name == "arch") {
                    arch = f.value;
                } else if (name == "addr" && run.host.empty()) {
                    noteTerminal(run.host, f.value, scratch);
                }
                break;
            case 7:
                if (name == "syscall")
                    call = f.value;
                break;
            case 8:
                if (name == "terminal") {
                    if (run.terminal.empty())
                        noteTerminal(run.terminal, f.value, scratch);
                } else if (name == "hostname" && run.host.empty()) {
                    noteTerminal(run.host, f.value, scratch);
                }
                break;
            default:
                break;
            }
        }
        if (hasRes && decision) {
            const bool failed = res == "failed";
            auto it = run.decisions.begin();
            while (it != run.decisions.end() && it->first != r.type)
                ++it;
            if (it == run.decisions.end())
                run.decisions.emplace_back(std::string(r.type), failed);
            else
                it->second = failed;
        }
        switch (kind_) {
        case Kind::Sudo:
            if (hasAcct && run.acting.empty() && isSudoTargetRecord(r.type))
                run.acting = decodeValue(acct, true);
            if (hasCmd && run.command.empty() && r.type == "USER_CMD")
                run.command = decodeValue(cmd, true);
            break;
        case Kind::Su:
            if (hasAcct && run.acting.empty())
                run.command = run.acting = decodeValue(acct, true);
            break;
        case Kind::Other: {
            if (!hasUid)
                break;
            const bool exec = r.type == "SYSCALL" && isExecSyscall(arch, call);
            if (exec ? !run.actingFromExec : run.acting.empty()) {
                enriched_.reset(r.hasEnriched ? r.enriched : std::string_view());
                std::string_view name;
                if (!enriched_.find("uid", &name) || name.empty() || isUnknownName(name))
                    name = names_.user(uid);
                run.acting = std::string(name);
                run.actingFromExec = exec;
            }
            break;
        }
        }
    }
    if (run.args.empty())
        run.args = execArguments(records);
    run.bytes = sizeof(Run) + run.node.size() + run.login.size() + run.acting.size()
        + run.terminal.size() + run.host.size() + run.command.size() + run.args.size()
        + run.decisions.size() * 48;
    pendingBytes_ += run.bytes - before;
}

void RunsFile::add(const RunTracker &tracker, RunPart part, const std::vector<RecordLine> &records,
                   std::string_view loginUser)
{
    if (fd_ < 0 || records.empty())
        return;
    const int64_t ms = records.front().stamp.ms();
    if (part == RunPart::Starts && tracker.run() == written_ + pending_.size()) {
        pending_.emplace_back();
        Run &run = pending_.back();
        run.id = tracker.run();
        run.stamp = records.front().stamp;
        for (const RecordLine &r : records)
            if (run.node.empty() && !r.node.empty())
                run.node = std::string(r.node);
        run.login = std::string(loginUser);
        for (const RecordLine &r : records) {
            std::string_view arch, call, success;
            if (r.type == "SYSCALL" && r.find("arch", &arch) && r.find("syscall", &call)
                && isExecSyscall(arch, call) && r.find("success", &success))
                run.failedExec = success != "yes";
        }
    }
    if (part != RunPart::NoRun && tracker.run() >= written_
        && tracker.run() - written_ < pending_.size()) {
        Run &run = pending_[tracker.run() - written_];
        absorb(run, records);
        run.lastMs = ms;
    }
    for (uint64_t id : tracker.ended())
        if (id >= written_ && id - written_ < pending_.size())
            pending_[id - written_].done = true;
    writeSettled(ms);
}

void RunsFile::writeSettled(int64_t nowMs)
{
    while (!pending_.empty()) {
        const Run &run = pending_.front();
        if (!run.done && nowMs - run.lastMs <= kSettleMs && pendingBytes_ <= kMaxPendingBytes)
            break;
        writeLine(run);
        pendingBytes_ -= run.bytes;
        pending_.pop_front();
        ++written_;
    }
}

void RunsFile::writeLine(const Run &run)
{
    std::string &b = buffer_;
    appendStamp(b, run.stamp.ms());
    b += '\t';
    appendNumber(b, run.stamp.serial);
    b += '\t';
    appendSafe(b, run.node, true);
    b += '\t';
    b += run.login.empty() ? std::string_view("-") : std::string_view(run.login);
    b += '\t';
    appendSafe(b, run.acting, true);
    b += '\t';
    appendSafe(b, run.terminal.empty() ? run.host : run.terminal, true);
    b += '\t';
    bool refused = false;
    for (const auto &d : run.decisions)
        refused = refused || d.second;
    b += run.failedExec ? "failed" : refused ? "refused" : "success";
    b += '\t';
    const std::string &command = run.command.empty() ? run.args : run.command;
    if (command.empty())
        b += '-';
    else
        appendSafe(b, command);
    b += '\n';
    if (b.size() >= (64u << 10))
        flushBuffer();
}

void RunsFile::flushBuffer()
{
    size_t done = 0;
    while (fd_ >= 0 && error_.empty() && done < buffer_.size()) {
        const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            fail("cannot write the runs file", n < 0 ? errno : ENOSPC);
            break;
        }
        done += size_t(n);
    }
    buffer_.clear();
}

void RunsFile::fail(const char *what, int err)
{
    if (error_.empty())
        error_ = std::string(what) + " " + path_ + ": " + std::strerror(err);
}

bool RunsFile::finish()
{
    if (fd_ < 0)
        return error_.empty();
    for (Run &run : pending_)
        run.done = true;
    writeSettled(INT64_MIN);
    flushBuffer();
    return error_.empty();
}

bool RunsFile::complete(const std::vector<std::string> &trailFiles,
                        std::optional<std::pair<int64_t, int64_t>> span,
                        const std::vector<std::pair<std::string, size_t>> &runsPerDay)
{
    if (fd_ < 0)
        return error_.empty();
    for (const std::string &file : trailFiles) {
        buffer_ += "# file ";
        appendSafe(buffer_, file);
        buffer_ += '\n';
    }
    if (span) {
        buffer_ += "# span ";
        appendStamp(buffer_, span->first);
        buffer_ += ' ';
        appendStamp(buffer_, span->second);
        buffer_ += '\n';
    }
    for (const auto &[day, count] : runsPerDay) {
        buffer_ += "# day ";
        appendSafe(buffer_, day, true);
        buffer_ += ' ';
        buffer_ += std::to_string(count);
        buffer_ += '\n';
    }
    flushBuffer();
    // Only now does the file start with its header: it is whole.
    if (error_.empty()) {
        ssize_t n;
        do
            n = ::pwrite(fd_, kHeader.data(), kHeader.size(), 0);
        while (n < 0 && errno == EINTR);
        if (n != ssize_t(kHeader.size()))
            fail("cannot write the runs file", n < 0 ? errno : ENOSPC);
    }
    if (::close(fd_) != 0)
        fail("cannot write the runs file", errno);
    fd_ = -1;
    return error_.empty();
}

} // namespace kvrtools
