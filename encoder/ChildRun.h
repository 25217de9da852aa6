#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct ChildRunHandlers {
    std::function<void(std::string_view)> onStdout;
    std::function<void(std::string_view)> onStderr;
    // Called at least every tick interval while the child runs.
    std::function<void()> onTick;
};

struct ChildRunResult {
    int status = 0;         // raw waitpid status
    int stopSignal = 0;     // non-zero when a stop signal ended the run
};

// Runs a helper to its end, draining both of its streams at all times so that a
// flood of messages can never stall it. A stop signal is passed on to the child;
// if it has not ended after a short grace, it is killed.
// Throws JobError (exit code 127) when the program is missing.
ChildRunResult RunChild(const std::vector<std::string>& argv, const ChildRunHandlers& handlers,
                        int extraFd = -1);

// The helper's exit code, or -1 when it died from a signal.
int ExitCodeOf(int status);
