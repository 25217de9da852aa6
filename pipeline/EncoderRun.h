#pragma once

#include "pipeline/EncoderProcess.h"
#include "pipeline/ProgressText.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QSocketNotifier;

// One run of the encoder program: started, its output read as it comes while the event
// loop goes on, its end collected. Several runs can go on side by side; each tells its
// own position and keeps its own last words.
class EncoderRun {
public:
    using PositionSeen = std::function<void(double seconds)>;
    using OutputSeen = std::function<void(const QByteArray& chunk)>;

    EncoderRun(PositionSeen onPosition, OutputSeen onOutput);
    ~EncoderRun();
    EncoderRun(const EncoderRun&) = delete;
    EncoderRun& operator=(const EncoderRun&) = delete;

    // False when the program cannot be started. environmentSettings: as EncoderProcess takes them.
    bool start(const QString& program, const QStringList& arguments, const QByteArrayList& environmentSettings = {});
    // Reads what the encoder has written and looks for its end, without waiting; true once
    // it has ended and its exit has been collected.
    bool poll();
    // True while its output has closed but its exit has not been collected: it is about to end.
    bool ending() const { return m_closed && m_exitCode < 0; }

    // Asks the run to end; it is killed when it has not ended after a grace period.
    void stop();

    int exitCode() const { return m_exitCode; }
    // The encoder's exit code for inputs that cannot be joined as they are (nothing written).
    static constexpr int NotJoinableExitCode = 3;
    // True when it exited 0 and wrote a file that is not empty at expectedFile.
    bool succeeded(const QString& expectedFile) const;
    // The rest of the first line of its last words that starts with prefix; empty when none does.
    QString toldAfter(const QString& prefix) const;
    // Why it failed: a signal that ended it, else its last line that is no progress line.
    QString lastErrorLine() const;
    // The lines it wrote that are no progress lines, in order: what it tells the user
    // (values it changed, a file that ends early, why a join encodes again).
    const QStringList& notes() const { return m_notes; }

private:
    void keepNotes(const QByteArray& chunk);

    EncoderProcess m_process;
    PositionSeen m_onPosition;
    OutputSeen m_onOutput;
    ProgressReader m_reader;
    std::unique_ptr<QSocketNotifier> m_readable;
    QByteArray m_tail;
    QByteArray m_partialLine;
    QStringList m_notes;
    QElapsedTimer m_sinceClosed;
    bool m_closed = false;
    int m_exitCode = -1;
    int m_exitSignal = 0;
};

// One turn of the event loop while runs go on: it waits for output or any other event, at
// most a short while, so the window answers, Stop and the clock run, and nothing spins
// while the encoders are silent. soon: a run is ending, and its end is looked for often.
void WaitForEncoderOutput(bool soon);
