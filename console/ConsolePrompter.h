#pragma once

#include "platform/Prompter.h"

// Messages on stderr; questions on the terminal. Where there is no terminal to
// answer, a question is answered No and names the option that answers it.
class ConsolePrompter : public Prompter {
public:
    // goOn: the option that answers a question with a button to go on was given
    // (--reencode-differing); a question that no option answers is answered No or Cancel.
    explicit ConsolePrompter(bool goOn = false)
        : m_goOn(goOn)
    {
    }

    void inform(const QString& caption, const QString& text) override;
    bool ask(const QString& caption, const QString& text) override;
    // Answered at once from the options, never on the terminal: a job is not held up.
    void pose(const Question& question, std::function<void(bool)> answered) override;
    void warn(const QString& caption, const QString& text) override;
    void notice(const QString& caption, const QString& text) override;
    void error(const QString& caption, const QString& text) override;

private:
    void say(const QString& caption, const QString& text);

    bool m_goOn;
};
