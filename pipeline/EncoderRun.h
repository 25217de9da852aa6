#pragma once

#include "pipeline/EncoderProcess.h"
#include "protocol/EncoderLines.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>
#include <optional>

class QSocketNotifier;

// What a run told in its tagged lines (protocol/EncoderLines.h), read as they came.
struct EncoderTold {
    // Words of one input, by its place among the run's inputs (from 0).
    struct OfInput {
        qsizetype input;
        QString words;
    };
    QString renamedTo;        // the output's path where the run took a free name for it
    QList<OfInput> differing; // the inputs a copy join cannot take as they are
    QString cannotMatch;      // why those cannot be encoded to match the first; empty when they can
    QList<OfInput> notes;
};

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
    // Why it did not make expectedFile, in words for the user; empty when it exited 0 and
    // wrote a file there that is not empty.
    QString failure(const QString& expectedFile) const;
    // Why it failed: a signal that ended it, else its last line that is no progress line.
    QString lastErrorLine() const;
    // The sentences it wrote for people, in order: what it tells the user (values it
    // changed, a file that ends early, why a join encodes again). Shown, never read.
    const QStringList& notes() const { return m_notes; }
    const EncoderTold& told() const { return m_told; }

signals:
    // The position that a progress line told, in seconds.
    void positionSeen(double seconds);
    // The step the run told: what it does while its position stands still. from and to:
    // an encoding run's first input's picture and its output's, where it told them.
    void stepSeen(encoderlines::Step step, encoderlines::Picture from, encoderlines::Picture to);
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
    // Each whole line: a tagged one is taken in, a sentence kept as a note.
    void readLines(const QByteArray& chunk);
    void take(const encoderlines::Line& line);

    std::unique_ptr<EncoderProcess> m_process = std::make_unique<EncoderProcess>();
    std::unique_ptr<QSocketNotifier> m_readable;
    QTimer m_look;
    QByteArray m_tail;
    QByteArray m_partialLine;
    QStringList m_notes;
    EncoderTold m_told;
    QByteArray m_token; // of the tagged lines of this run
    std::optional<double> m_position; // told in the chunk being read
    QElapsedTimer m_sinceClosed;
    bool m_closed = false;
    int m_exitCode = -1;
    int m_exitSignal = 0;
};
