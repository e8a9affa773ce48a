#pragma once
// An environment variable changed for one test and put back afterwards, also
// when a failed check leaves the test early.

#include <QByteArray>

#include <optional>

namespace testsupport {

class ScopedEnv
{
public:
    // Keeps `name`'s value, or that it was not set, to put back at the end of
    // the scope; sets it to `value` when one is given.
    explicit ScopedEnv(const char *variable, const std::optional<QByteArray> &value = std::nullopt)
        : name(variable), wasSet(qEnvironmentVariableIsSet(variable)), old(qgetenv(variable))
    {
        if (value)
            qputenv(variable, *value);
    }
    ~ScopedEnv()
    {
        if (wasSet)
            qputenv(name, old);
        else
            qunsetenv(name);
    }
    ScopedEnv(const ScopedEnv &) = delete;
    ScopedEnv &operator=(const ScopedEnv &) = delete;

private:
    const char *name;
    bool wasSet;
    QByteArray old;
};

} // namespace testsupport
