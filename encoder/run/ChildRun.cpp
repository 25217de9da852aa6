#include "ChildRun.h"

#include "ChildProcess.h"
#include "JobError.h"
#include "StopSignals.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <memory>
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

struct Running {
    std::unique_ptr<ChildProcess> process;
    bool outOpen = true;
    bool errOpen = true;
    bool ended = false;
};

} // namespace

ChildrenRunResult RunChildren(const std::vector<ChildCommand>& children, const std::function<void()>& onTick)
{
    std::vector<Running> running(children.size());
    for (std::size_t i = 0; i < children.size(); ++i)
        running[i].process = std::make_unique<ChildProcess>(children[i].argv, children[i].extraFds);

    ChildrenRunResult result;
    result.statuses.assign(children.size(), 0);
    const auto signalAll = [&](int signal) {
        for (Running& child : running)
            if (!child.ended)
                kill(child.process->pid(), signal);
    };
    Clock::time_point nextTick = Clock::now() + kTick;
    Clock::time_point killAt = Clock::time_point::max();
    bool failed = false;
    std::size_t left = running.size();
    std::vector<pollfd> fds(2 * running.size() + 1);

    while (left > 0) {
        if (StopSignal() != 0 && result.stopSignal == 0) {
            result.stopSignal = StopSignal();
            signalAll(result.stopSignal);
            killAt = Clock::now() + kStopGrace;
        }
        if (Clock::now() >= killAt) {
            signalAll(SIGKILL);
            killAt = Clock::time_point::max();
        }
        for (std::size_t i = 0; i < running.size(); ++i) {
            fds[2 * i] = {running[i].process->stdoutFd(), POLLIN, 0};
            fds[2 * i + 1] = {running[i].process->stderrFd(), POLLIN, 0};
        }
        fds.back() = {result.stopSignal == 0 ? StopFd() : -1, POLLIN, 0};
        int wait = MillisecondsUntil(nextTick);
        if (killAt != Clock::time_point::max())
            wait = std::min(wait, MillisecondsUntil(killAt));
        // Should poll fail, the helpers are killed (as each ChildProcess goes) rather than
        // waited for: nobody would drain their pipes any more.
        if (poll(fds.data(), fds.size(), wait) < 0 && errno != EINTR)
            throw JobError(std::string("Cannot follow the helper programs: ") + std::strerror(errno));
        for (std::size_t i = 0; i < running.size(); ++i) {
            Running& child = running[i];
            if (fds[2 * i].revents && !Drain(child.process->stdoutFd(), children[i].onStdout)) {
                child.process->CloseStdout();
                child.outOpen = false;
            }
            if (fds[2 * i + 1].revents && !Drain(child.process->stderrFd(), children[i].onStderr)) {
                child.process->CloseStderr();
                child.errOpen = false;
            }
            if (!child.ended && !child.outOpen && !child.errOpen) {
                result.statuses[i] = child.process->Wait();
                child.ended = true;
                --left;
                if (ExitCodeOf(result.statuses[i]) != 0 && !failed) {
                    failed = true;
                    signalAll(SIGKILL);
                }
            }
        }
        if (Clock::now() >= nextTick) {
            if (onTick)
                onTick();
            nextTick = Clock::now() + kTick;
        }
    }
    return result;
}

ChildRunResult RunChild(const std::vector<std::string>& argv, const ChildRunHandlers& handlers,
                        const std::vector<int>& extraFds)
{
    const ChildrenRunResult run = RunChildren({{argv, extraFds, handlers.onStdout, handlers.onStderr}},
                                              handlers.onTick);
    return {run.statuses.front(), run.stopSignal};
}

int ExitCodeOf(int status)
{
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
