#include "ui/TerminationSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kCaught[] = {SIGTERM, SIGHUP, SIGINT};

// The one thing a signal handler can reach: where it writes.
volatile sig_atomic_t g_writeEnd = -1;

void NoteSignal(int signal)
{
    // The interrupted code may be about to read errno.
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = write(g_writeEnd, &number, 1);
    errno = saved;
}

}

TerminationSignals::TerminationSignals(QObject* parent)
    : QObject(parent)
{
    // Neither the encoder nor anything else started inherits the pipe, and a full pipe
    // never blocks the handler (the signals it holds already say enough).
    if (pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    g_writeEnd = m_pipe[1];
    m_readable = std::make_unique<QSocketNotifier>(m_pipe[0], QSocketNotifier::Read);
    connect(m_readable.get(), &QSocketNotifier::activated, this, &TerminationSignals::readPipe);
    struct sigaction action {};
    action.sa_handler = NoteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kCaught)
        sigaction(signal, &action, nullptr);
}

TerminationSignals::~TerminationSignals()
{
    if (m_pipe[0] < 0)
        return;
    for (const int signal : kCaught)
        std::signal(signal, SIG_DFL);
    g_writeEnd = -1;
    m_readable.reset();
    close(m_pipe[0]);
    close(m_pipe[1]);
}

void TerminationSignals::readPipe()
{
    unsigned char numbers[16];
    ssize_t count;
    while ((count = read(m_pipe[0], numbers, sizeof numbers)) > 0 || (count < 0 && errno == EINTR)) {
        for (ssize_t i = 0; i < count; ++i)
            emit arrived(numbers[i]);
    }
}
