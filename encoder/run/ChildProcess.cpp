#include "ChildProcess.h"

#include "ExitCodes.h"
#include "JobError.h"
#include "StopSignals.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

void CloseFd(int& fd)
{
    if (fd >= 0)
        close(fd);
    fd = -1;
}

// Where the extra fds wait in the child while the standard streams are set up.
constexpr int kParkedFds = 100;
constexpr std::size_t kMaxExtraFds = 16;

// Runs in the forked child: only async-signal-safe calls until exec.
[[noreturn]] void BecomeChild(char* const* argv, int out, int err, const int* extraFds, int extraCount,
                              int errorPipe, pid_t parent)
{
    ResetSignalsInChild();
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    // The parent may have died before prctl took effect.
    if (getppid() != parent)
        _exit(1);
    const int devNull = open("/dev/null", O_RDONLY);
    // The extra fds are parked above every target first, as any of them may sit on fd 3, 4, ...
    bool ready = devNull >= 0;
    int parked[kMaxExtraFds];
    for (int i = 0; ready && i < extraCount; ++i)
        ready = (parked[i] = fcntl(extraFds[i], F_DUPFD_CLOEXEC, kParkedFds)) >= 0;
    ready = ready && dup2(devNull, 0) == 0 && dup2(out, 1) == 1 && dup2(err, 2) == 2;
    for (int i = 0; ready && i < extraCount; ++i)
        ready = dup2(parked[i], 3 + i) == 3 + i;
    if (ready)
        execvp(argv[0], argv);
    const int code = errno;
    [[maybe_unused]] const ssize_t written = write(errorPipe, &code, sizeof code);
    _exit(exitcode::ToolMissing);
}

} // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::vector<int>& extraFds)
{
    if (extraFds.size() > kMaxExtraFds)
        throw JobError("Too many files for one ffmpeg run");
    int outPipe[2] = {-1, -1}, errPipe[2] = {-1, -1}, execPipe[2] = {-1, -1};
    // Every pipe made so far is closed on the way out of a failure.
    const auto fail = [&](const std::string& what) {
        const int code = errno;
        for (int* fd : {&outPipe[0], &outPipe[1], &errPipe[0], &errPipe[1], &execPipe[0], &execPipe[1]})
            CloseFd(*fd);
        return JobError(what + ": " + std::strerror(code));
    };
    if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0 || pipe2(execPipe, O_CLOEXEC) != 0)
        throw fail("Cannot create a pipe");

    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ < 0)
        throw fail("Cannot start " + argv[0]);
    if (pid_ == 0)
        BecomeChild(args.data(), outPipe[1], errPipe[1], extraFds.data(), static_cast<int>(extraFds.size()),
                    execPipe[1], parent);

    close(outPipe[1]);
    close(errPipe[1]);
    close(execPipe[1]);
    out_ = outPipe[0];
    err_ = errPipe[0];

    int code = 0;
    ssize_t got;
    do
        got = read(execPipe[0], &code, sizeof code);
    while (got < 0 && errno == EINTR);
    close(execPipe[0]);
    if (got == static_cast<ssize_t>(sizeof code)) {
        Wait();
        CloseStdout();
        CloseStderr();
        if (code == ENOENT)
            throw JobError("The program " + argv[0] + " was not found; install the Debian package ffmpeg",
                           exitcode::ToolMissing);
        throw JobError("Cannot start " + argv[0] + ": " + std::strerror(code), exitcode::ToolMissing);
    }
}

ChildProcess::~ChildProcess()
{
    CloseStdout();
    CloseStderr();
    if (!waited_ && pid_ > 0) {
        kill(pid_, SIGKILL);
        Wait();
    }
}

void ChildProcess::CloseStdout()
{
    CloseFd(out_);
}

void ChildProcess::CloseStderr()
{
    CloseFd(err_);
}

int ChildProcess::Wait()
{
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    waited_ = true;
    return status;
}
