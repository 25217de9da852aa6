#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// A helper program (ffmpeg, ffprobe) started as an argument vector, never through a
// shell. It stays in our process group, reads /dev/null, and is killed by the kernel
// if this program dies first.
class ChildProcess {
public:
    // Starts argv[0] from PATH. extraFds are given to the child as fds 3, 4, ... in order.
    // Throws JobError with exit code 127 when the program is not installed.
    ChildProcess(const std::vector<std::string>& argv, const std::vector<int>& extraFds = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    int stdoutFd() const { return out_; }
    int stderrFd() const { return err_; }
    void CloseStdout();
    void CloseStderr();

    // Waits for the child's end; gives the raw waitpid status.
    int Wait();

private:
    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    bool waited_ = false;
};
