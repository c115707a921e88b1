// selftime RESULT_FILE COMMAND [ARG...]: runs COMMAND and appends to RESULT_FILE one line
// "WALL_NS SELF_NS": its wall time, and the CPU time of the COMMAND process alone, without the
// processes it starts. The process is left a zombie until its own scheduler statistics are read,
// so the figure is complete and exact to the nanosecond; both tarnwick and the floor are single
// threaded, so the main thread's figure is the process's.
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <string>

namespace {

long long now_ns() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: selftime RESULT_FILE COMMAND [ARG...]\n");
        return 2;
    }
    long long start = now_ns();
    pid_t pid = fork();
    if (pid < 0) {
        std::perror("selftime: fork");
        return 2;
    }
    if (pid == 0) {
        execvp(argv[2], argv + 2);
        std::perror("selftime: exec");
        _exit(127);
    }
    siginfo_t info{};
    while (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) != 0) {
        if (errno != EINTR) {
            std::perror("selftime: waitid");
            return 2;
        }
    }
    long long wall = now_ns() - start;
    std::string path = "/proc/" + std::to_string(pid) + "/schedstat";
    long long self = -1;
    if (FILE* f = std::fopen(path.c_str(), "r")) {
        if (std::fscanf(f, "%lld", &self) != 1)
            self = -1;
        std::fclose(f);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (self < 0) {
        std::fprintf(stderr, "selftime: cannot read %s\n", path.c_str());
        return 2;
    }
    FILE* out = std::fopen(argv[1], "a");
    if (out == nullptr) {
        std::perror("selftime: result file");
        return 2;
    }
    std::fprintf(out, "%lld %lld\n", wall, self);
    std::fclose(out);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
