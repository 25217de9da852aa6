#pragma once

#include "pipeline/EncoderProcess.h"
#include "pipeline/ProgressText.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>

class QSocketNotifier;

// One run of the encoder program: started, its output read in the handler of a notifier
// on its pipe, whichever event loop turns (a dialog's too), its end collected and told.
// Several runs can go on side by side; each tells its own position and keeps its own
// last words.
class EncoderRun : public QObject {
    Q_OBJECT
public:
    EncoderRun();
    ~EncoderRun() override;

    // False when the program cannot be started. environmentSettings: as EncoderProcess takes them.
    bool start(const QString& program, const QStringList& arguments, const QByteArrayList& environmentSettings = {});
    // True once it has ended and its exit has been collected.
    bool hasEnded() const { return m_exitCode >= 0; }

    // Asks the run to end; it is killed when it has not ended after a grace period.
    void stop();
    // Kills the run and collects it at once; its end is told before this returns.
    void endNow();

    int exitCode() const { return m_exitCode; }
    // The encoder's exit code for inputs that cannot be joined as they are (nothing written).
    static constexpr int NotJoinableExitCode = 3;
    // Why it did not make expectedFile, in words for the user; empty when it exited 0 and
    // wrote a file there that is not empty.
    QString failure(const QString& expectedFile) const;
    // The rest of the first line of its last words that starts with prefix; empty when none does.
    QString toldAfter(const QString& prefix) const;
    // Why it failed: a signal that ended it, else its last line that is no progress line.
    QString lastErrorLine() const;
    // The lines it wrote that are no progress lines, in order: what it tells the user
    // (values it changed, a file that ends early, why a join encodes again).
    const QStringList& notes() const { return m_notes; }

signals:
    // The position that a progress line told, in seconds.
    void positionSeen(double seconds);
    // The step that a line "Step: reading" (encoding, checking) told: what the run does
    // while its position stands still.
    void stepSeen(const QString& step);
    // Output as it was read.
    void outputSeen(const QByteArray& chunk);
    // Its exit was collected; told once. The run is still in use by its emitter here: a
    // receiver deletes it later, never in this signal.
    void ended();

private:
    // The notifier's handler: what the pipe holds now.
    void readOutput();
    // After the output closed, or during a stop: the exit collected, a stop enforced.
    void lookForExit();
    void keepNotes(const QByteArray& chunk);

    std::unique_ptr<EncoderProcess> m_process = std::make_unique<EncoderProcess>();
    ProgressReader m_reader;
    std::unique_ptr<QSocketNotifier> m_readable;
    QTimer m_look;
    QByteArray m_tail;
    QByteArray m_partialLine;
    QStringList m_notes;
    QElapsedTimer m_sinceClosed;
    bool m_closed = false;
    int m_exitCode = -1;
    int m_exitSignal = 0;
};
