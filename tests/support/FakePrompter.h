#pragma once

#include "platform/Prompter.h"

#include <QList>
#include <QString>

// Records every message and answers questions from a script.
class FakePrompter : public Prompter {
public:
    enum class Kind { Inform, Ask, AskForAll, AskWarning, Warn, Notice, Error };
    struct Message {
        Kind kind;
        QString caption;
        QString text;
    };

    void inform(const QString& caption, const QString& text) override;
    // Takes the next scripted answer; with none left the test fails and the answer is No.
    bool ask(const QString& caption, const QString& text) override;
    // Takes the next scripted answer for all, else the next Yes or No.
    Answer askForAll(const QString& caption, const QString& text) override;
    bool askWarning(const QString& caption, const QString& text) override;
    // With holdQuestions, keeps the answer's callback in held, for the test to answer later.
    void pose(const Question& question, std::function<void(bool)> answered) override;
    void warn(const QString& caption, const QString& text) override;
    void notice(const QString& caption, const QString& text) override;
    void error(const QString& caption, const QString& text) override;

    // Queues the answers of the next questions, first asked first.
    void answer(bool yes) { answers.append(yes); }
    void answer(Answer answer) { forAllAnswers.append(answer); }

    QList<Message> messages;
    QList<bool> answers;
    QList<Answer> forAllAnswers;
    bool holdQuestions = false;
    QList<std::function<void(bool)>> held;

private:
    bool answerNext(Kind kind, const QString& caption, const QString& text);
};
