// kvr-gen-rules: writes the audit rules file that makes the kernel record every
// run of the 28 commands of the query form. One exec watch per program file of
// the command table, each preceded by a comment saying what it records and how
// often that program runs on an ordinary machine (what the rule costs in trail
// size). The watches of the programs that run thousands of times an hour on a
// busy machine are written commented out ("#-w ..."), ready to be enabled by
// removing the "#". The build runs it; the installation puts its output in
// /etc/audit/rules.d, which auditd loads (through augenrules) when it starts.
//
//   kvr-gen-rules OUTPUT      writes the rules file to OUTPUT (exit 1 on error)
#include "commandtable.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <string_view>

namespace {

// The key every rule carries, so that `auditctl -D -k kvr-auditreport`
// removes exactly these rules.
constexpr const char kKey[] = "kvr-auditreport";

struct RuleNote {
    const char *name;    // command of the table
    const char *records; // what a record of this rule says
    const char *cost;    // how often the program runs on an ordinary machine
    bool enabled = true; // false: written commented out, for its cost
};

// Every command of the table needs a note; the generator refuses to write a
// file with a rule nobody has priced. A rule whose program runs thousands of
// times an hour on a build machine or a busy server is shipped disabled: the
// administrator enables it knowing the cost.
constexpr RuleNote kNotes[] = {
    {"chgrp", "who changed the group of a file",
     "rare: by hand and in package scripts, a few runs a day"},
    {"chown", "who changed the owner of a file",
     "package and service scripts: tens of runs a day, more during upgrades"},
    {"chmod", "who changed the mode of a file",
     "package scripts, make install and libtool: tens a day, more while software is built"},
    {"chattr", "who changed the attributes of a file (immutable, append-only)", "rare: by hand"},
    {"su", "who switched user with su", "by hand and in a few system scripts: a few runs a day"},
    {"sudo", "who ran a command through sudo (allowed or refused)",
     "one event per run besides sudo's own records, which are written without any rule"},
    {"touch", "who created or touched a file with touch",
     "scripts, cron jobs and builds: hundreds a day on a build machine", false},
    {"cp", "who copied files",
     "very frequent: scripts, package installs, builds; thousands an hour on a build machine",
     false},
    {"mv", "who moved or renamed files", "frequent: scripts, package installs, builds", false},
    {"rm", "who removed files",
     "very frequent: scripts, cron jobs, builds; thousands an hour on a build machine", false},
    {"mkdir", "who created directories", "frequent: scripts, session start-up, builds", false},
    {"rmdir", "who removed directories", "occasional: package removals and scripts"},
    {"groupadd", "who created a group", "rare: account administration and package installs"},
    {"groupdel", "who deleted a group", "rare: account administration"},
    {"gpasswd", "who changed a group's members or password", "rare: account administration"},
    {"useradd", "who created an account (the program also writes ADD_USER/ADD_GROUP records)",
     "rare: account administration and package installs creating system users"},
    {"userdel", "who deleted an account (the program also writes DEL_USER/DEL_GROUP records)",
     "rare: account administration"},
    {"passwd", "who changed or inspected a password or its ageing", "rare: by hand"},
    {"ifup", "who brought a network interface up (ifupdown only)",
     "at boot and on network changes; never on machines managed by NetworkManager"},
    {"ifdown", "who took a network interface down (ifupdown only)",
     "at shutdown and on network changes"},
    {"wget", "who downloaded with wget", "by hand, scripts and cron jobs: a few runs a day"},
    {"apt-get", "who ran apt-get (the `apt` front end is a different program and is not recorded)",
     "by hand and scripts: a few runs a day"},
    {"shutdown", "who shut the machine down (or asked shutdown for anything else)",
     "see the systemctl rule below on systemd machines"},
    {"reboot", "who rebooted the machine (or asked reboot for anything else)",
     "see the systemctl rule below on systemd machines"},
    {"service", "who started, stopped or queried a service with service",
     "package scripts (invoke-rc.d) and by hand: a few runs a day"},
    {"killall", "who sent a signal to processes by name", "rare: by hand and a few scripts"},
    {"nice", "who started a program at another priority",
     "cron jobs and batch scripts: a few runs a day"},
    {"renice", "who changed the priority of running processes", "rare: by hand"},
};

const RuleNote *noteFor(std::string_view name)
{
    for (const RuleNote &note : kNotes) {
        if (name == note.name)
            return &note;
    }
    return nullptr;
}

constexpr const char kHeader[] =
    "## kvr-auditreport: records every run of the 28 commands that the audit\n"
    "## report's query form lists (generated from its command table).\n"
    "##\n"
    "## auditd loads every file of /etc/audit/rules.d when it starts (through\n"
    "## augenrules), so the active rules below record from its next start or the\n"
    "## next boot on; installing the package loads nothing by itself.\n"
    "## Load now: augenrules --load\n"
    "##         or, for this boot only:    auditctl -R kvr-auditreport.rules\n"
    "## Remove: delete the file, then      augenrules --load\n"
    "##         or, for this boot only:    auditctl -D -k kvr-auditreport\n"
    "##\n"
    "## The rules for cp, rm, mkdir, mv and touch are shipped commented out\n"
    "## (\"#-w ...\"): those programs run hundreds to thousands of times an hour on\n"
    "## machines that build software or run many scripts. To record one, remove the\n"
    "## \"#\" at the start of its line and run augenrules --load. Changes made here\n"
    "## are kept when the package is upgraded (this is a configuration file).\n"
    "##\n"
    "## Each rule is an exec watch (-w FILE -p x): the kernel writes one event\n"
    "## (SYSCALL, EXECVE, CWD, PATH, PROCTITLE; 0.7 to 1.7 kB, 1.4 kB on average)\n"
    "## each time a process executes FILE, whatever path the caller used\n"
    "## (/bin/chown, /usr/bin/chown, ./chown), for 64-bit and 32-bit callers\n"
    "## alike (a watch has no architecture).\n"
    "## A failed exec of a file that exists is recorded too; a name that does not\n"
    "## resolve is not. A watch on a program that is not installed is accepted and\n"
    "## starts recording once the program is installed, as long as its directory\n"
    "## exists. The cost of a rule is the number of runs of its program; delete\n"
    "## the line of a rule whose trail grows too fast.\n";

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fputs("usage: kvr-gen-rules OUTPUT\n", stderr);
        return 1;
    }
    std::string text = kHeader;
    std::set<std::string> watched;
    for (const kvrcommands::Command &command : kvrcommands::kCommands) {
        const RuleNote *note = noteFor(command.name);
        if (!note) {
            std::fprintf(stderr, "kvr-gen-rules: no note for the command %s\n", command.name);
            return 1;
        }
        if (!watched.insert(command.path).second)
            continue;
        text += "\n## ";
        text += command.name;
        text += ": ";
        text += note->records;
        text += ".\n## Cost: ";
        text += note->cost;
        text += ".\n";
        if (!note->enabled) {
            text += "## Commented out for its cost: remove the \"#\" below to record ";
            text += command.name;
            text += ".\n#";
        }
        text += "-w ";
        text += command.path;
        text += " -p x -k ";
        text += kKey;
        text += '\n';
    }
    // On systemd machines shutdown and reboot are symbolic links to systemctl.
    // Exec follows the link and the kernel records only the file it runs, so a
    // watch on the link never fires: watch systemctl itself. Its events name
    // the path the caller used (/sbin/shutdown, /usr/sbin/reboot), which is
    // what the search goes by.
    text += "\n## shutdown and reboot on systemd machines, where both are links to systemctl:\n"
            "## records every run of systemctl (the events name the path the caller used).\n"
            "## Cost: every systemctl run: package scripts and service management, tens a day,\n"
            "## hundreds during an upgrade. Delete this line where shutdown is no link.\n"
            "-w /bin/systemctl -p x -k ";
    text += kKey;
    text += '\n';

    std::FILE *out = std::fopen(argv[1], "w");
    if (!out) {
        std::fprintf(stderr, "kvr-gen-rules: cannot write %s: %s\n", argv[1], std::strerror(errno));
        return 1;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    if (std::fclose(out) != 0 || !written) {
        std::fprintf(stderr, "kvr-gen-rules: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
