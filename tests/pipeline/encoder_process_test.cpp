#include "pipeline/EncoderProcess.h"

#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>

namespace {

// Everything the run wrote, until its end.
QByteArray OutputOf(EncoderProcess& process)
{
    QByteArray all, chunk;
    for (EncoderProcess::Read read; (read = process.ReadChunk(chunk)) != EncoderProcess::Read::Closed;) {
        all += chunk;
        if (read == EncoderProcess::Read::Nothing)
            usleep(10000);
    }
    return all;
}

QByteArray StatusField(const QByteArray& status, const QByteArray& name)
{
    for (const QByteArray& line : status.split('\n'))
        if (line.startsWith(name + ":"))
            return line.mid(name.size() + 1).trimmed();
    return {};
}

}

TEST(EncoderProcess, TheEncoderStartsWithNothingBlockedOrIgnored)
{
    // What this program blocks or ignores is its own affair; an ignored signal would stay
    // ignored in the encoder across exec, a blocked one blocked.
    sigset_t blocked, before;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &blocked, &before);
    const auto ignored = std::signal(SIGUSR2, SIG_IGN);
    EncoderProcess process;
    const bool launched = process.LaunchEncoder("/bin/cat", {"/proc/self/status"});
    std::signal(SIGUSR2, ignored);
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    ASSERT_TRUE(launched);
    // The standard signals only: the C library's posix_spawn leaves its own two real-time
    // signals ignored.
    const QByteArray status = OutputOf(process);
    const auto standard = [&](const QByteArray& field) { return StatusField(status, field).toULongLong(nullptr, 16) & 0x7fffffff; };
    EXPECT_EQ(standard("SigBlk"), 0u);
    EXPECT_EQ(standard("SigIgn"), 0u);
}
