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
#include "commandtable.h"

#include <cerrno>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string_view>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

// Deterministic pseudo-random numbers (splitmix64), the same on every system.
class Rng {
public:
    explicit Rng(uint64_t seed) : state_(seed) {}
    uint64_t next()
    {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, n).
    unsigned below(unsigned n) { return n ? unsigned(next() % n) : 0; }
    bool chance(unsigned percent) { return below(100) < percent; }
    template <class T> const T &pick(const std::vector<T> &v) { return v[below(unsigned(v.size()))]; }

private:
    uint64_t state_;
};

struct Command {
    const char *name;
    std::string file; // installed program file (merged /usr)
    std::string exe;  // what the kernel reports as exe=
    bool privileged;   // normally run through sudo
    std::vector<const char *> argSets; // blank-separated argument sets
};

// How the 28 commands of the query form (commandtable.h) run on Debian 12:
// the kernel's exe= where it is not the installed file itself, whether an
// administrator normally runs it through sudo, and sample arguments.
struct CommandUse {
    const char *name;
    const char *exe; // nullptr: the installed file
    bool privileged;
    std::vector<const char *> argSets;
};

const std::vector<CommandUse> &commandUses()
{
    static const std::vector<CommandUse> list = {
        {"chgrp", nullptr, false, {"staff notes.txt", "-R www-data /srv/www"}},
        {"chown", nullptr, true, {"alice:alice /srv/share/report.txt", "-R www-data: /var/www/html"}},
        {"chmod", nullptr, false, {"600 .ssh/id_ed25519", "+x deploy.sh", "-R g+w /srv/share"}},
        {"chattr", nullptr, true, {"+i /etc/resolv.conf", "-i /etc/resolv.conf"}},
        {"su", nullptr, false, {"-", "- root", "bob"}},
        {"sudo", nullptr, false, {"-i", "-l"}},
        {"touch", nullptr, false, {"todo.txt", "/tmp/build.stamp"}},
        {"cp", nullptr, false, {"report.txt /srv/share/", "-a /etc/nginx /root/nginx.bak"}},
        {"mv", nullptr, false, {"draft.txt final.txt", "/tmp/upload.tar.gz /srv/archive/"}},
        {"rm", nullptr, false, {"-f /tmp/build.stamp", "-rf old-build", "notes.bak"}},
        {"mkdir", nullptr, false, {"-p projects/q2", "/srv/share/incoming"}},
        {"rmdir", nullptr, false, {"projects/old", "/srv/share/incoming"}},
        {"groupadd", nullptr, true, {"devs", "backup"}},
        {"groupdel", nullptr, true, {"backup", "temp"}},
        {"gpasswd", nullptr, true, {"-a bob devs", "-d carol devs"}},
        {"useradd", nullptr, true, {"-m dave", "-m -s /bin/bash erin"}},
        {"userdel", nullptr, true, {"-r dave", "erin"}},
        {"passwd", nullptr, false, {"", "carol"}},
        {"ifup", nullptr, true, {"eth1", "wlan0"}},
        {"ifdown", nullptr, true, {"eth1", "wlan0"}},
        {"wget", nullptr, false, {"https://deb.debian.org/debian/README", "-q -O /tmp/setup.sh https://example.org/setup.sh"}},
        {"apt-get", nullptr, true, {"update", "install -y htop", "upgrade -y"}},
        {"shutdown", "/usr/bin/systemctl", true, {"-r +5", "-h now", "-c"}},
        {"reboot", "/usr/bin/systemctl", true, {""}},
        {"service", nullptr, true, {"nginx restart", "ssh status", "cron reload"}},
        {"killall", nullptr, false, {"firefox-esr", "-HUP nginx"}},
        {"nice", nullptr, false, {"-n 10 make -j2", "-n 19 tar czf /tmp/home.tgz /home/alice"}},
        {"renice", nullptr, false, {"-n 5 -p 4242", "+10 -u bob"}},
    };
    return list;
}

