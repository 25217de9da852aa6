#include "tests/support/FakePrompter.h"

#include <gtest/gtest.h>

void FakePrompter::inform(const QString& caption, const QString& text)
{
    messages.append({Kind::Inform, caption, text});
}

bool FakePrompter::ask(const QString& caption, const QString& text)
{
    return answerNext(Kind::Ask, caption, text);
}

Prompter::Answer FakePrompter::askForAll(const QString& caption, const QString& text)
{
    if (forAllAnswers.isEmpty())
        return answerNext(Kind::AskForAll, caption, text) ? Answer::Yes : Answer::No;
    messages.append({Kind::AskForAll, caption, text});
    return forAllAnswers.takeFirst();
}

bool FakePrompter::askWarning(const QString& caption, const QString& text)
{
    return answerNext(Kind::AskWarning, caption, text);
}

bool FakePrompter::answerNext(Kind kind, const QString& caption, const QString& text)
{
    messages.append({kind, caption, text});
    if (answers.isEmpty()) {
        ADD_FAILURE() << "unexpected question \"" << caption.toStdString() << "\": " << text.toStdString();
        return false;
    }
    return answers.takeFirst();
}

void FakePrompter::pose(const Question& question, std::function<void(bool)> answered)
{
    if (!holdQuestions) {
        Prompter::pose(question, std::move(answered));
        return;
    }
    messages.append({Kind::Ask, question.caption, question.text});
    held.append(std::move(answered));
}

void FakePrompter::warn(const QString& caption, const QString& text)
{
    messages.append({Kind::Warn, caption, text});
}

void FakePrompter::notice(const QString& caption, const QString& text)
{
    messages.append({Kind::Notice, caption, text});
}

void FakePrompter::error(const QString& caption, const QString& text)
{
    messages.append({Kind::Error, caption, text});
}
