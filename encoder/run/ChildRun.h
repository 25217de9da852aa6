#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// One helper run: its argument vector, the files it gets as fds 3, 4, ..., and
// where its two output streams go.
struct ChildCommand {
    std::vector<std::string> argv;
    std::vector<int> extraFds;
    std::function<void(std::string_view)> onStdout;
    std::function<void(std::string_view)> onStderr;
};

struct ChildrenRunResult {
    std::vector<int> statuses; // raw waitpid status of each helper, in order
    int stopSignal = 0;        // non-zero when a stop signal ended the run
};

// Runs helpers side by side to their ends, draining all their streams at all times so
// that a flood of messages can never stall one. onTick is called at least every tick
// interval. When one helper fails the others are killed, as their work is of no use.
// A stop signal is passed on to every helper; any still running after a short grace
// is killed. Throws JobError (exit code 127) when a program is missing, and JobError
// after killing every helper when their output can no longer be watched.
ChildrenRunResult RunChildren(const std::vector<ChildCommand>& children, const std::function<void()>& onTick);

struct ChildRunHandlers {
    std::function<void(std::string_view)> onStdout;
    std::function<void(std::string_view)> onStderr;
    std::function<void()> onTick;
};

struct ChildRunResult {
    int status = 0;     // raw waitpid status
    int stopSignal = 0; // non-zero when a stop signal ended the run
};

// RunChildren for a single helper.
ChildRunResult RunChild(const std::vector<std::string>& argv, const ChildRunHandlers& handlers,
                        const std::vector<int>& extraFds = {});

// The helper's exit code, or -1 when it died from a signal.
int ExitCodeOf(int status);
