#pragma once

#include <QString>

#include <functional>

// Modal messages to the user. The production implementation shows message
// boxes owned by a window; tests script the answers.
class Prompter {
public:
    virtual ~Prompter() = default;

    // Information icon, OK button.
    virtual void inform(const QString& caption, const QString& text) = 0;
    // Question icon, Yes and No buttons (Yes is the default). True for Yes. Answered at
    // once, by prompters that can (scripts, the terminal); one that only poses (the
    // window's) answers the safe No.
    virtual bool ask(const QString& caption, const QString& text)
    {
        (void)caption;
        (void)text;
        return false;
    }
    // A question that more of its kind may follow in the same command: question icon,
    // Yes, No, "Yes to All" and "No to All" (Yes is the default); Esc answers No to All.
    enum class Answer { Yes, No, YesToAll, NoToAll };
    virtual Answer askForAll(const QString& caption, const QString& text)
    {
        return ask(caption, text) ? Answer::Yes : Answer::No;
    }
    // Warning icon, Yes and No buttons (No is the default): going on may fail. True for Yes.
    virtual bool askWarning(const QString& caption, const QString& text) { return ask(caption, text); }
    // A question that is answered later, through answered, without waiting for the user:
    // the job asks these. The safe answer (No, Cancel) is the default unless yesByDefault. A prompter that
    // answers at once may call answered before this returns; this one asks as ask() does.
    struct Question {
        enum class Kind {
            YesNo,   // question icon, Yes and No
            Warning, // warning icon, Yes and No: going on may fail
            GoOn,    // question icon, a button named goOn and Cancel
        };
        Kind kind = Kind::YesNo;
        QString caption;
        QString text;
        QString goOn;
        // Enter answers Yes: for questions whose Yes loses nothing (adding a file again).
        bool yesByDefault = false;
    };
    virtual void pose(const Question& question, std::function<void(bool)> answered)
    {
        switch (question.kind) {
        case Question::Kind::YesNo:
            answered(ask(question.caption, question.text));
            break;
        case Question::Kind::Warning:
            answered(askWarning(question.caption, question.text));
            break;
        case Question::Kind::GoOn:
            answered(ask(question.caption, question.text));
            break;
        }
    }
    // askForAll answered later, through answered, as pose is.
    virtual void poseForAll(const QString& caption, const QString& text, std::function<void(Answer)> answered)
    {
        answered(askForAll(caption, text));
    }
    // Warning icon, OK button: a job that failed.
    virtual void warn(const QString& caption, const QString& text) = 0;
    // No icon, OK button.
    virtual void notice(const QString& caption, const QString& text) = 0;
    // Error icon, OK button: errors that end a command.
    virtual void error(const QString& caption, const QString& text) = 0;
};
