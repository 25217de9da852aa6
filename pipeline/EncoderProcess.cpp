#include "pipeline/EncoderProcess.h"

#include "core/NameBytes.h"

#include <algorithm>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

// waitpid, again where a signal cut it short.
pid_t WaitFor(pid_t pid, int& status, int options)
{
    pid_t done;
    do
        done = waitpid(pid, &status, options);
    while (done < 0 && errno == EINTR);
    return done;
}

}

EncoderProcess::~EncoderProcess()
{
    if (m_pid > 0) {
        kill(-m_pid, SIGKILL);
        int status = 0;
        WaitFor(m_pid, status, 0);
    }
    closeOutput();
}

bool EncoderProcess::LaunchEncoder(const QString& program, const QStringList& arguments,
                                   const QByteArrayList& environmentSettings)
{
    CollectExit();
    closeOutput();
    m_stopping = false;
    m_waitError.clear();

    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // A group of its own, so that a stop reaches ffmpeg under the encoder too.
    posix_spawnattr_setpgroup(&attributes, 0);
    // The encoder starts as from a fresh shell: nothing blocked, and no signal ignored or
    // caught as this program does it (an ignored one would stay ignored across exec).
    sigset_t defaults;
    sigfillset(&defaults);
    sigdelset(&defaults, SIGKILL);
    sigdelset(&defaults, SIGSTOP);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    // Names reach the encoder as the bytes the file system holds.
    const QByteArray path = NameBytes(program);
    std::vector<QByteArray> texts{path};
    for (const QString& argument : arguments)
        texts.push_back(NameBytes(argument));
    std::vector<char*> argv;
    for (QByteArray& text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);

    // The encoder ends its run when this program dies, even by SIGKILL: nobody would
    // wait for the output nor stop its ffmpeg.
    QByteArrayList settings = environmentSettings;
    settings << "VELMO_WATCHED_PARENT=" + QByteArray::number(getpid());
    std::vector<char*> environment;
    for (char** entry = environ; *entry; ++entry) {
        const QByteArray text(*entry);
        const QByteArray name = text.left(text.indexOf('=') + 1);
        if (std::none_of(settings.begin(), settings.end(), [&](const QByteArray& set) { return set.startsWith(name); }))
            environment.push_back(*entry);
    }
    for (QByteArray& setting : settings)
        environment.push_back(setting.data());
    environment.push_back(nullptr);

    pid_t pid = -1;
    const int failed = posix_spawn(&pid, path.constData(), &actions, &attributes, argv.data(), environment.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(fds[1]);
    if (failed != 0) {
        close(fds[0]);
        return false;
    }
    m_pid = pid;
    m_output = fds[0];
    fcntl(m_output, F_SETFL, fcntl(m_output, F_GETFL) | O_NONBLOCK);
    return true;
}

EncoderProcess::Read EncoderProcess::ReadChunk(QByteArray& chunk)
{
    chunk.clear();
    if (m_output < 0)
        return Read::Closed;
    char buffer[ChunkSize];
    for (;;) {
        const ssize_t count = read(m_output, buffer, sizeof buffer);
        if (count > 0) {
            chunk = QByteArray(buffer, static_cast<qsizetype>(count));
            return Read::Chunk;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return Read::Nothing;
        closeOutput();
        return Read::Closed;
    }
}

void EncoderProcess::StopEncoder()
{
    if (m_pid <= 0 || CollectExit() >= 0)
        return;
    kill(-m_pid, SIGTERM);
    if (!m_stopping) {
        m_stopping = true;
        m_sinceStop.start();
    }
}

void EncoderProcess::EnforceStop()
{
    if (m_stopping && m_pid > 0 && m_sinceStop.elapsed() >= StopGraceMs)
        kill(-m_pid, SIGKILL);
}

int EncoderProcess::CollectExit()
{
    static constexpr int Running = -1;
    if (m_pid <= 0)
        return m_lastExit;
    int status = 0;
    const pid_t done = WaitFor(m_pid, status, WNOHANG);
    if (done == 0)
        return Running;
    if (done < 0) {
        // The run's end cannot be known (someone else collected it, or it was never ours):
        // it is a failure with that reason, never a success. Its group is ended all the same.
        m_waitError = "The encoder's end cannot be collected: " + QString::fromLocal8Bit(strerror(errno)) + ".";
        kill(-m_pid, SIGKILL);
        m_pid = -1;
        m_lastSignal = 0;
        m_lastExit = WaitFailedExit;
        return m_lastExit;
    }
    m_pid = -1;
    m_lastSignal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    m_lastExit = WIFEXITED(status) ? WEXITSTATUS(status) : WIFSIGNALED(status) ? 128 + WTERMSIG(status) : 1;
    return m_lastExit;
}

void EncoderProcess::closeOutput()
{
    if (m_output >= 0) {
        close(m_output);
        m_output = -1;
    }
}
