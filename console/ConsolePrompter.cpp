#include "console/ConsolePrompter.h"

#include "settings/ProgramValues.h"

#include <QTextStream>

#include <cstdio>
#include <unistd.h>

void ConsolePrompter::say(const QString& caption, const QString& text)
{
    ++m_messages;
    QTextStream err(stderr);
    // A line of progress may stand on the terminal: the message starts on a line of its own.
    err << "\n";
    if (caption != ProgramValues::ProductName)
        err << caption << ": ";
    err << QString(text).replace("\n\r", "\n") << "\n";
}

void ConsolePrompter::inform(const QString& caption, const QString& text)
{
    say(caption, text);
}

bool ConsolePrompter::ask(const QString& caption, const QString& text)
{
    say(caption, text);
    if (!isatty(STDIN_FILENO)) {
        QTextStream(stderr) << "There is no terminal to answer; give --overwrite to replace the file.\n";
        return false;
    }
    QTextStream(stderr) << "Yes or No? [y/N] " << Qt::flush;
    char answer[16] = {};
    if (!std::fgets(answer, sizeof answer, stdin))
        return false;
    return answer[0] == 'y' || answer[0] == 'Y';
}

void ConsolePrompter::warn(const QString& caption, const QString& text)
{
    say(caption, text);
}

void ConsolePrompter::notice(const QString& caption, const QString& text)
{
    say(caption, text);
}

void ConsolePrompter::error(const QString& caption, const QString& text)
{
    say(caption, text);
}
