// kvr-bench-measure: runs one command with standard input from /dev/null and
// standard output into a file, and prints "WALL_SECONDS PEAK_RSS_KB EXIT
// CPU_SECONDS" (the exit status, or 128+signal; CPU is user plus system
// time, the fairer figure on a loaded machine). Needs nothing beyond the C library, so the
// benchmark works on a fresh system without /usr/bin/time.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>

int main(int argc, char **argv)
{
    if (argc < 4 || std::strcmp(argv[2], "--") != 0) {
        std::fprintf(stderr, "usage: kvr-bench-measure OUTFILE -- COMMAND [ARG...]\n");
        return 2;
    }
    timespec t0, t1;
    clock_gettime(CLOCK_MONOTONIC, &t0);
    pid_t pid = fork();
    if (pid < 0) {
        std::perror("fork");
        return 2;
    }
    if (pid == 0) {
        int in = open("/dev/null", O_RDONLY);
        int out = open(argv[1], O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0) {
            std::perror("kvr-bench-measure");
            _exit(127);
        }
        execvp(argv[3], argv + 3);
        std::perror(argv[3]);
        _exit(127);
    }
    int status = 0;
    rusage ru{};
    if (wait4(pid, &status, 0, &ru) < 0) {
        std::perror("wait4");
        return 2;
    }
    clock_gettime(CLOCK_MONOTONIC, &t1);
    double wall = double(t1.tv_sec - t0.tv_sec) + double(t1.tv_nsec - t0.tv_nsec) / 1e9;
    int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    const double cpu = double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec)
        + double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
    std::printf("%.3f %ld %d %.3f\n", wall, ru.ru_maxrss, code, cpu);
    return 0;
}
