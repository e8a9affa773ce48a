// Writes the query road's diagnostic lines where trace::setTarget() says.
#include "audit/trace.h"

#include <atomic>
#include <cstdio>

namespace trace {

namespace {
std::atomic<Target> current{Target::StandardOutput};

void write(const QByteArray &bytes, bool newline)
{
    const Target to = current.load();
    if (to == Target::Off)
        return;
    FILE *stream = to == Target::StandardOutput ? stdout : stderr;
    // One locked write per line, so that lines of two threads never mix.
    ::flockfile(stream);
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    if (newline)
        std::fputc('\n', stream);
    std::fflush(stream);
    ::funlockfile(stream);
}
} // namespace

void setTarget(Target target)
{
    current.store(target);
}

Target target()
{
    return current.load();
}

void raw(const QByteArray &bytes)
{
    write(bytes, false);
}

void line(const QByteArray &bytes)
{
    write(bytes, true);
}

} // namespace trace
