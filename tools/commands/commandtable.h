#pragma once
// The 28 system commands whose runs the report counts, in the order of the
// query form's event-type list, each with the program file the search asks
// for. The window's type list, its search command line, the trail generator,
// the audit rules file and the tests all read this one table.
//
// Plain C++ (no Qt) so that the audit tools and the window share it.

#include <cstddef>
#include <string_view>

namespace kvrcommands {

struct Command {
    const char *name; // the entry of the type list, never translated
    const char *path; // the program file given to `ausearch -f`
};

inline constexpr Command kCommands[] = {
    {"chgrp", "/bin/chgrp"},
    {"chown", "/bin/chown"},
    {"chmod", "/bin/chmod"},
    {"chattr", "/usr/bin/chattr"},
    {"su", "/bin/su"},
    {"sudo", "/usr/bin/sudo"},
    {"touch", "/bin/touch"},
    {"cp", "/bin/cp"},
    {"mv", "/bin/mv"},
    {"rm", "/bin/rm"},
    {"mkdir", "/bin/mkdir"},
    {"rmdir", "/bin/rmdir"},
    {"groupadd", "/usr/sbin/groupadd"},
    {"groupdel", "/usr/sbin/groupdel"},
    {"gpasswd", "/usr/bin/gpasswd"},
    {"useradd", "/usr/sbin/useradd"},
    {"userdel", "/usr/sbin/userdel"},
    {"passwd", "/usr/bin/passwd"},
    {"ifup", "/sbin/ifup"},
    {"ifdown", "/sbin/ifdown"},
    {"wget", "/usr/bin/wget"},
    {"apt-get", "/usr/bin/apt-get"},
    {"shutdown", "/sbin/shutdown"},
    {"reboot", "/sbin/reboot"},
    {"service", "/usr/sbin/service"},
    {"killall", "/usr/bin/killall"},
    {"nice", "/usr/bin/nice"},
    {"renice", "/usr/bin/renice"},
};

inline constexpr std::size_t kCommandCount = sizeof(kCommands) / sizeof(kCommands[0]);
static_assert(kCommandCount == 28, "the query form lists 28 commands");

// The entry named `name`, or nullptr.
inline const Command *findCommand(std::string_view name)
{
    for (const Command &command : kCommands) {
        if (name == command.name)
            return &command;
    }
    return nullptr;
}

} // namespace kvrcommands
