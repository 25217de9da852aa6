#pragma once

#include "platform/Prompter.h"

// Messages on stderr; questions on the terminal, refused where there is none to answer.
class ConsolePrompter : public Prompter {
public:
    void inform(const QString& caption, const QString& text) override;
    bool ask(const QString& caption, const QString& text) override;
    void warn(const QString& caption, const QString& text) override;
    void notice(const QString& caption, const QString& text) override;
    void error(const QString& caption, const QString& text) override;

    int messages() const { return m_messages; }

private:
    void say(const QString& caption, const QString& text);
    int m_messages = 0;
};
