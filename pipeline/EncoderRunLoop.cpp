// One encoder run: started, its output read while the event loop goes on, its end collected.
#include "pipeline/JobRunner.h"

#include "pipeline/ProgressText.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QTimer>

#include <cstring>

namespace {

constexpr qsizetype KeptOutput = 8192;
// An encoder that closed its output but lingers is asked to end after this long.
constexpr int LingerMs = 5000;
// The longest the loop sleeps between looks at a stop's grace period.
constexpr int WakeMs = 100;
// An encoder that has closed its output is about to exit: its end is looked for often,
// so that the next run starts at once (every run of a job waits here once).
constexpr int ExitWakeMs = 5;

}

bool JobRunner::runEncoder(const QStringList& arguments, const PositionSeen& onPosition)
{
    m_outputTail.clear();
    m_exitCode = -1;
    m_exitSignal = 0;
    if (!m_encoder.LaunchEncoder(m_settings.encoderPath, arguments))
        return false;
    PumpEncoderOutput(onPosition);
    waitForExit();
    return true;
}

void JobRunner::PumpEncoderOutput(const PositionSeen& onPosition)
{
    ProgressReader reader;
    // Waiting for output is waiting for events: the window answers, Stop and the clock
    // run, and nothing spins while the encoder is silent.
    QSocketNotifier readable(m_encoder.outputFd(), QSocketNotifier::Read);
    QTimer wake;
    wake.start(WakeMs);
    QByteArray chunk;
    for (;;) {
        const EncoderProcess::Read read = m_encoder.ReadChunk(chunk);
        if (read == EncoderProcess::Read::Closed)
            break;
        if (read == EncoderProcess::Read::Nothing) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            m_encoder.EnforceStop();
            continue;
        }
        QCoreApplication::processEvents();
        m_view.showEncoderOutput(chunk);
        m_outputTail.append(chunk);
        if (m_outputTail.size() > KeptOutput)
            m_outputTail.remove(0, m_outputTail.size() - KeptOutput);
        const std::optional<double> seconds = reader.Feed(chunk);
        if (seconds && onPosition)
            onPosition(*seconds);
    }
}

void JobRunner::waitForExit()
{
    QTimer wake;
    wake.start(ExitWakeMs);
    QElapsedTimer sinceClosed;
    sinceClosed.start();
    while ((m_exitCode = m_encoder.CollectExit()) < 0) {
        if (!m_encoder.stopRequested() && sinceClosed.elapsed() > LingerMs)
            m_encoder.StopEncoder();
        m_encoder.EnforceStop();
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    m_exitSignal = m_encoder.exitSignal();
}

bool JobRunner::runFailed(const QString& expectedFile) const
{
    const QFileInfo file(expectedFile);
    return m_exitCode != 0 || !file.isFile() || file.size() == 0;
}

QString JobRunner::lastErrorLine() const
{
    // A killed encoder had no last word of its own; what it printed before is beside the point.
    if (m_exitSignal != 0) {
        return "The encoder was stopped by signal " + QString::number(m_exitSignal) + " ("
            + QString::fromLocal8Bit(strsignal(m_exitSignal)) + ").";
    }
    const QStringList lines = QString::fromUtf8(m_outputTail).split(QRegularExpression("[\r\n]"), Qt::SkipEmptyParts);
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
        const QString text = line->trimmed();
        if (!text.isEmpty() && !text.startsWith("Pos:"))
            return text;
    }
    return "The encoder ended with exit code " + QString::number(m_exitCode) + ".";
}