// The installed file of a program path on merged /usr: /bin/X is /usr/bin/X.
std::string installedFile(const char *path)
{
    const std::string p = path;
    if (p.rfind("/bin/", 0) == 0 || p.rfind("/sbin/", 0) == 0)
        return "/usr" + p;
    return p;
}

// The 28 commands of kvr-auditreport's query form, as installed on Debian 12.
const std::vector<Command> &commands()
{
    static const std::vector<Command> list = [] {
        std::vector<Command> out;
        for (const kvrcommands::Command &entry : kvrcommands::kCommands) {
            const CommandUse *use = nullptr;
            for (const CommandUse &u : commandUses())
                if (std::string_view(u.name) == entry.name)
                    use = &u;
            if (!use) {
                std::fprintf(stderr, "kvr-gen-trail: no sample use of %s\n", entry.name);
                std::exit(2);
            }
            const std::string file = installedFile(entry.path);
            out.push_back({entry.name, file, use->exe ? use->exe : file, use->privileged, use->argSets});
        }
        return out;
    }();
    return list;
}

// Everyday programs that are none of the 28.
const std::vector<Command> &otherCommands()
{
    static const std::vector<Command> list = {
        {"ls", "/usr/bin/ls", "/usr/bin/ls", false, {"-la", "/srv/share", "--color=auto"}},
        {"cat", "/usr/bin/cat", "/usr/bin/cat", false, {"/etc/os-release", "notes.txt"}},
        {"bash", "/usr/bin/bash", "/usr/bin/bash", false, {"", "deploy.sh"}},
        {"grep", "/usr/bin/grep", "/usr/bin/grep", false, {"-r TODO src", "-i error /var/log/syslog"}},
        {"vim", "/usr/bin/vim.basic", "/usr/bin/vim.basic", false, {"notes.txt", "/etc/hosts"}},
        {"ps", "/usr/bin/ps", "/usr/bin/ps", false, {"aux", "-ef"}},
        {"tar", "/usr/bin/tar", "/usr/bin/tar", false, {"czf backup.tgz projects", "xf release.tar"}},
        {"git", "/usr/bin/git", "/usr/bin/git", false, {"pull", "status", "commit -m \"weekly report\""}},
        {"python3", "/usr/bin/python3.11", "/usr/bin/python3.11", false, {"manage.py migrate", "-c \"print('héllo')\""}},
        {"ssh", "/usr/bin/ssh", "/usr/bin/ssh", false, {"backup@10.0.0.5", "-p 2222 git@10.0.0.7"}},
    };
    return list;
}

struct Account {
    std::string name;
    unsigned uid;
    std::string home;
    unsigned session = 0; // current login session, 0: none
    int pts = -1;
};

const unsigned kUnset = 4294967295u;

std::string hex(const std::string &s)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(s.size() * 2);
    for (unsigned char c : s) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

// An untrusted string as the kernel logs it: quoted when plain, hex when it
// holds a blank, a double quote, a control character or a non-ASCII byte.
std::string untrusted(const std::string &s)
{
    for (unsigned char c : s)
        if (c <= 0x20 || c >= 0x7f || c == '"')
            return hex(s);
    return "\"" + s + "\"";
}

