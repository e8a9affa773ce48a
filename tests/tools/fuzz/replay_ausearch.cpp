// Replays a deterministic set of mutated audit trails (or the files named on
// the command line, e.g. a fuzzer's crash inputs) through the ausearch
// formatter and checks the output layout of each. Built with any compiler,
// so the layout invariants are checked in CI without libFuzzer.
#include "layoutcheck.h"
#include "mutator.h"
#include "searchcore.h"

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

using replay::hex;

// Labels and separators of the output forged into the trail, quotes, control
// and invalid UTF-8 bytes spliced in, plain and hex-encoded; lines repeated
// and cut off.
const replay::Mutator &mutator()
{
    using M = replay::Mutation;
    static const replay::Mutator m{{M::FlipBit, M::InsertToken, M::Erase, M::DuplicateLine,
                                    M::Truncate, M::InsertBytes, M::InsertHexTokens},
                                   {"日期:",
                                    "用户id:",
                                    "时间范围",
                                    "\n",
                                    "\r",
                                    "\x1d",
                                    "\"",
                                    "'",
                                    "=",
                                    " ",
                                    "msg='",
                                    "msg=audit(",
                                    "type=",
                                    "auid=",
                                    "uid=",
                                    "exe=",
                                    ":",
                                    "):",
                                    "\xff",
                                    "\xe6\x97",
                                    "\xc0\x80",
                                    "\xed\xa0\x80",
                                    "----\n",
                                    "类型=",
                                    "4294967295",
                                    "-1",
                                    "AUID=\"x y\"",
                                    "\\",
                                    "\x00"},
                                   64,
                                   16};
    return m;
}

std::vector<std::string> seeds()
{
    const std::string forged =
        hex("x\n日期: 1999-01-01 用户id: mallory\r\x1b[2J时间范围\\ \xff\xc0");
    const std::string ts = "msg=audit(1709600000.100:10): ";
    const std::string ts2 = "msg=audit(1709600001.200:11): ";
    return {
        "type=SYSCALL " + ts
            + "arch=c000003e syscall=59 success=yes exit=0 a0=1 a1=2 a2=3 a3=0 "
              "items=1 ppid=1 pid=2 auid=1000 uid=0 gid=0 euid=0 suid=0 fsuid=0 egid=0 sgid=0 "
              "fsgid=0 "
              "tty=pts0 ses=1 comm="
            + forged
            + " exe=\"/usr/bin/touch\" key=(null)\n"
              "type=EXECVE "
            + ts + "argc=2 a0=\"touch\" a1=" + forged
            + "\n"
              "type=CWD "
            + ts + "cwd=" + forged
            + "\n"
              "type=PATH "
            + ts + "item=0 name=" + forged
            + " inode=1 dev=fd:00 mode=0100644 ouid=0 "
              "ogid=0 rdev=00:00 nametype=CREATE\n"
              "type=PROCTITLE "
            + ts + "proctitle=" + forged + "\n",
        "type=SYSCALL " + ts2
            + "arch=c000003e syscall=59 success=yes exit=0 items=1 ppid=1 "
              "pid=3 auid=4294967295 uid=0 ses=4294967295 comm=\"rm\" exe=\"/usr/bin/rm\"\x1d"
              "ARCH=x86_64 SYSCALL=execve AUID=\"unset\" UID=\"ro ot\"\n"
              "type=PATH "
            + ts2
            + "item=0 name=\"../bin/rm\" ouid=0\x1dOUID=\"日期:\"\n"
              "type=CWD "
            + ts2 + "cwd=\"/usr/sbin\"\n",
        "type=USER_CMD msg=audit(1550861714.818:195): pid=3636 uid=1000 auid=1000 ses=4 "
        "msg='cwd=\"/\" cmd="
            + forged
            + " exe=\"/usr/bin/sudo\" terminal=pts/0 res=success'\n"
              "type=ADD_USER msg=audit(1550861028.751:27): pid=3192 uid=0 auid=4294967295 "
              "msg='op=add-user id=1000 exe=2F7573722F7362696E2F75736572616464 res=success'\n",
        "node=host1 type=LOGIN msg=audit(1480339148.001:5): login pid=1 uid=0 old auid=4294967295 "
        "new auid=0 old ses=4294967295 new ses=1\n"
        "type=DAEMON_START msg=audit(1480339149.000:6): auditd start, ver=2.2 format=raw\n"
        "type=EOE msg=audit(1480339149.000:6): \n"
        "type=USER msg=audit(1572230395.093:7): netio_intercepted=\"日期: x\" ubsi="
            + forged + "\n",
    };
}

bool runOne(const std::string &input, const kvrtools::SearchOptions &options, const char *label)
{
    std::string out;
    size_t runs = 0;
    size_t events = kvrtools::searchBytes(input.data(), input.size(), options, &out, &runs);
    // Without -f every event has its 用户id: line; with -f one per run.
    const std::string fault =
        layoutcheck::check(out, events, options.file.empty() ? -1 : long(runs));
    return replay::passed(fault, label, input, "replay-failure.log");
}

} // namespace

int main(int argc, char **argv)
{
    kvrtools::SearchOptions plain;
    plain.interpret = true;
    kvrtools::SearchOptions filtered = plain;
    filtered.file = "/bin/rm";
    kvrtools::SearchOptions sudo = plain;
    sudo.file = "/usr/bin/sudo";
    if (argc > 1) { // replay the given inputs
        int bad = 0;
        for (int i = 1; i < argc; ++i)
            bad += !runOne(replay::readAll(argv[i]), plain, argv[i]);
        return bad ? 1 : 0;
    }
    const int rounds = 3000;
    std::mt19937 rng(20240305);
    const auto base = seeds();
    size_t withOutput = 0;
    for (int i = 0; i < rounds; ++i) {
        std::string input = base[size_t(i) % base.size()];
        // Some inputs splice two seeds, then everything is mutated.
        if (i % 5 == 0)
            input += base[rng() % base.size()];
        input = replay::mutate(std::move(input), rng, mutator());
        const std::string label = "mutated input " + std::to_string(i);
        if (!runOne(input, i % 3 ? plain : i % 2 ? filtered : sudo, label.c_str()))
            return 1;
        std::string out;
        withOutput += kvrtools::searchBytes(input.data(), input.size(), plain, &out) > 0;
    }
    // Guard against a replay that checks nothing: most inputs must still
    // parse into events.
    if (withOutput < rounds / 2) {
        std::fprintf(stderr, "only %zu of %d inputs produced events\n", withOutput, rounds);
        return 1;
    }
    std::printf("%d mutated trails checked, %zu with events\n", rounds, withOutput);
    return 0;
}
