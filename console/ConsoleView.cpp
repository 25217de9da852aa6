#include "console/ConsoleView.h"

#include <QTextStream>

#include <unistd.h>

ConsoleView::ConsoleView()
    : m_terminal(isatty(STDERR_FILENO))
{
}

void ConsoleView::setProcessTitle(const QString& title)
{
    m_title = title;
    show(true);
}

void ConsoleView::setConvertingFile(const QString& name, bool shown)
{
    m_file = shown ? name : QString();
    show(true);
}

void ConsoleView::setBars(int current, int total)
{
    m_current = current;
    m_total = total;
    show(false);
}

void ConsoleView::setTimes(const QString& elapsed, const QString& remaining)
{
    m_elapsed = elapsed;
    m_remaining = remaining;
    show(false);
}

void ConsoleView::show(bool newStep)
{
    if (m_title.isEmpty())
        return;
    QString line = m_title;
    if (!m_file.isEmpty())
        line += " " + m_file;
    // The times are empty until the clock's first tick; the remaining time stays empty
    // until the job's rate is known.
    line += QString("  current %1%  total %2%  elapsed %3  remaining %4")
                .arg(m_current)
                .arg(m_total)
                .arg(m_elapsed.isEmpty() ? "00:00:00" : m_elapsed, m_remaining.isEmpty() ? "--:--:--" : m_remaining);
    QTextStream err(stderr);
    if (m_terminal) {
        err << "\r" << line.leftJustified(m_shownWidth) << Qt::flush;
        m_shownWidth = line.size();
    } else if (newStep && m_title + m_file != m_lastStep) {
        // A log gets one line a step, not one a percent.
        m_lastStep = m_title + m_file;
        err << line << "\n";
    }
}

void ConsoleView::showEncoderNote(const QString& line)
{
    QTextStream err(stderr);
    if (m_terminal) {
        err << "\r" << line.leftJustified(m_shownWidth) << "\n" << Qt::flush;
        m_shownWidth = 0;
        show(false);
    } else {
        err << line << "\n";
    }
}

void ConsoleView::LeaveJobMode()
{
    if (m_terminal)
        QTextStream(stderr) << "\n";
}

bool ConsoleView::RunCompletionActions(const QString& output)
{
    if (m_terminal)
        QTextStream(stderr) << "\n";
    QTextStream(stdout) << output << "\n";
    return false;
}