std::vector<std::string> splitWords(const std::string &text)
{
    std::vector<std::string> words;
    std::string cur;
    bool quoted = false;
    for (char c : text) {
        if (c == '"') {
            quoted = !quoted;
        } else if (c == ' ' && !quoted) {
            if (!cur.empty())
                words.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty())
        words.push_back(cur);
    return words;
}

// "/bin/x" and "/sbin/x" are "/usr/bin/x" and "/usr/sbin/x" on merged /usr;
// "./x" and "../x" are joined to the working directory.
std::string canonical(const std::string &name, const std::string &cwd)
{
    std::string p = name;
    if (p.compare(0, 2, "./") == 0)
        p = cwd + p.substr(1);
    else if (p.compare(0, 3, "../") == 0) {
        std::string dir = cwd.substr(0, cwd.rfind('/'));
        p = dir + p.substr(2);
    }
    if (p.compare(0, 5, "/bin/") == 0 || p.compare(0, 6, "/sbin/") == 0)
        p = "/usr" + p;
    return p;
}

class Trail {
public:
    Trail(std::FILE *out, bool enriched, uint64_t seed) : out_(out), enriched_(enriched), rng_(seed) {}

    Rng &rng() { return rng_; }
    size_t events() const { return events_; }
    bool failed() const { return failed_; }
    void setTime(int64_t ms) { ms_ = ms; }
    int64_t time() const { return ms_; }
    void advance(unsigned minMs, unsigned maxMs) { ms_ += minMs + rng_.below(maxMs - minMs + 1); }
    using Counts = std::map<std::string, std::map<unsigned, unsigned>>;
    const Counts &expectedRuns() const { return expectedRuns_; }
    const Counts &expectedEvents() const { return expectedEvents_; }

    unsigned newPid()
    {
        pid_ += 1 + rng_.below(3);
        if (pid_ > 4194000)
            pid_ = 300;
        return pid_;
    }
    unsigned newSession() { return ++session_; }

    // Starts an event: every record until the next beginEvent shares its
    // time stamp and serial.
    // Events beyond the limit are not written (a login writes several).
    void setLimit(size_t n) { limit_ = n; }
    bool full() const { return events_ >= limit_; }

    void beginEvent()
    {
        if (events_ >= limit_) {
            muted_ = true;
            return;
        }
        ++events_;
        serial_ += 1 + rng_.below(2);
        char head[80];
        std::snprintf(head, sizeof head, "msg=audit(%" PRId64 ".%03d:%" PRIu64 "): ", ms_ / 1000,
                      int(ms_ % 1000), serial_);
        stamp_ = head;
        concerned_.clear();
        started_.clear();
    }
    void record(const char *type, const std::string &body, const std::string &enrichment = {})
    {
        if (muted_)
            return;
        buf_ += "type=";
        buf_ += type;
        buf_ += ' ';
        buf_ += stamp_;
        buf_ += body;
        if (enriched_ && !enrichment.empty()) {
            buf_ += '\x1d';
            buf_ += enrichment;
        }
        buf_ += '\n';
        if (buf_.size() > (1u << 20))
            flush();
    }
    // Notes that the current event concerns a program file, and whether it
    // starts a run of it (for --expect and --expect-events).
    void concerns(const std::string &file, unsigned auid, bool startsRun = false)
    {
        if (muted_)
            return;
        for (const auto &c : commands()) {
            if (file != c.file)
                continue;
            if (concerned_.insert(c.name).second)
                ++expectedEvents_[c.name][auid];
            if (startsRun && started_.insert(c.name).second)
                ++expectedRuns_[c.name][auid];
        }
    }
    void flush()
    {
        if (!buf_.empty() && std::fwrite(buf_.data(), 1, buf_.size(), out_) != buf_.size())
            failed_ = true;
        buf_.clear();
    }
    bool enriched() const { return enriched_; }

private:
    std::FILE *out_;
    bool enriched_;
    Rng rng_;
    int64_t ms_ = 0;
    uint64_t serial_ = 1000;
    unsigned pid_ = 1200;
    unsigned session_ = 0;
    size_t events_ = 0;
    size_t limit_ = SIZE_MAX;
    bool muted_ = false;
    bool failed_ = false;
    std::string buf_, stamp_;
    Counts expectedRuns_, expectedEvents_;
    std::set<std::string> concerned_, started_;
};

std::string nameOf(unsigned uid, const std::vector<Account> &accounts)
{
    if (uid == kUnset)
        return "unset";
    for (const auto &a : accounts)
        if (a.uid == uid)
            return a.name;
    return std::to_string(uid);
}

struct Machine {
    Trail &trail;
    std::vector<Account> accounts; // accounts[0] is root
    std::vector<std::string> remoteHosts{"192.168.1.20", "192.168.1.34", "10.0.0.15"};
    std::vector<std::string> attackers{"203.0.113.7", "198.51.100.23"};

    std::string tty(const Account &a) const
    {
        return a.pts >= 0 ? "pts" + std::to_string(a.pts) : std::string("(none)");
    }
    std::string terminal(const Account &a) const
    {
        return a.pts >= 0 ? "pts/" + std::to_string(a.pts) : std::string("?");
    }
    std::string userEnrich(unsigned uid, unsigned auid) const
    {
        return "UID=\"" + nameOf(uid, accounts) + "\" AUID=\"" + nameOf(auid, accounts) + "\"";
    }

    // A user-space record of its own event (PAM, sudo, shadow utilities).
    void userRecord(const char *type, unsigned pid, unsigned uid, unsigned auid, unsigned ses,
                    const std::string &msg, const std::string &exe, bool concernsExe = true)
    {
        trail.beginEvent();
        char head[160];
        std::snprintf(head, sizeof head, "pid=%u uid=%u auid=%u ses=%u subj=unconfined msg='", pid,
                      uid, auid, ses ? ses : kUnset);
        trail.record(type, head + msg + "'", userEnrich(uid, auid));
        if (concernsExe)
            trail.concerns(exe, auid);
    }

    // One run of a program: SYSCALL, EXECVE, CWD, PATH x2, PROCTITLE. Returns
    // the process id, which the program's own later records share.
    unsigned execve(const Command &cmd, const std::string &args, const Account &by, unsigned uid,
                    unsigned ppid, bool failed = false)
    {
        Rng &r = trail.rng();
        trail.beginEvent();
        unsigned pid = trail.newPid();
        std::vector<std::string> argv{cmd.name};
        for (auto &w : splitWords(args))
            argv.push_back(w);
        // As typed: mostly found through $PATH, sometimes the old /bin path,
        // now and then run from the program's own directory.
        std::string cwd = by.home;
        std::string typed = cmd.file;
        unsigned how = r.below(100);
        if (how < 20) {
            typed = std::string(cmd.file).substr(4); // "/usr/bin/x" -> "/bin/x"
        } else if (how < 24) {
            std::string f = cmd.file;
            cwd = f.substr(0, f.rfind('/'));
            typed = "." + f.substr(f.rfind('/'));
        }
        const unsigned auid = by.uid;
        const std::string exe = cmd.exe;
        std::string comm = std::string(cmd.exe).substr(std::string(cmd.exe).rfind('/') + 1);
        if (comm.size() > 15)
            comm.resize(15);
        char sys[512];
        std::snprintf(sys, sizeof sys,
                      "arch=c000003e syscall=59 success=%s exit=%d a0=55d1%08x a1=55d1%08x "
                      "a2=55d1%08x a3=%x items=2 ppid=%u pid=%u auid=%u uid=%u gid=%u euid=%u "
                      "suid=%u fsuid=%u egid=%u sgid=%u fsgid=%u tty=%s ses=%u comm=",
                      failed ? "no" : "yes", failed ? -13 : 0, r.below(1u << 31), r.below(1u << 31),
                      r.below(1u << 31), r.below(64), ppid, pid, auid, uid, uid, uid, uid, uid, uid,
                      uid, uid, tty(by).c_str(), by.session ? by.session : kUnset);
        std::string body = sys;
        body += untrusted(failed ? std::string("bash") : comm);
        body += " exe=" + untrusted(failed ? std::string("/usr/bin/bash") : exe);
        body += " subj=unconfined key=\"exec\"";
        std::string u = nameOf(uid, accounts);
        trail.record("SYSCALL", body,
                     "ARCH=x86_64 SYSCALL=execve AUID=\"" + nameOf(auid, accounts) + "\" UID=\"" + u
                         + "\" GID=\"" + u + "\" EUID=\"" + u + "\" SUID=\"" + u + "\" FSUID=\"" + u
                         + "\" EGID=\"" + u + "\" SGID=\"" + u + "\" FSGID=\"" + u + "\"");
        std::string ev = "argc=" + std::to_string(argv.size());
        for (size_t i = 0; i < argv.size(); ++i) {
            const std::string &a = i == 0 ? std::string(typed[0] == '.' ? typed : cmd.name) : argv[i];
            ev += " a" + std::to_string(i) + "=" + untrusted(a);
        }
        trail.record("EXECVE", ev);
        trail.record("CWD", "cwd=" + untrusted(cwd));
        char path[320];
        std::snprintf(path, sizeof path,
                      " inode=%u dev=fe:01 mode=0100755 ouid=0 ogid=0 rdev=00:00 nametype=NORMAL "
                      "cap_fp=0 cap_fi=0 cap_fe=0 cap_fver=0 cap_frootid=0",
                      1300000 + r.below(90000));
        trail.record("PATH", "item=0 name=" + untrusted(typed) + path, "OUID=\"root\" OGID=\"root\"");
        trail.record("PATH",
                     "item=1 name=\"/lib64/ld-linux-x86-64.so.2\" inode=1311092 dev=fe:01 "
                     "mode=0100755 ouid=0 ogid=0 rdev=00:00 nametype=NORMAL cap_fp=0 cap_fi=0 "
                     "cap_fe=0 cap_fver=0 cap_frootid=0",
                     "OUID=\"root\" OGID=\"root\"");
        std::string title;
        for (size_t i = 0; i < argv.size(); ++i) {
            if (i)
                title += '\0';
            title += i == 0 ? typed : argv[i];
        }
        if (title.size() > 128)
            title.resize(128);
        trail.record("PROCTITLE", "proctitle=" + hex(title));
        // A run of the program: started by this exec, or attempted (the
        // file was found: its PATH item has an inode).
        if (!failed)
            trail.concerns(exe, auid, true);
        trail.concerns(canonical(typed, cwd), auid, true);
        return pid;
    }

    // A command of the 28 (or another program), run by `a` directly or, for
    // administrative ones, through sudo.
    void run(const Command &cmd, Account &a, bool viaSudo)
    {
        Rng &r = trail.rng();
        const std::string args = r.pick(cmd.argSets);
        unsigned shell = 1000 + r.below(3000);
        if (viaSudo && a.uid != 0) {
            static const Command sudo = {"sudo", "/usr/bin/sudo", "/usr/bin/sudo", false, {""}};
            std::string line = std::string(cmd.name) + (args.empty() ? "" : " " + args);
            // sudo's own records come from its process, as on a real system.
            const unsigned sudoPid = execve(sudo, line, a, a.uid, shell);
            trail.advance(5, 40);
            std::string cmdline = cmd.file + (args.empty() ? std::string() : " " + args);
            std::string enc = untrusted(cmdline);
            userRecord("USER_CMD", sudoPid, a.uid, a.uid, a.session,
                       "cwd=" + untrusted(a.home) + " cmd=" + (enc[0] == '"' ? cmdline : enc)
                           + " exe=\"/usr/bin/sudo\" terminal=" + terminal(a) + " res=success",
                       "/usr/bin/sudo");
            trail.advance(2, 20);
            const unsigned pid = execve(cmd, args, a, 0, sudoPid);
            trail.advance(3, 30);
            accountSideEffects(cmd, a, args, pid);
            return;
        }
        const bool failed = r.chance(2);
        const unsigned pid = execve(cmd, args, a, a.uid, shell, failed);
        trail.advance(3, 30);
        if (!failed) // a program that did not start writes nothing of its own
            accountSideEffects(cmd, a, args, pid);
    }

    // The records the shadow utilities and PAM write besides the program run.
    void accountSideEffects(const Command &cmd, const Account &a, const std::string &args,
                            unsigned pid)
    {
        const std::string name = cmd.name;
        auto words = splitWords(args);
        std::string target = words.empty() ? a.name : words.back();
        const std::string tail = " hostname=? addr=? terminal=" + terminal(a) + " res=success";
        if (name == "useradd")
            userRecord("ADD_USER", pid, 0, a.uid, a.session,
                       "op=add-user acct=\"" + target + "\" exe=\"/usr/sbin/useradd\"" + tail,
                       cmd.exe);
        else if (name == "userdel")
            userRecord("DEL_USER", pid, 0, a.uid, a.session,
                       "op=delete-user acct=\"" + target + "\" exe=\"/usr/sbin/userdel\"" + tail,
                       cmd.exe);
        else if (name == "groupadd")
            userRecord("ADD_GROUP", pid, 0, a.uid, a.session,
                       "op=add-group acct=\"" + target + "\" exe=\"/usr/sbin/groupadd\"" + tail,
                       cmd.exe);
        else if (name == "groupdel")
            userRecord("DEL_GROUP", pid, 0, a.uid, a.session,
                       "op=delete-group acct=\"" + target + "\" exe=\"/usr/sbin/groupdel\"" + tail,
                       cmd.exe);
        else if (name == "gpasswd")
            userRecord("GRP_MGMT", pid, 0, a.uid, a.session,
                       "op=add-user-to-group grp=\"" + target + "\" acct=\"" + target
                           + "\" exe=\"/usr/bin/gpasswd\"" + tail,
                       cmd.exe);
        else if (name == "passwd")
            userRecord("USER_CHAUTHTOK", pid, 0, a.uid, a.session,
                       "op=PAM:chauthtok grantors=pam_pwquality,pam_unix acct=\"" + target
                           + "\" exe=\"/usr/bin/passwd\"" + tail,
                       cmd.exe);
        else if (name == "su") {
            bool ok = !trail.rng().chance(15);
            userRecord("USER_AUTH", pid, a.uid, a.uid, a.session,
                       "op=PAM:authentication grantors=" + std::string(ok ? "pam_unix" : "?")
                           + " acct=\"root\" exe=\"/usr/bin/su\" hostname=? addr=? terminal="
                           + terminal(a) + (ok ? " res=success" : " res=failed"),
                       cmd.exe);
        }
    }

    // An ssh (or console) login of `a`, successful or not.
    void login(Account &a, bool ok, bool console = false)
    {
        Rng &r = trail.rng();
        unsigned pid = trail.newPid();
        const std::string host = console ? "?" : r.pick(remoteHosts);
        const std::string addr = console ? "?" : host;
        const std::string exe = console ? "/usr/bin/login" : "/usr/sbin/sshd";
        const std::string term = console ? "/dev/tty1" : "ssh";
        const std::string where =
            " exe=\"" + exe + "\" hostname=" + host + " addr=" + addr + " terminal=" + term;
        userRecord("USER_AUTH", pid, 0, kUnset, kUnset,
                   "op=PAM:authentication grantors=" + std::string(ok ? "pam_unix" : "?")
                       + " acct=\"" + a.name + "\"" + where + (ok ? " res=success" : " res=failed"),
                   exe, false);
        trail.advance(20, 400);
        if (!ok) {
            userRecord("USER_LOGIN", pid, 0, kUnset, kUnset,
                       "op=login acct=\"" + a.name + "\"" + where + " res=failed", exe, false);
            return;
        }
        userRecord("USER_ACCT", pid, 0, kUnset, kUnset,
                   "op=PAM:accounting grantors=pam_permit acct=\"" + a.name + "\"" + where
                       + " res=success",
                   exe, false);
        userRecord("CRED_ACQ", pid, 0, kUnset, kUnset,
                   "op=PAM:setcred grantors=pam_permit acct=\"" + a.name + "\"" + where
                       + " res=success",
                   exe, false);
        a.session = trail.newSession();
        a.pts = console ? -1 : int(r.below(6));
        trail.beginEvent();
        char body[200];
        std::snprintf(body, sizeof body,
                      "pid=%u uid=0 subj=unconfined old-auid=4294967295 auid=%u tty=(none) "
                      "old-ses=4294967295 ses=%u res=1",
                      pid, a.uid, a.session);
        trail.record("LOGIN", body,
                     "UID=\"root\" OLD-AUID=\"unset\" AUID=\"" + a.name + "\"");
        trail.advance(5, 50);
        userRecord("USER_START", pid, 0, a.uid, a.session,
                   "op=PAM:session_open grantors=pam_unix,pam_systemd acct=\"" + a.name + "\""
                       + where + " res=success",
                   exe, false);
        userRecord("USER_LOGIN", pid, 0, a.uid, a.session,
                   "op=login id=" + std::to_string(a.uid) + where + " res=success", exe, false);
    }

    void logout(Account &a)
    {
        if (!a.session)
            return;
        unsigned pid = trail.newPid();
        userRecord("USER_END", pid, 0, a.uid, a.session,
                   "op=PAM:session_close grantors=pam_unix,pam_systemd acct=\"" + a.name
                       + "\" exe=\"/usr/sbin/sshd\" hostname=? addr=? terminal=ssh res=success",
                   "/usr/sbin/sshd", false);
        a.session = 0;
        a.pts = -1;
    }

    // An attack from outside: a password guess for a missing account.
    void intruder()
    {
        Rng &r = trail.rng();
        static const std::vector<std::string> guesses{"admin", "oracle", "test", "ubuntu"};
        unsigned pid = trail.newPid();
        const std::string host = r.pick(attackers);
        const std::string where = " exe=\"/usr/sbin/sshd\" hostname=" + host + " addr=" + host
                                  + " terminal=ssh res=failed";
        const std::string acct = r.pick(guesses);
        userRecord("USER_AUTH", pid, 0, kUnset, kUnset,
                   "op=PAM:authentication grantors=? acct=\"" + acct + "\"" + where,
                   "/usr/sbin/sshd", false);
        trail.advance(100, 900);
        userRecord("USER_LOGIN", pid, 0, kUnset, kUnset, "op=login acct=\"" + acct + "\"" + where,
                   "/usr/sbin/sshd", false);
    }

    void serviceEvent()
    {
        static const std::vector<std::string> units{"cron", "nginx", "apt-daily", "logrotate"};
        unsigned pid = 1;
        userRecord(trail.rng().chance(50) ? "SERVICE_START" : "SERVICE_STOP", pid, 0, kUnset, kUnset,
                   "unit=" + trail.rng().pick(units)
                       + " comm=\"systemd\" exe=\"/usr/lib/systemd/systemd\" hostname=? addr=? "
                         "terminal=? res=success",
                   "/usr/lib/systemd/systemd", false);
    }

    void daemonStart()
    {
        trail.beginEvent();
        char body[240];
        std::snprintf(body, sizeof body,
                      "op=start ver=3.0.9 format=%s kernel=6.1.0-18-amd64 auid=4294967295 pid=%u "
                      "uid=0 ses=4294967295 subj=unconfined res=success",
                      trail.enriched() ? "enriched" : "raw", trail.newPid());
        trail.record("DAEMON_START", body, "AUID=\"unset\" UID=\"root\"");
        trail.advance(10, 60);
        trail.beginEvent();
        trail.record("CONFIG_CHANGE",
                     "auid=4294967295 ses=4294967295 subj=unconfined op=add_rule key=\"exec\" "
                     "list=4 res=1",
                     "AUID=\"unset\"");
    }
};

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
        struct tm day {};
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
            Account &by = (c->privileged && r.chance(25) && m.accounts[0].session) ? m.accounts[0] : a;
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
            struct tm tm {};
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
        std::fprintf(stderr, "kvr-gen-trail: cannot write %s: %s\n", out.c_str(), std::strerror(errno));
        return 3;
    }
    Trail trail(f, demoMode, demoMode ? 20240305 : seed);
    Machine m{trail, {}};
    if (demoMode) {
        m.accounts = {{"root", 0, "/root"}, {"alice", 1000, "/home/alice"},
                      {"bob", 1001, "/home/bob"}, {"carol", 1002, "/home/carol"}};
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
        std::fprintf(stderr, "kvr-gen-trail: cannot write %s: %s\n", out.c_str(), std::strerror(errno));
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
