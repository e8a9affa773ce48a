// kvr-gen-trail: writes audit trails for tests, benchmarks and the demo.
//
//   kvr-gen-trail --events N --seed S [--start EPOCH] --out FILE [--expect]
//       a deterministic raw trail of N events: program runs (SYSCALL, EXECVE,
//       CWD, PATH, PROCTITLE) of the 28 commands kvr-auditreport queries and of
//       everyday programs, by several accounts, with sudo, account management,
//       and ssh/console logins, failed ones included.
//   kvr-gen-trail --demo --end YYYY-MM-DD|today --out FILE [--expect]
//       three weeks of a small team's work on one machine, ending on the given
//       local day, in the ENRICHED format (account names travel with the ids).
//
// --expect prints, for every command, how many runs of its program file the
// trail holds (one per exec of the file, failed ones included: the file was
// found; the program's own later records, from the same process, add none),
// per login uid and in all: "NAME AUID RUNS" lines, then "NAME * TOTAL".
// --expect-events prints, in the same form, how many events concern the
// program file (exe= or a PATH name, /bin and /sbin taken as /usr/bin and
// /usr/sbin, relative names joined to the working directory).
//
// The trail writer is in trailwriter.h, the simulated machine in machine.h.
#include "machine.h"

namespace {

using namespace kvrgen;

int usage(const char *why)
{
    if (why)
        std::fprintf(stderr, "kvr-gen-trail: %s\n", why);
    std::fputs("usage: kvr-gen-trail --events N --seed S [--start EPOCH] --out FILE\n"
               "                     [--expect|--expect-events]\n"
               "       kvr-gen-trail --demo --end YYYY-MM-DD|today --out FILE\n"
               "                     [--expect|--expect-events]\n",
               why ? stderr : stdout);
    return why ? 2 : 0;
}

void synthetic(Machine &m, size_t n)
{
    Trail &t = m.trail;
    Rng &r = t.rng();
    m.daemonStart();
    t.setLimit(n);
    while (!t.full()) {
        t.advance(50, 900);
        Account &a = m.accounts[r.below(unsigned(m.accounts.size()))];
        unsigned roll = r.below(100);
        if (roll < 3 || !a.session) {
            if (r.chance(10))
                m.login(a, false, a.uid == 0);
            else
                m.login(a, true, a.uid == 0);
        } else if (roll < 4) {
            m.intruder();
        } else if (roll < 5) {
            m.logout(a);
        } else if (roll < 6) {
            m.serviceEvent();
        } else if (roll < 50) {
            m.run(r.pick(otherCommands()), a, false);
        } else {
            const Command &c = r.pick(commands());
            m.run(c, a, c.privileged && r.chance(60));
        }
    }
}

// Three weeks of a small team: alice (admin), bob and carol, and root on the
// console. Every command of the 28 runs twice a week.
void demo(Machine &m, time_t endDay)
{
    Trail &t = m.trail;
    Rng &r = t.rng();
    const int days = 21;
    std::vector<const Command *> weekly;
    for (const auto &c : commands())
        weekly.push_back(&c);
    for (int d = days - 1; d >= 0; --d) {
        struct tm day {
        };
        localtime_r(&endDay, &day);
        day.tm_mday -= d;
        day.tm_hour = 8;
        day.tm_min = int(r.below(40));
        day.tm_sec = int(r.below(60));
        day.tm_isdst = -1;
        time_t start = std::mktime(&day);
        t.setTime(int64_t(start) * 1000 + r.below(1000));
        if (d == days - 1 || day.tm_wday == 1)
            m.daemonStart();
        // This day's share of the week's commands (each weekday takes some).
        std::vector<const Command *> today;
        int slot = (days - 1 - d) % 7;
        for (size_t i = 0; i < weekly.size(); ++i)
            if (int(i % 7) == slot || int((i + 3) % 7) == slot)
                today.push_back(weekly[i]);
        for (size_t k = 1; k < m.accounts.size(); ++k) {
            Account &a = m.accounts[k];
            if (r.chance(15) && d % 3 == int(k) % 3) {
                m.login(a, false); // a mistyped password first
                t.advance(4000, 20000);
            }
            m.login(a, true);
            t.advance(60000, 900000);
        }
        if (d % 4 == 0) {
            m.login(m.accounts[0], true, true);
            t.advance(30000, 120000);
        }
        if (r.chance(40))
            m.intruder();
        for (const Command *c : today) {
            Account &a = m.accounts[1 + r.below(unsigned(m.accounts.size() - 1))];
            Account &by =
                (c->privileged && r.chance(25) && m.accounts[0].session) ? m.accounts[0] : a;
            m.run(*c, by, c->privileged);
            t.advance(120000, 1500000);
            for (int extra = int(r.below(3)); extra > 0; --extra) {
                m.run(r.pick(otherCommands()), m.accounts[1 + r.below(3)], false);
                t.advance(30000, 600000);
            }
        }
        if (r.chance(50))
            m.serviceEvent();
        for (auto &a : m.accounts) {
            m.logout(a);
            t.advance(1000, 60000);
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    long long events = -1, start = 1709625600; // 2024-03-05 08:00:00 UTC
    unsigned long long seed = 1;
    bool haveSeed = false, demoMode = false, expect = false, expectEvents = false;
    std::string out, end;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](const char *what) -> const char * {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "kvr-gen-trail: %s needs %s\n", a.c_str(), what);
                std::exit(2);
            }
            return argv[++i];
        };
        auto number = [&](const char *what) -> long long {
            const char *v = value(what);
            char *e = nullptr;
            errno = 0;
            long long n = std::strtoll(v, &e, 10);
            if (errno || !*v || *e || n < 0) {
                std::fprintf(stderr, "kvr-gen-trail: bad %s for %s: %s\n", what, a.c_str(), v);
                std::exit(2);
            }
            return n;
        };
        if (a == "--events")
            events = number("a count");
        else if (a == "--seed") {
            seed = static_cast<unsigned long long>(number("a number"));
            haveSeed = true;
        } else if (a == "--start")
            start = number("seconds since 1970");
        else if (a == "--out")
            out = value("a file");
        else if (a == "--demo")
            demoMode = true;
        else if (a == "--end")
            end = value("a day");
        else if (a == "--expect")
            expect = true;
        else if (a == "--expect-events")
            expectEvents = true;
        else if (a == "-h" || a == "--help")
            return usage(nullptr);
        else
            return usage(("unknown option " + a).c_str());
    }
    if (out.empty())
        return usage("--out is required");
    time_t endDay = 0;
    if (demoMode) {
        if (end.empty())
            return usage("--demo needs --end YYYY-MM-DD or today");
        if (end == "today") {
            endDay = std::time(nullptr);
        } else {
            struct tm tm {
            };
            int y, mo, d;
            char extra;
            if (std::sscanf(end.c_str(), "%4d-%2d-%2d%c", &y, &mo, &d, &extra) != 3 || mo < 1
                || mo > 12 || d < 1 || d > 31 || y < 2004)
                return usage("--end must be YYYY-MM-DD or today");
            tm.tm_year = y - 1900;
            tm.tm_mon = mo - 1;
            tm.tm_mday = d;
            tm.tm_hour = 12;
            tm.tm_isdst = -1;
            endDay = std::mktime(&tm);
        }
    } else if (events < 0 || !haveSeed) {
        return usage("give --events N --seed S, or --demo --end DAY");
    }

    std::FILE *f = std::fopen(out.c_str(), "we");
    if (!f) {
        std::fprintf(stderr, "kvr-gen-trail: cannot write %s: %s\n", out.c_str(),
                     std::strerror(errno));
        return 3;
    }
    Trail trail(f, demoMode, demoMode ? 20240305 : seed);
    Machine m{trail, {}};
    if (demoMode) {
        m.accounts = {{"root", 0, "/root"},
                      {"alice", 1000, "/home/alice"},
                      {"bob", 1001, "/home/bob"},
                      {"carol", 1002, "/home/carol"}};
        demo(m, endDay);
    } else {
        m.accounts.push_back({"root", 0, "/root"});
        for (unsigned u = 1000; u < 1008; ++u)
            m.accounts.push_back({"user" + std::to_string(u), u, "/home/user" + std::to_string(u)});
        trail.setTime(int64_t(start) * 1000);
        synthetic(m, size_t(events));
    }
    trail.flush();
    if (trail.failed() || std::fclose(f) != 0) {
        std::fprintf(stderr, "kvr-gen-trail: cannot write %s: %s\n", out.c_str(),
                     std::strerror(errno));
        return 3;
    }
    if (expect || expectEvents) {
        for (const auto &[cmd, perUser] : expect ? trail.expectedRuns() : trail.expectedEvents()) {
            unsigned total = 0;
            for (const auto &[auid, n] : perUser) {
                std::printf("%s %u %u\n", cmd.c_str(), auid, n);
                total += n;
            }
            std::printf("%s * %u\n", cmd.c_str(), total);
        }
    }
    return 0;
}
