#pragma once

#include <QByteArray>
#include <QString>

// Idle 0, Running 1, StopRequested 2.
enum class JobState { Idle = 0, Running = 1, StopRequested = 2 };

// How a Start request ended.
enum class JobEnd { NotStarted, Stopped, Failed, Completed };

// What a job shows while it runs; the main window and the console mode each show it
// their way. Messages and questions go through the Prompter seam.
class JobView {
public:
    virtual ~JobView() = default;

    // The commands that must not run during a job are switched off, and back on.
    virtual void EnterJobMode() = 0;
    virtual void LeaveJobMode() = 0;
    // The progress display in place of the profile and output file, or back.
    virtual void showProgress(bool shown) = 0;
    virtual void setProcessTitle(const QString& title) = 0;
    // The name of the file being converted; hidden during the join.
    virtual void setConvertingFile(const QString& name, bool shown) = 0;
    // Both bars, 0 to 100; their labels follow them.
    virtual void setBars(int current, int total) = 0;
    virtual void setTimes(const QString& elapsed, const QString& remaining) = 0;
    // The encoder's latest output, as it was read.
    virtual void showEncoderOutput(const QByteArray& chunk) = 0;
    // A line that a successful encoder run tells the user ("b.mp4 ends early: ..."). The
    // window keeps a conversion's lines in its row's tip, which the job sets.
    virtual void showEncoderNote(const QString&) {}
    // A word on how the job runs that the user should know before it starts (its temp folder
    // is not the one the settings name): the window's status line, a line of the console.
    virtual void showJobNotice(const QString& text) = 0;
    // Where the focus goes after a failed request check.
    virtual void focusTaskList() = 0;
    virtual void focusOutputFile() = 0;
    // Start appends the profile's extension to the output file text.
    virtual void setOutputFile(const QString& path) = 0;
    // The named profile becomes the choice for the next Start, where the view has one.
    virtual void chooseProfile(const QString& name) { (void)name; }
    // True while the user looks at the job's window: its end then needs no notification.
    virtual bool isWatched() const { return false; }
    // What a completed job does last; true when the program is closing.
    virtual bool RunCompletionActions(const QString& output) = 0;
};
