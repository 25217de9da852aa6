#pragma once

#include "pipeline/JobView.h"

#include <QString>


// The job on one line of the terminal: stage, file, both percentages and both times,
// rewritten in place. Without a terminal, a line for each new stage or file.
class ConsoleView : public JobView {
public:
    ConsoleView();

    void EnterJobMode() override {}
    void LeaveJobMode() override;
    void showProgress(bool) override {}
    void setProcessTitle(const QString& title) override;
    void setConvertingFile(const QString& name, bool shown) override;
    void setBars(int current, int total) override;
    void setTimes(const QString& elapsed, const QString& remaining) override;
    void showEncoderOutput(const QByteArray&) override {}
    // On a line of its own, above the job's line on a terminal.
    void showEncoderNote(const QString& line) override;
    void showJobNotice(const QString& text) override { showEncoderNote(text); }
    void focusTaskList() override {}
    void focusOutputFile() override {}
    void setOutputFile(const QString&) override {}
    // Completion actions are the window's: the console names the output.
    bool RunCompletionActions(const QString& output) override;

private:
    void show(bool newStep);

    bool m_terminal;
    QString m_title;
    QString m_file;
    int m_current = 0;
    int m_total = 0;
    QString m_elapsed = "00:00:00";
    QString m_remaining;
    qsizetype m_shownWidth = 0;
    QString m_lastStep;
};
