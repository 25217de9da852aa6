#include "pipeline/EncoderRun.h"

#include "core/NameBytes.h"
#include "core/NameFiles.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSocketNotifier>

#include <csignal>
#include <utility>
#include <cstring>

namespace {

constexpr qsizetype KeptOutput = 8192;
// A tagged line holds a path of any length the system allows, each byte as three.
constexpr qsizetype LongestLine = 65536;
// The encoder's progress lines for people and its tagged lines for the joiner are never
// notes for the user nor a reason for a failure.
bool IsNoSentence(const QString& text)
{
    return text.startsWith("Pos:") || text.startsWith(QLatin1String(encoderlines::Tag));
}

// An encoder that floods its output with lines keeps only its first notes.
constexpr qsizetype KeptNotes = 100;
// An encoder that closed its output but lingers is asked to end after this long.
constexpr int LingerMs = 5000;
// How often a stopped encoder that is silent is looked at, for its grace period.
constexpr int WakeMs = 100;
// An encoder that has closed its output is about to exit: its end is looked for often,
// so that the next run starts at once (every run of a job waits here once).
constexpr int ExitWakeMs = 5;

}

EncoderRun::EncoderRun()
{
    connect(&m_look, &QTimer::timeout, this, &EncoderRun::lookForExit);
}

EncoderRun::~EncoderRun() = default;

bool EncoderRun::start(const QString& program, const QStringList& arguments, const QByteArrayList& environmentSettings)
{
    // Lines with this run's token are the encoder's own, whatever names it quotes.
    for (int half = 0; half < 2; ++half)
        m_token += QByteArray::number(QRandomGenerator::system()->generate64(), 16);
    if (!m_process->LaunchEncoder(program, arguments,
                                  environmentSettings + QByteArrayList{encoderlines::WantedVariable + ('=' + m_token)}))
        return false;
    m_readable = std::make_unique<QSocketNotifier>(m_process->outputFd(), QSocketNotifier::Read);
    connect(m_readable.get(), &QSocketNotifier::activated, this, &EncoderRun::readOutput);
    return true;
}

void EncoderRun::readOutput()
{
    // A few reads a turn at most: a flood of output must not hold up the event loop; the
    // notifier calls again while the pipe holds more.
    QByteArray chunk;
    for (int reads = 0; reads < 16 && !m_closed; ++reads) {
        const EncoderProcess::Read read = m_process->ReadChunk(chunk);
        if (read == EncoderProcess::Read::Nothing)
            break;
        if (read == EncoderProcess::Read::Closed) {
            // Disabled before anything else can take the descriptor's number; the notifier
            // may be the caller, so it is not deleted here.
            m_readable->setEnabled(false);
            m_closed = true;
            m_sinceClosed.start();
            m_look.start(ExitWakeMs);
            break;
        }
        m_tail.append(chunk);
        if (m_tail.size() > KeptOutput)
            m_tail.remove(0, m_tail.size() - KeptOutput);
        readLines(chunk);
        emit outputSeen(chunk);
        // The chunk's last position is the one that counts.
        if (const std::optional<double> seconds = std::exchange(m_position, std::nullopt); seconds && !hasEnded())
            emit positionSeen(*seconds);
        // A receiver may have ended the run (the window closing).
        if (hasEnded())
            return;
    }
    if (m_closed)
        lookForExit();
}

void EncoderRun::lookForExit()
{
    if (hasEnded())
        return;
    if (m_closed) {
        const int exitCode = m_process->CollectExit();
        if (exitCode >= 0) {
            m_look.stop();
            m_exitCode = exitCode;
            m_exitSignal = m_process->exitSignal();
            emit ended();
            return;
        }
        if (!m_process->stopRequested() && m_sinceClosed.elapsed() > LingerMs)
            m_process->StopEncoder();
    }
    m_process->EnforceStop();
}

void EncoderRun::readLines(const QByteArray& chunk)
{
    m_partialLine.append(chunk);
    qsizetype start = 0;
    for (qsizetype end; (end = m_partialLine.indexOf('\n', start)) >= 0; start = end + 1) {
        // A progress line ends in "\r": what follows its last "\r" is the line's own.
        const QByteArray line = m_partialLine.mid(start, end - start);
        const QByteArray own = line.mid(line.lastIndexOf('\r') + 1);
        if (const std::optional<encoderlines::Line> tagged = encoderlines::ReadLine(own.toStdString(), m_token.toStdString())) {
            take(*tagged);
            continue;
        }
        const QString text = QString::fromUtf8(own).trimmed();
        if (!text.isEmpty() && !IsNoSentence(text) && m_notes.size() < KeptNotes)
            m_notes << text;
    }
    m_partialLine.remove(0, start);
    if (m_partialLine.size() > LongestLine)
        m_partialLine.remove(0, m_partialLine.size() - LongestLine);
}

void EncoderRun::take(const encoderlines::Line& line)
{
    using encoderlines::Kind;
    const QString text = QString::fromUtf8(line.text);
    // Names are the file system's bytes, words the encoder's UTF-8.
    switch (line.kind) {
    case Kind::Progress:
        m_position = line.seconds;
        break;
    case Kind::Step:
        if (!hasEnded())
            emit stepSeen(line.step, line.from, line.to);
        break;
    case Kind::Renamed:
        m_told.renamedTo = NameFromBytes(QByteArrayView(line.text.data(), qsizetype(line.text.size())));
        break;
    case Kind::Differs:
        if (m_told.differing.size() < KeptNotes)
            m_told.differing.append({line.input, text});
        break;
    case Kind::CannotMatch:
        m_told.cannotMatch = text;
        break;
    case Kind::Note:
        if (m_told.notes.size() < KeptNotes)
            m_told.notes.append({line.input, text});
        break;
    }
}

void EncoderRun::stop()
{
    if (hasEnded())
        return;
    m_process->StopEncoder();
    // A stop's grace period is looked at while the encoder is silent, too.
    if (!m_closed)
        m_look.start(WakeMs);
}

void EncoderRun::endNow()
{
    if (hasEnded())
        return;
    if (m_readable)
        m_readable->setEnabled(false);
    m_look.stop();
    m_closed = true;
    // The process's end kills its group and collects it.
    m_process.reset();
    m_exitSignal = SIGKILL;
    m_exitCode = 128 + SIGKILL;
    emit ended();
}

QString EncoderRun::failure(const QString& expectedFile) const
{
    if (m_exitCode != 0)
        return lastErrorLine();
    const std::optional<struct stat> file = StatOfName(expectedFile);
    // The encoder's last words would be of a run that went well.
    if (!file || !S_ISREG(file->st_mode) || file->st_size == 0)
        return "The encoder ended without writing " + ShownName(QFileInfo(expectedFile).fileName()) + ".";
    return {};
}

QString EncoderRun::lastErrorLine() const
{
    // A run ended at once has no process left to ask.
    if (m_process && !m_process->waitError().isEmpty())
        return m_process->waitError();
    // A killed encoder had no last word of its own; what it printed before is beside the point.
    if (m_exitSignal != 0) {
        return "The encoder was stopped by signal " + QString::number(m_exitSignal) + " ("
            + QString::fromLocal8Bit(strsignal(m_exitSignal)) + ").";
    }
    const QStringList lines = QString::fromUtf8(m_tail).split(QRegularExpression("[\r\n]"), Qt::SkipEmptyParts);
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
        const QString text = line->trimmed();
        if (!text.isEmpty() && !IsNoSentence(text))
            return text;
    }
    return "The encoder ended with exit code " + QString::number(m_exitCode) + ".";
}
