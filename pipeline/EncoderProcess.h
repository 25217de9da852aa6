#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <sys/types.h>

// One run of the encoder program: started in a process group of its own with its
// standard output and error in one pipe, read in chunks of at most 4095 bytes.
// Stopping asks the whole group to end and kills what is left after a grace period,
// so the encoder can remove its unfinished output.
class EncoderProcess {
public:
    static constexpr int ChunkSize = 4095;
    static constexpr int StopGraceMs = 3000;
    // The exit code of a run whose end could not be collected.
    static constexpr int WaitFailedExit = 255;

    EncoderProcess() = default;
    EncoderProcess(const EncoderProcess&) = delete;
    EncoderProcess& operator=(const EncoderProcess&) = delete;
    // Leaves no encoder behind.
    ~EncoderProcess();

    // False when the program cannot be started. Each "NAME=value" of environmentSettings
    // takes the place of an inherited NAME in the encoder's environment: the job's mark
    // (VELMO_JOB_MARK), by which it knows the files of the job's other runs, and the folder
    // for its own files (TMPDIR), the job's. The encoder is told to end with this program
    // (VELMO_WATCHED_PARENT): the launching thread must live as long as the program.
    bool LaunchEncoder(const QString& program, const QStringList& arguments,
                       const QByteArrayList& environmentSettings = {});

    // The read end of the output pipe, for waiting on it; -1 before a launch.
    int outputFd() const { return m_output; }

    enum class Read { Chunk, Nothing, Closed };
    // What the pipe holds now, without waiting: a chunk, nothing yet, or its end.
    Read ReadChunk(QByteArray& chunk);

    // Asks the run's process group to end; harmless when it has ended.
    void StopEncoder();
    // Kills the group when a stop's grace period is over. Called while waiting.
    void EnforceStop();
    bool stopRequested() const { return m_stopping; }

    // The exit code once the process has ended and was collected, without waiting:
    // -1 while it runs, 128 + signal when a signal ended it.
    int CollectExit();
    // The signal that ended the last run, 0 when it exited by itself.
    int exitSignal() const { return m_lastSignal; }
    bool running() const { return m_pid > 0; }
    // Why the last run's end could not be collected; empty when it was.
    const QString& waitError() const { return m_waitError; }

private:
    void closeOutput();

    pid_t m_pid = -1;
    int m_lastExit = -1;
    int m_lastSignal = 0;
    int m_output = -1;
    bool m_stopping = false;
    QString m_waitError;
    QElapsedTimer m_sinceStop;
};
