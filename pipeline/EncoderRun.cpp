#include "pipeline/EncoderRun.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QTimer>

#include <cstring>

namespace {

constexpr qsizetype KeptOutput = 8192;
// An encoder that floods its output with lines keeps only its first notes.
constexpr qsizetype KeptNotes = 100;
// An encoder that closed its output but lingers is asked to end after this long.
constexpr int LingerMs = 5000;
// The longest the loop sleeps between looks at a stop's grace period.
constexpr int WakeMs = 100;
// An encoder that has closed its output is about to exit: its end is looked for often,
// so that the next run starts at once (every run of a job waits here once).
constexpr int ExitWakeMs = 5;

}

EncoderRun::EncoderRun(PositionSeen onPosition, OutputSeen onOutput)
    : m_onPosition(std::move(onPosition))
    , m_onOutput(std::move(onOutput))
{
}

EncoderRun::~EncoderRun() = default;

bool EncoderRun::start(const QString& program, const QStringList& arguments, const QByteArrayList& environmentSettings)
{
    if (!m_process.LaunchEncoder(program, arguments, environmentSettings))
        return false;
    // Output that comes wakes the event loop.
    m_readable = std::make_unique<QSocketNotifier>(m_process.outputFd(), QSocketNotifier::Read);
    return true;
}

bool EncoderRun::poll()
{
    if (m_exitCode >= 0)
        return true;
    // A few reads a turn at most: a flood of output must not hold up the event loop.
    QByteArray chunk;
    for (int reads = 0; reads < 16 && !m_closed; ++reads) {
        const EncoderProcess::Read read = m_process.ReadChunk(chunk);
        if (read == EncoderProcess::Read::Nothing)
            break;
        if (read == EncoderProcess::Read::Closed) {
            m_closed = true;
            m_readable.reset();
            m_sinceClosed.start();
            break;
        }
        if (m_onOutput)
            m_onOutput(chunk);
        m_tail.append(chunk);
        if (m_tail.size() > KeptOutput)
            m_tail.remove(0, m_tail.size() - KeptOutput);
        keepNotes(chunk);
        const std::optional<double> seconds = m_reader.Feed(chunk);
        if (seconds && m_onPosition)
            m_onPosition(*seconds);
    }
    if (m_closed) {
        m_exitCode = m_process.CollectExit();
        if (m_exitCode >= 0) {
            m_exitSignal = m_process.exitSignal();
            return true;
        }
        if (!m_process.stopRequested() && m_sinceClosed.elapsed() > LingerMs)
            m_process.StopEncoder();
    }
    m_process.EnforceStop();
    return false;
}

void EncoderRun::keepNotes(const QByteArray& chunk)
{
    m_partialLine.append(chunk);
    qsizetype start = 0;
    for (qsizetype end; (end = m_partialLine.indexOf('\n', start)) >= 0; start = end + 1) {
        // A progress line ends in "\r": what follows its last "\r" is the line's own.
        const QByteArray line = m_partialLine.mid(start, end - start);
        const QString text = QString::fromUtf8(line.mid(line.lastIndexOf('\r') + 1)).trimmed();
        if (!text.isEmpty() && !text.startsWith("Pos:") && m_notes.size() < KeptNotes)
            m_notes << text;
    }
    m_partialLine.remove(0, start);
    if (m_partialLine.size() > KeptOutput)
        m_partialLine.remove(0, m_partialLine.size() - KeptOutput);
}

void EncoderRun::stop()
{
    m_process.StopEncoder();
}

bool EncoderRun::succeeded(const QString& expectedFile) const
{
    const QFileInfo file(expectedFile);
    return m_exitCode == 0 && file.isFile() && file.size() > 0;
}

QString EncoderRun::toldAfter(const QString& prefix) const
{
    for (const QString& line : QString::fromUtf8(m_tail).split(QRegularExpression("[\r\n]"), Qt::SkipEmptyParts)) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size());
    }
    return {};
}

QString EncoderRun::lastErrorLine() const
{
    if (!m_process.waitError().isEmpty())
        return m_process.waitError();
    // A killed encoder had no last word of its own; what it printed before is beside the point.
    if (m_exitSignal != 0) {
        return "The encoder was stopped by signal " + QString::number(m_exitSignal) + " ("
            + QString::fromLocal8Bit(strsignal(m_exitSignal)) + ").";
    }
    const QStringList lines = QString::fromUtf8(m_tail).split(QRegularExpression("[\r\n]"), Qt::SkipEmptyParts);
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
        const QString text = line->trimmed();
        if (!text.isEmpty() && !text.startsWith("Pos:"))
            return text;
    }
    return "The encoder ended with exit code " + QString::number(m_exitCode) + ".";
}

void WaitForEncoderOutput(bool soon)
{
    QTimer wake;
    wake.start(soon ? ExitWakeMs : WakeMs);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}
