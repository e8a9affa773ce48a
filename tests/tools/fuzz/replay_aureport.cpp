// Replays a deterministic set of mutated audit trails (or the files named on
// the command line, e.g. a fuzzer's crash inputs) through the summary's
// record parser and event grouping, in-process, and checks the figures of
// each (summarycheck.h), and that cutting a trail into two files at a line
// changes nothing. The seeds are hand-made records (--records DIR), slices
// of real trails (--logs DIR, skipped when absent) and short records that
// end right after a value, where hand-written scanning overruns. Built with
// any compiler; run under the sanitizers it is the memory-safety check.
#include "mutator.h"
#include "summarycheck.h"

#include <dirent.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using replay::readAll;

// The *.log files of a directory, sorted; none when it does not exist.
std::vector<std::string> logsIn(const std::string &dir)
{
    std::vector<std::string> out;
    if (DIR *d = ::opendir(dir.c_str())) {
        while (dirent *e = ::readdir(d)) {
            const std::string name = e->d_name;
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".log") == 0)
                out.push_back(dir + "/" + name);
        }
        ::closedir(d);
    }
    std::sort(out.begin(), out.end());
    return out;
}

// Records that stop right after a value of each kind the parsers scan:
// the AVC with a two-digit hex comm= at the end of its line, and others
// like it, each also without its newline.
std::vector<std::string> shortRecords()
{
    const std::string ts = "msg=audit(1332573473.962:24): ";
    std::vector<std::string> lines = {
        "type=AVC " + ts
            + "apparmor=\"STATUS\" operation=\"profile_replace\" "
              "name=\"/usr/sbin/mysqld\" pid=1402 comm=0A",
        "type=AVC " + ts + "avc:  denied  { read } for pid=1 comm=41",
        "type=AVC " + ts + "avc:  denied  { read } for pid=1 comm=\"x",
        "type=AVC " + ts + "avc:  denied  {",
        "type=AVC " + ts + "avc:  denied  { }",
        "type=USER_AVC " + ts + "pid=1 uid=0 auid=0 msg='avc: denied { x } for comm=4",
        "type=SYSCALL " + ts
            + "arch=c000003e syscall=2 success=no exit=1 a0=1 a1=2 pid=3 auid=1 "
              "tty=pts0 comm=6",
        "type=SYSCALL " + ts
            + "arch=c000003e syscall=2 success=no exit=1 a0=1 a1=2 pid=3 auid=1 "
              "tty=pts0 comm=\"a\" exe=7 key=0",
        "type=PATH " + ts + "item=0 name=0",
        "type=PATH " + ts + "item=0 name=00",
        "type=PATH " + ts + "item=0 name=\"./a",
        "type=CWD " + ts + "cwd=2",
        "type=SOCKADDR " + ts + "saddr=0100",
        "type=SOCKADDR " + ts + "saddr=(",
        "type=SOCKADDR " + ts + "saddr=0200",
        "type=SOCKADDR " + ts + "saddr=0A00",
        "type=USER_LOGIN " + ts + "pid=1 uid=0 auid=0 ses=1 msg='op=login hostname=?",
        "type=USER_LOGIN " + ts + "pid=1 uid=0 auid=0 ses=1 msg='op=login terminal=",
        "type=USER_LOGIN " + ts + "pid=1 uid=0 auid=0 ses=1 msg='acct=",
        "type=USER_CMD " + ts + "pid=1 uid=0 auid=0 ses=1 msg='cwd=\"/\" cmd=6C exe=",
        "type=LOGIN " + ts + "pid=1 uid=0 old auid=1 new auid=",
        "type=DAEMON_START " + ts + "auditd start auid=0 pid=1 res=",
        "type=DAEMON_ACCEPT " + ts + "addr=1",
        "type=CONFIG_CHANGE " + ts + "auid=0 key=",
        "type=CONFIG_CHANGE " + ts + "auid=0 key=6",
        "type=INTEGRITY_DATA " + ts + "pid=1 auid=0 comm=6 name=",
        "type=ANOM_ABEND " + ts + "auid=0 pid=1 comm=",
        "type=SECCOMP " + ts + "auid=0 pid=1 comm=\"a\" exe=\"b\" arch=",
        "type=TTY " + ts + "tty pid=1 auid=",
        "type=NETFILTER_CFG " + ts + "table=x pid=",
        "type=NETFILTER_PKT " + ts + "saddr=",
        "type=VIRT_RESOURCE " + ts + "pid=1 uid=0 auid=0 ses=1 msg='path=",
        "node=" + std::string(400, 'n') + " type=SYSCALL " + ts + "pid=1",
        "type=SYSCALL msg=audit(",
    };
    std::vector<std::string> seeds;
    for (const std::string &l : lines) {
        seeds.push_back(l);
        seeds.push_back(l + "\n");
    }
    return seeds;
}

