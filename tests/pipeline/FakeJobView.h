#pragma once

#include "pipeline/JobView.h"

#include <QStringList>

#include <functional>
#include <utility>
#include <vector>

// Records what a job shows, in order; `onOutput` lets a test act while the encoder runs.
class FakeJobView : public JobView {
public:
    void EnterJobMode() override { events << "EnterJobMode"; }
    void LeaveJobMode() override { events << "LeaveJobMode"; }
    void showProgress(bool shown) override { events << (shown ? "progress shown" : "progress hidden"); }
    void setProcessTitle(const QString& title) override { this->title = title; }
    void setConvertingFile(const QString& name, bool shown) override { convertingFile = shown ? name : "(hidden)"; }
    void setBars(int current, int total) override { bars.emplace_back(current, total); }
    void setTimes(const QString& elapsed, const QString& remaining) override { times << elapsed + " " + remaining; }
    void showEncoderOutput(const QByteArray& chunk) override
    {
        lastOutput = chunk;
        if (onOutput)
            onOutput(chunk);
    }
    void showJobNotice(const QString& text) override { notices << text; }
    void focusTaskList() override { focus = "task list"; }
    void focusOutputFile() override { focus = "output file"; }
    void setOutputFile(const QString& path) override { outputFile = path; }
    bool isWatched() const override { return watched; }
    bool RunCompletionActions(const QString& output) override
    {
        completedWith = output;
        return closeOnCompletion;
    }

    QStringList events;
    QString title;
    QString convertingFile;
    std::vector<std::pair<int, int>> bars;
    QStringList times;
    QByteArray lastOutput;
    QString focus;
    QStringList notices;
    QString outputFile;
    QString completedWith;
    bool closeOnCompletion = false;
    bool watched = false;
    std::function<void(const QByteArray&)> onOutput;
};
