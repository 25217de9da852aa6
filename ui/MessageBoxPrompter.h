#pragma once

#include "platform/Prompter.h"

#include <QMessageBox>

// Message boxes owned by one window.
class MessageBoxPrompter : public Prompter {
public:
    explicit MessageBoxPrompter(QWidget* owner);

    void inform(const QString& caption, const QString& text) override;
    // The duplicate question: Yes is the default, Esc answers No to All.
    void poseForAll(const QString& caption, const QString& text, std::function<void(Answer)> answered) override;
    // A window-modal box; the answer comes when it closes. Esc answers No or Cancel.
    void pose(const Question& question, std::function<void(bool)> answered) override;
    void warn(const QString& caption, const QString& text) override;
    void notice(const QString& caption, const QString& text) override;
    void error(const QString& caption, const QString& text) override;

private:
    void show(QMessageBox::Icon icon, const QString& caption, const QString& text);

    QWidget* m_owner;
};
