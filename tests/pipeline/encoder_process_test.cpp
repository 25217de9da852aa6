#include "pipeline/EncoderProcess.h"
#include "tests/support/Clips.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <fcntl.h>
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

TEST(EncoderProcess, TheEncoderEndsWhenItsJoinerIsKilled)
{
    // The encoder waits for ever on an input that is a named pipe never written; this test
    // takes in what is orphaned below it, so it sees everything below the joiner end.
    QTemporaryDir folder;
    const QByteArray fifo = QFile::encodeName(folder.filePath("never.avi"));
    ASSERT_EQ(mkfifo(fifo.constData(), 0600), 0);
    ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    const pid_t joiner = fork();
    ASSERT_GE(joiner, 0);
    if (joiner == 0) {
        EncoderProcess process;
        process.LaunchEncoder(ProgramFolder() + "asapi.dll", {fifo, "-o", folder.filePath("out.avi")});
        pause();
        _exit(0);
    }
    // Opening the pipe's other end waits until the encoder has opened it.
    const int writer = open(fifo.constData(), O_WRONLY);
    ASSERT_GE(writer, 0);
    kill(joiner, SIGKILL);
    // Everything ends, each collected here.
    int ended = 0;
    for (int tries = 0; tries < 3000; ++tries) {
        int status;
        const pid_t pid = waitpid(-1, &status, WNOHANG);
        if (pid < 0)
            break;
        ended += pid > 0;
        if (pid == 0)
            usleep(10000);
    }
    close(writer);
    prctl(PR_SET_CHILD_SUBREAPER, 0);
    EXPECT_GE(ended, 2) << "the joiner and the encoder";
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1) << "nothing runs on";
}
