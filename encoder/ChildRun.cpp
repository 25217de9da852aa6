#include "ChildRun.h"

#include "ChildProcess.h"
#include "StopSignals.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kTick = std::chrono::milliseconds(60);
constexpr auto kStopGrace = std::chrono::seconds(2);

int MillisecondsUntil(Clock::time_point when)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(when - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

// Reads what is there; false once the stream has closed.
bool Drain(int fd, const std::function<void(std::string_view)>& sink)
{
    char buffer[65536];
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got > 0) {
        if (sink)
            sink(std::string_view(buffer, static_cast<std::size_t>(got)));
        return true;
    }
    return got < 0 && (errno == EINTR || errno == EAGAIN);
}

} // namespace

ChildRunResult RunChild(const std::vector<std::string>& argv, const ChildRunHandlers& handlers, int extraFd)
{
    ChildProcess child(argv, extraFd);
    ChildRunResult result;
    bool outOpen = true;
    bool errOpen = true;
    Clock::time_point nextTick = Clock::now() + kTick;
    Clock::time_point killAt = Clock::time_point::max();

    while (outOpen || errOpen) {
        if (StopSignal() != 0 && result.stopSignal == 0) {
            result.stopSignal = StopSignal();
            kill(child.pid(), result.stopSignal);
            killAt = Clock::now() + kStopGrace;
        }
        if (Clock::now() >= killAt) {
            kill(child.pid(), SIGKILL);
            killAt = Clock::time_point::max();
        }
        pollfd fds[3] = {{child.stdoutFd(), POLLIN, 0}, {child.stderrFd(), POLLIN, 0},
                         {result.stopSignal == 0 ? StopFd() : -1, POLLIN, 0}};
        int wait = MillisecondsUntil(nextTick);
        if (killAt != Clock::time_point::max())
            wait = std::min(wait, MillisecondsUntil(killAt));
        const int ready = poll(fds, 3, wait);
        if (ready < 0 && errno != EINTR)
            break;
        if (fds[0].revents && !Drain(child.stdoutFd(), handlers.onStdout)) {
            child.CloseStdout();
            outOpen = false;
        }
        if (fds[1].revents && !Drain(child.stderrFd(), handlers.onStderr)) {
            child.CloseStderr();
            errOpen = false;
        }
        if (Clock::now() >= nextTick) {
            if (handlers.onTick)
                handlers.onTick();
            nextTick = Clock::now() + kTick;
        }
    }
    result.status = child.Wait();
    return result;
}

int ExitCodeOf(int status)
{
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
