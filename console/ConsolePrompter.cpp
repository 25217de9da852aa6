#include "console/ConsolePrompter.h"

#include "settings/ProgramValues.h"

#include <QTextStream>

#include <cstdio>
#include <unistd.h>

namespace {

// What to give instead of Yes, for each question the console's job may ask.
QString OptionThatAnswers(const QString& caption)
{
    if (caption == "File Exists")
        return "give --overwrite to replace the file";
    if (caption == "Inputs Differ")
        return "give --reencode-differing to re-encode only these";
    return {};
}

}

void ConsolePrompter::say(const QString& caption, const QString& text)
{
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
        const QString option = OptionThatAnswers(caption);
        QTextStream(stderr) << "There is no terminal to answer; "
                            << (option.isEmpty() ? QString("the answer is No") : option) << ".\n";
        return false;
    }
    QTextStream(stderr) << "Yes or No? [y/N] " << Qt::flush;
    char answer[16] = {};
    if (!std::fgets(answer, sizeof answer, stdin))
        return false;
    return answer[0] == 'y' || answer[0] == 'Y';
}

void ConsolePrompter::pose(const Question& question, std::function<void(bool)> answered)
{
    say(question.caption, question.text);
    QTextStream err(stderr);
    const QString option = OptionThatAnswers(question.caption);
    const bool goOn = question.kind == Question::Kind::GoOn && m_goOn && !option.isEmpty();
    if (goOn)
        err << question.goOn << ".\n";
    else if (question.kind == Question::Kind::GoOn && !option.isEmpty())
        err << "The job does not go on; " << option << ".\n";
    else if (question.kind != Question::Kind::GoOn)
        err << "The answer is No" << (option.isEmpty() ? QString() : "; " + option) << ".\n";
    answered(goOn);
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
