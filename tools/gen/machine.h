#pragma once
// The simulated machine of kvr-gen-trail: its accounts and what they do,
// each activity written as the audit records a real Debian 12 system writes
// for it (program runs with their exec events, sudo and its USER_CMD from
// sudo's own process, the shadow utilities' records from theirs, logins,
// intruders, services, daemon starts).

#include "trailwriter.h"

namespace kvrgen {

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
            const std::string &a =
                i == 0 ? std::string(typed[0] == '.' ? typed : cmd.name) : argv[i];
            ev += " a" + std::to_string(i) + "=" + untrusted(a);
        }
        trail.record("EXECVE", ev);
        trail.record("CWD", "cwd=" + untrusted(cwd));
        char path[320];
        std::snprintf(path, sizeof path,
                      " inode=%u dev=fe:01 mode=0100755 ouid=0 ogid=0 rdev=00:00 nametype=NORMAL "
                      "cap_fp=0 cap_fi=0 cap_fe=0 cap_fver=0 cap_frootid=0",
                      1300000 + r.below(90000));
        trail.record("PATH", "item=0 name=" + untrusted(typed) + path,
                     "OUID=\"root\" OGID=\"root\"");
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
        // The record each shadow utility writes, up to its acct= field.
        struct AccountRecord {
            const char *command, *type, *op;
        };
        static const AccountRecord kAccountRecords[] = {
            {"useradd", "ADD_USER", "op=add-user"},
            {"userdel", "DEL_USER", "op=delete-user"},
            {"groupadd", "ADD_GROUP", "op=add-group"},
            {"groupdel", "DEL_GROUP", "op=delete-group"},
            {"gpasswd", "GRP_MGMT", "op=add-user-to-group"},
            {"passwd", "USER_CHAUTHTOK", "op=PAM:chauthtok grantors=pam_pwquality,pam_unix"},
        };
        for (const AccountRecord &w : kAccountRecords) {
            if (name != w.command)
                continue;
            const std::string group = name == "gpasswd" ? " grp=\"" + target + "\"" : "";
            userRecord(w.type, pid, 0, a.uid, a.session,
                       w.op + group + " acct=\"" + target + "\" exe=\"" + cmd.file + "\"" + tail,
                       cmd.exe);
            return;
        }
        if (name == "su") {
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
        trail.record("LOGIN", body, "UID=\"root\" OLD-AUID=\"unset\" AUID=\"" + a.name + "\"");
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
        userRecord(trail.rng().chance(50) ? "SERVICE_START" : "SERVICE_STOP", pid, 0, kUnset,
                   kUnset,
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

} // namespace kvrgen
