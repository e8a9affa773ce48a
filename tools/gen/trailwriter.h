#pragma once
// The writing side of kvr-gen-trail: deterministic random numbers, the
// commands it runs (the 28 of the query form and everyday ones) with how
// Debian 12 runs them, accounts, value encoding as the kernel does it, and
// Trail, which writes records with shared time stamps and serials and keeps
// the --expect counts (runs, and events) per command and login uid.

#include "commandtable.h"

#include <cerrno>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace kvrgen {

// Deterministic pseudo-random numbers (splitmix64), the same on every system.
class Rng
{
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
    template <class T> const T &pick(const std::vector<T> &v)
    {
        return v[below(unsigned(v.size()))];
    }

private:
    uint64_t state_;
};

struct Command {
    const char *name;
    std::string file;                  // installed program file (merged /usr)
    std::string exe;                   // what the kernel reports as exe=
    bool privileged;                   // normally run through sudo
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

inline const std::vector<CommandUse> &commandUses()
{
    static const std::vector<CommandUse> list = {
        {"chgrp", nullptr, false, {"staff notes.txt", "-R www-data /srv/www"}},
        {"chown",
         nullptr,
         true,
         {"alice:alice /srv/share/report.txt", "-R www-data: /var/www/html"}},
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
        {"wget",
         nullptr,
         false,
         {"https://deb.debian.org/debian/README",
          "-q -O /tmp/setup.sh https://example.org/setup.sh"}},
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
inline std::string installedFile(const char *path)
{
    const std::string p = path;
    if (p.rfind("/bin/", 0) == 0 || p.rfind("/sbin/", 0) == 0)
        return "/usr" + p;
    return p;
}

// The 28 commands of kvr-auditreport's query form, as installed on Debian 12.
inline const std::vector<Command> &commands()
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
            out.push_back(
                {entry.name, file, use->exe ? use->exe : file, use->privileged, use->argSets});
        }
        return out;
    }();
    return list;
}

// Everyday programs that are none of the 28.
inline const std::vector<Command> &otherCommands()
{
    static const std::vector<Command> list = {
        {"ls", "/usr/bin/ls", "/usr/bin/ls", false, {"-la", "/srv/share", "--color=auto"}},
        {"cat", "/usr/bin/cat", "/usr/bin/cat", false, {"/etc/os-release", "notes.txt"}},
        {"bash", "/usr/bin/bash", "/usr/bin/bash", false, {"", "deploy.sh"}},
        {"grep",
         "/usr/bin/grep",
         "/usr/bin/grep",
         false,
         {"-r TODO src", "-i error /var/log/syslog"}},
        {"vim", "/usr/bin/vim.basic", "/usr/bin/vim.basic", false, {"notes.txt", "/etc/hosts"}},
        {"ps", "/usr/bin/ps", "/usr/bin/ps", false, {"aux", "-ef"}},
        {"tar",
         "/usr/bin/tar",
         "/usr/bin/tar",
         false,
         {"czf backup.tgz projects", "xf release.tar"}},
        {"git",
         "/usr/bin/git",
         "/usr/bin/git",
         false,
         {"pull", "status", "commit -m \"weekly report\""}},
        {"python3",
         "/usr/bin/python3.11",
         "/usr/bin/python3.11",
         false,
         {"manage.py migrate", "-c \"print('héllo')\""}},
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

constexpr unsigned kUnset = 4294967295u;

inline std::string hex(const std::string &s)
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
inline std::string untrusted(const std::string &s)
{
    for (unsigned char c : s)
        if (c <= 0x20 || c >= 0x7f || c == '"')
            return hex(s);
    return "\"" + s + "\"";
}

inline std::vector<std::string> splitWords(const std::string &text)
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
inline std::string canonical(const std::string &name, const std::string &cwd)
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

class Trail
{
public:
    Trail(std::FILE *out, bool enriched, uint64_t seed) : out_(out), enriched_(enriched), rng_(seed)
    {
    }

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

inline std::string nameOf(unsigned uid, const std::vector<Account> &accounts)
{
    if (uid == kUnset)
        return "unset";
    for (const auto &a : accounts)
        if (a.uid == uid)
            return a.name;
    return std::to_string(uid);
}

} // namespace kvrgen