// Pieces of text the summary's parsers look for spliced into records, lines
// cut short, bytes flipped, inserted and cut off.
const replay::Mutator &mutator()
{
    using M = replay::Mutation;
    static const replay::Mutator m{
        {M::FlipBit, M::InsertToken, M::Erase, M::CutLine, M::InsertBytes, M::Truncate},
        {" pid=",
         "auid=",
         "loginuid=",
         "comm=",
         "exe=",
         "name=",
         " path=",
         "cwd=",
         "saddr=",
         "hostname=",
         "addr=",
         "terminal=",
         "res=",
         "result=",
         "key=",
         "success=",
         "syscall=",
         "tclass=",
         "avc: ",
         "{",
         "}",
         "(",
         ")",
         "\"",
         "'",
         ",",
         ":",
         " ",
         "\n",
         "\x1d",
         "0A",
         "00",
         "0",
         "(null)",
         "?",
         "msg=audit(",
         "type=AVC ",
         "type=PATH ",
         "type=USER_AVC ",
         "type=SOCKADDR ",
         "type=EOE ",
         "node=",
         "18446744073709551616",
         "253402300800"},
        48,
        8};
    return m;
}

// A slice of whole lines of `text`, about `size` bytes, from a random place.
std::string slice(const std::string &text, size_t size, std::mt19937 &rng)
{
    if (text.size() <= size)
        return text;
    size_t b = text.find('\n', rng() % (text.size() - size));
    b = b == std::string::npos ? 0 : b + 1;
    size_t e = text.find('\n', std::min(text.size() - 1, b + size));
    return text.substr(b, e == std::string::npos ? std::string::npos : e - b + 1);
}

bool runOne(const std::string &input, const std::string &label)
{
    kvrreport::SummaryScanner whole(INT64_MIN, INT64_MAX, 2);
    summarycheck::scan(whole, std::string_view(input.data(), input.size()));
    whole.finish();
    std::string fault = summarycheck::check(whole);
    if (fault.empty()) {
        // Two files cut after a line: lines never cross files, events may.
        size_t cut = input.find('\n', input.size() / 2);
        cut = cut == std::string::npos ? input.size() : cut + 1;
        kvrreport::SummaryScanner split(INT64_MIN, INT64_MAX, 2);
        summarycheck::scan(split, std::string_view(input.data(), cut));
        summarycheck::scan(split, std::string_view(input.data() + cut, input.size() - cut));
        split.finish();
        const auto &a = whole.figures(), &b = split.figures();
        if (a.events != b.events || a.files.size() != b.files.size() || a.logins != b.logins
            || a.pids.size() != b.pids.size())
            fault = "cutting the trail into two files at a line changed the figures";
    }
    return replay::passed(fault, label, input, "replay-aureport-failure.log");
}

} // namespace

int main(int argc, char **argv)
{
    std::vector<std::string> given, records, logs;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--records" || arg == "--logs") && i + 1 < argc) {
            auto found = logsIn(argv[++i]);
            if (arg == "--logs")
                for (const auto &f : logsIn(std::string(argv[i]) + "/other"))
                    found.push_back(f);
            (arg == "--records" ? records : logs) = found;
        } else {
            given.push_back(arg);
        }
    }
    if (!given.empty()) { // replay the given inputs
        int bad = 0;
        for (const auto &file : given)
            bad += !runOne(readAll(file), file);
        return bad ? 1 : 0;
    }
    if (records.empty()) {
        std::fprintf(stderr, "no hand-made records found (--records DIR)\n");
        return 1;
    }
    std::vector<std::string> seeds = shortRecords();
    for (const auto &f : records)
        seeds.push_back(readAll(f));
    std::vector<std::string> real;
    for (const auto &f : logs)
        real.push_back(readAll(f));
    // Every seed and every real trail once as it is.
    int checked = 0;
    for (const auto &s : seeds)
        checked += runOne(s, "seed") ? 1 : -100000;
    for (size_t i = 0; i < real.size(); ++i)
        checked += runOne(real[i], logs[i]) ? 1 : -100000;
    if (checked < 0)
        return 1;
    const int rounds = 4000;
    std::mt19937 rng(20240307);
    uint64_t events = 0;
    for (int i = 0; i < rounds; ++i) {
        std::string input;
        if (!real.empty() && i % 3 == 0)
            input = slice(real[rng() % real.size()], 4096, rng);
        else
            input = seeds[rng() % seeds.size()];
        if (i % 5 == 0)
            input += seeds[rng() % seeds.size()];
        input = replay::mutate(std::move(input), rng, mutator());
        if (!runOne(input, "mutated input " + std::to_string(i)))
            return 1;
        kvrreport::SummaryScanner s(INT64_MIN, INT64_MAX, 2);
        summarycheck::scan(s, std::string_view(input.data(), input.size()));
        s.finish();
        events += s.figures().events;
    }
    // Guard against a replay that checks nothing: the mutated trails must
    // still hold many events.
    if (events < uint64_t(rounds)) {
        std::fprintf(stderr, "only %llu events in %d mutated trails\n",
                     static_cast<unsigned long long>(events), rounds);
        return 1;
    }
    std::printf("%d seeds and real trails, %d mutated trails checked (%llu events)%s\n", checked,
                rounds, static_cast<unsigned long long>(events),
                real.empty() ? "; real trails absent" : "");
    return 0;
}
