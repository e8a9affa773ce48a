// Forming runs of the -f program out of selected events: the facts of an
// event (exec, success, pid, session) and the run rule (see runs.h).
#include "runs.h"

#include "toolcommon.h"

#include <libaudit.h>

#include <cstdlib>

namespace kvrtools {

namespace {

bool lookUpExecSyscall(std::string_view arch, std::string_view syscall)
{
    const std::string archText(arch), callText(syscall);
    char *end = nullptr;
    const unsigned long archValue = std::strtoul(archText.c_str(), &end, 16);
    if (archText.empty() || *end)
        return false;
    const long call = std::strtol(callText.c_str(), &end, 10);
    if (callText.empty() || *end || call < 0 || call > 100000)
        return false;
    const int machine = audit_elf_to_machine(unsigned(archValue));
    if (machine < 0)
        return false;
    const char *name = audit_syscall_to_name(int(call), machine);
    return name && (std::string_view(name) == "execve" || std::string_view(name) == "execveat");
}

} // namespace

bool isExecSyscall(std::string_view arch, std::string_view syscall)
{
    // A trail holds few architectures and system calls, and each event is
    // asked about more than once: the last few answers are kept per thread.
    struct Answer {
        char arch[16], call[8];
        unsigned char archSize = 0, callSize = 0;
        bool exec = false;
    };
    static thread_local Answer answers[8];
    static thread_local unsigned next = 0;
    if (arch.size() >= sizeof Answer::arch || syscall.size() >= sizeof Answer::call)
        return lookUpExecSyscall(arch, syscall);
    for (const Answer &a : answers)
        if (a.archSize == arch.size() && a.callSize == syscall.size() && a.archSize
            && std::string_view(a.arch, a.archSize) == arch
            && std::string_view(a.call, a.callSize) == syscall)
            return a.exec;
    Answer &a = answers[next++ % 8];
    a.archSize = static_cast<unsigned char>(arch.size());
    a.callSize = static_cast<unsigned char>(syscall.size());
    arch.copy(a.arch, arch.size());
    syscall.copy(a.call, syscall.size());
    a.exec = lookUpExecSyscall(arch, syscall);
    return a.exec;
}

ProcessFacts processFacts(const std::vector<RecordLine> &records, const ProgramTarget &target)
{
    ProcessFacts facts;
    std::string cwd;
    bool cwdKnown = false;
    for (const RecordLine &r : records) {
        if (facts.node.empty() && !r.node.empty())
            facts.node = std::string(r.node);
        bool hasExe = false;
        std::string_view arch, call;
        for (const RecordField &f : r.fields) {
            if (f.name == "pid" && !facts.hasPid) {
                facts.pid = std::string(f.value);
                facts.hasPid = true;
            } else if (f.name == "ppid" && facts.ppid.empty()) {
                facts.ppid = std::string(f.value);
            } else if (f.name == "ses" && facts.ses.empty()) {
                facts.ses = std::string(f.value);
                facts.hasSession = true;
            } else if (f.name == "auid") {
                facts.hasSession = true;
            } else if (f.name == "exe") {
                hasExe = true;
                if (target.isTargetValue(f.value))
                    facts.runsTarget = true;
            } else if (f.name == "arch") {
                arch = f.value;
            } else if (f.name == "syscall") {
                call = f.value;
            } else if (f.name == "success" && r.type == "SYSCALL") {
                facts.success = f.value == "yes";
            }
        }
        if (r.type == "SYSCALL" && isExecSyscall(arch, call))
            facts.isExec = true;
        if (target.isSudo() && !hasExe && r.type == "USER_CMD")
            facts.runsTarget = true;
        if (r.type == "PATH") {
            std::string_view name, inode;
            if (!r.find("name", &name))
                continue;
            std::string n = decodeValue(name, true);
            if (!n.empty() && n[0] != '/') {
                if (!cwdKnown) {
                    cwd = eventCwd(records);
                    cwdKnown = true;
                }
                n = normalisePath(n, cwd);
            } else {
                n = normalisePath(n, {});
            }
            if (target.isTarget(n)) {
                facts.namesTarget = true;
                if (r.find("inode", &inode) && !inode.empty())
                    facts.foundTarget = true;
            }
        }
    }
    return facts;
}

RunPart RunTracker::start(Process *p, const std::string &ses)
{
    run_ = next_++;
    if (p) {
        leave(*p);
        *p = {ses, true, run_};
    } else {
        ended_.push_back(run_);
    }
    return RunPart::Starts;
}

void RunTracker::leave(Process &p)
{
    if (p.running && !p.forked)
        ended_.push_back(p.run);
    p.running = false;
}

RunPart RunTracker::classify(const std::vector<RecordLine> &records)
{
    ended_.clear();
    const ProcessFacts f = processFacts(records, target_);
    if (!f.hasSession) {
        // A malformed record: part of the run around it, never a run of its own.
        auto it = f.hasPid ? processes_.find(f.node + ' ' + f.pid) : processes_.end();
        if (it == processes_.end() || !it->second.running || !f.runsTarget)
            return RunPart::NoRun;
        run_ = it->second.run;
        return RunPart::Joins;
    }
    if (!f.hasPid)
        return f.runsTarget || (f.isExec && f.foundTarget) ? start(nullptr, f.ses) : RunPart::NoRun;
    Process &p = processes_[f.node + ' ' + f.pid];
    if (f.isExec) {
        if (f.success && (f.runsTarget || f.namesTarget))
            return start(&p, f.ses);
        // A failed exec leaves the caller running what it ran before.
        if (!f.success && f.foundTarget)
            return start(nullptr, f.ses);
        if (f.success)
            leave(p); // now runs another program
        return RunPart::NoRun;
    }
    if (!f.runsTarget) {
        leave(p);
        return RunPart::NoRun;
    }
    if (p.running && p.ses == f.ses) {
        run_ = p.run;
        return RunPart::Joins;
    }
    if (!p.running && !f.ppid.empty()) {
        auto parent = processes_.find(f.node + ' ' + f.ppid);
        if (parent != processes_.end() && parent->second.running && parent->second.ses == f.ses) {
            p = {f.ses, true, parent->second.run, true};
            run_ = p.run;
            return RunPart::Joins;
        }
    }
    return start(&p, f.ses);
}

} // namespace kvrtools
