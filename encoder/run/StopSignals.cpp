#include "StopSignals.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

volatile sig_atomic_t g_signal = 0;
int g_pipe[2] = {-1, -1};

void OnStop(int signal)
{
    // The interrupted code may be about to read errno.
    const int saved = errno;
    if (g_signal == 0)
        g_signal = signal;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(g_pipe[1], &byte, 1);
    errno = saved;
}

const int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

} // namespace

void InstallStopHandlers()
{
    if (pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    struct sigaction action {};
    action.sa_handler = OnStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kStopSignals)
        sigaction(signal, &action, nullptr);
    // A caller that stops reading our progress must not kill us before we clean up.
    std::signal(SIGPIPE, SIG_IGN);
}

void StopForLostCaller()
{
    OnStop(SIGPIPE);
}

int StopFd()
{
    return g_pipe[0];
}

int StopSignal()
{
    return g_signal;
}

void ResetSignalsInChild()
{
    for (const int signal : kStopSignals)
        std::signal(signal, SIG_DFL);
    std::signal(SIGPIPE, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
}
