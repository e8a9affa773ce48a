#pragma once
// Reports how far the audit tools have read their trail, as ASCII lines
// "READ TOTAL\n" on the descriptor named by KVR_AUDITREPORT_PROGRESS_FD
// (READ: bytes of the trail's files consumed so far, never more than TOTAL;
// TOTAL: the sum of their sizes when the trail was opened): one line when
// the trail is opened (READ 0), then at most one every 50 ms while READ
// grows, and a last one when reading ends. Reporting never fails, blocks or
// stops the tool: the descriptor is made non-blocking, a line that cannot
// be written is dropped (EAGAIN), and a reader that has gone (EPIPE, EBADF)
// ends the reporting without a SIGPIPE reaching the tool.

#include <cstdint>

namespace kvrtools {

class ProgressReporter
{
public:
    // The descriptor that KVR_AUDITREPORT_PROGRESS_FD names, -1 when the
    // variable is unset, empty, not a decimal number, names standard input,
    // output or error, or a descriptor that is not open for writing.
    static int descriptorFromEnvironment();

    // Starts reporting to `fd` (-1: report nothing) with "0 TOTAL".
    void start(int fd, uint64_t total);
    // Bytes read so far; written when 50 ms have passed since the last line.
    void update(uint64_t read)
    {
        if (fd_ >= 0 && read != last_)
            updateSlow(read);
    }
    // The last line.
    void finish(uint64_t read);
    bool active() const { return fd_ >= 0; }

private:
    void updateSlow(uint64_t read);
    void write(uint64_t read);

    int fd_ = -1;
    uint64_t total_ = 0, last_ = 0;
    int64_t lastNs_ = 0;
};

} // namespace kvrtools
