#pragma once

#include "pipeline/ConversionGroups.h"
#include "pipeline/EncoderRun.h"
#include "pipeline/InputIdentities.h"
#include "pipeline/JobPlan.h"
#include "pipeline/JobProgress.h"
#include "pipeline/JobView.h"
#include "pipeline/ProgressBars.h"
#include "platform/Prompter.h"
#include "profiles/ProfileCheck.h"
#include "profiles/TrackChoice.h"
#include "tasks/RowStatus.h"
#include "tasks/TaskEntry.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QTimer>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <vector>

struct DifferingInputs;
class JobFolder;
class Notifier;
class SleepInhibitor;
class TaskRowStore;

// What a possible lack of free space does to a start request: asked about, refused with
// its reason, or not looked at.
enum class SpaceCheck { Ask, Refuse, Skip };

// What to do with an output file that exists.
enum class OverwritePolicy { Ask, Overwrite, Rename };

// What Start reads from the window, once: the values cannot change during a job.
struct JobSettings {
    QString encoderPath;
    QString outputFile;
    QString outputExt;   // "." + the profile's type
    OverwritePolicy policy = OverwritePolicy::Ask;
    QString tempDir;     // the general settings' temp folder, as typed
    QString fallbackTempDir;
    std::function<QString()> frameSize;   // the conversion size, asked when the job starts
    std::function<JoinOptions()> joinOptions; // the join's encoder options, asked after the conversion
    // Why the profile behind the options cannot be used, asked first; unset where no profile is behind them.
    std::function<std::optional<ProfileRefusal>()> profileRefusal;
    double outputKbits = 0; // the profile's video and audio bit rates, for the space estimate; 0 when not known
    SpaceCheck spaceCheck = SpaceCheck::Ask;
    // How many conversions run side by side.
    int conversionRunsAtOnce = 1;
    JobPlan plan = JobPlan::Intermediate;
    // The name of a profile of the output's type that encodes every file, for a join of the
    // inputs as they are that cannot be made; unset or empty when none is known.
    std::function<QString()> encodingProfile;
    // The tracks the output keeps; where its type cannot hold some of them, the window asks
    // before the job whether to go on without them, the console says so and goes on.
    TrackChoice tracks = TrackChoice::All;
    bool askLeftOut = true;
};

// The desktop's part in a job, each optional: the machine kept awake while it runs, and a
// notification of its end for a user who is elsewhere.
struct JobDesktop {
    SleepInhibitor* inhibitor = nullptr;
    Notifier* notifier = nullptr;
};

// The job: checks a start request, converts every listed file as its plan says (an
// intermediate AVI, or a piece of the output), several side by side, in a folder of the
// job's own, joins them into the output, and shows progress and time through its view.
// Start returns at once; the encoder runs' signals and the answers to its questions move
// the job on, and its end is told by `ended`, whichever event loop turns meanwhile.
class JobRunner : public QObject {
    Q_OBJECT
public:
    JobRunner(TaskRowStore& rows, JobView& view, Prompter& prompter, JobDesktop desktop = {});
    // Leaves no encoder and no folder of the job behind.
    ~JobRunner() override;

    JobState state() const { return m_state; }
    // The job's one-second clock ticks while a stage runs.
    bool clockRunning() const { return m_clock.isActive(); }

    // Checks the request and starts the job; `ended` tells how it ended, a request refused
    // before anything ran too (before this returns, unless a question waits for its answer).
    void tbtnStartClick(const JobSettings& settings);
    // Only while a stage runs: the encoder is asked to end and the stage cancels; an open
    // question of the join is answered by the stop.
    void tbtnStopClick();
    // The window is closing: the job ends at once, without messages, leaving no file of its
    // own, and an open question is answered No; `ended` is told before this returns.
    void Abort();
    // One tick of the job's one-second clock: the times shown.
    void timerTimeTimer();

    // The output file a join would write now: the output file, or under Rename the first
    // free "name_N.ext". The encoder takes the name itself when it writes the file, so that
    // two jobs never take one name.
    static QString JoinTarget(const QString& outputFile, OverwritePolicy policy);
    // "name_N.ext" of the output file "name.ext".
    static QString NumberedOutput(const QString& outputFile, int number);

    // The temp folder a job of these settings uses: the general settings' own where it is or
    // can be made, else the program's. Nothing is made here.
    static QString TempFolderOf(const JobSettings& settings);
    // What the output and the plan's own files will not hold of the listed files' tracks;
    // empty when nothing is left out.
    static QString LeftOutNotice(const TaskRowStore& rows, const JobSettings& settings);
    // The encoder command lines a job would run, one a line, without running any; the job's
    // own folder inside the temp folder gets its random name only when the job starts.
    static QStringList PlannedCommandLines(const TaskRowStore& rows, const JobSettings& settings);

    // The stages of the job, in the order Start starts them: each starts and returns, and
    // the conversion's end starts the join in the job's folder.
    void ConvertFiles(const QString& frameSize);
    void JoinFiles(const JoinOptions& options, const QString& tempFolder);

signals:
    void ended(JobEnd end);

private:
    // An ended run is deleted once its signal is over.
    struct LaterDeletion {
        void operator()(EncoderRun* run) const { run->deleteLater(); }
    };
    using RunHandle = std::unique_ptr<EncoderRun, LaterDeletion>;

    // Entries whose conversion runs now, into one file.
    struct Converting {
        ConversionGroup group;
        QList<ltvItemData> entries; // as they were when it started
        QString converted;
        QList<double> weights; // what a second of each entry costs to convert
        double position = 0; // seconds into the group
        EncoderRun* run = nullptr;
    };
    enum class ConversionEnding { None, CannotStart, Failed };
    // The conversion stage as it goes on.
    struct Conversions {
        std::optional<PlanCommands> plan;
        std::list<Converting> running;
        QList<ConversionGroup> waiting;
        // The entry that each converted file starts with, in list order: what the join takes.
        QList<int> pieceRows;
        ConversionWeights weights;
        double doneWork = 0;
        ConversionEnding ending = ConversionEnding::None;
        int failedIndex = -1;
        QString reason;
        QList<int> stopped;
    };

    bool checkRequest();
    bool checkOutputFile(const QString& output);
    // Every listed input is still a regular file: a pipe or device put in a file's place
    // since it was added would keep the encoder waiting.
    bool checkInputsAreFiles();
    // The start's questions, each asked without waiting: the tracks the output type cannot
    // hold left out, an existing output replaced, a possible lack of space; the answer goes
    // on to the next, the last to startJob.
    void confirmLeftOut();
    void confirmOverwrite();
    void confirmSpace();
    void startJob();
    // Asks the question; then gets the answer, unless the job ended meanwhile (answerNow).
    void askThen(const Prompter::Question& question, std::function<void(bool)> then);
    // A stop or the window's closing answers an open question No at once.
    void answerNow();
    QString prepareTempFolder();
    bool makeJobFolder();
    // The join's command line, checked by the encoder before the first conversion; its end
    // starts the conversions.
    void checkJoinCommand();
    void joinCommandChecked(EncoderRun* run);
    // Starts conversions while there is room and work; the stage ends when none runs.
    void startConversions();
    void conversionEnded(std::list<Converting>::iterator conversion);
    void showConversions();
    void conversionsEnded();
    // The join's run has ended: the job's end.
    void joinEnded(EncoderRun* run);
    // A join of the inputs as they are was refused for inputs that differ: where they can
    // be encoded to match, the user is asked whether to encode only those and join again.
    void refusedAsTheyAre(const EncoderRun& run);
    // The job's end when the join is refused, with what the encoder said of the inputs.
    void notJoined(const DifferingInputs& differing, const QString& lastError);
    void joinStopped();
    QStringList inputPaths() const;
    // The join's arguments: the encoder replaces an existing output only where the user
    // said so, else it takes the first free name itself.
    QStringList joinArguments(const PlanCommands& plan, const QStringList& inputs) const;
    // The output file the join wrote, as the encoder told it.
    QString writtenOutput(const EncoderRun& run) const;
    // Starts a run of the encoder among the job's runs, its end told to onEnded; null when
    // it cannot be started.
    EncoderRun* launchEncoder(const QStringList& arguments, std::function<void(EncoderRun*)> onEnded);
    // Takes an ended run out of the job's runs.
    RunHandle takeRun(EncoderRun* run);
    // The conversion runs of a job of these rows, as the plan converts them.
    static QList<ConversionGroup> ConversionRuns(const TaskRowStore& rows, const JobSettings& settings,
                                                 const PlanCommands& plan);
    // The order the groups' conversions start in, with atOnce of them side by side.
    static QList<ConversionGroup> longestFirst(QList<ConversionGroup> groups, int atOnce);
    // The job's folder and every file in it, at each ending.
    void removeJobFolder();
    // A failure's reason goes with the status, for the row's tooltip; without one, the
    // notes of the entry's conversion go there.
    void setStatus(int index, RowStatus status, const QString& reason = {});
    // The cells as they stand, e.g. a row's status from before its run.
    void writeStatusCells(int index, const QString& words, const QString& reason);
    // Every row at once, in one step of the stage.
    void setEveryStatus(RowStatus status, const QString& reason = {});
    // The rows of a run, in one step.
    void setStatuses(const QList<int>& rows, RowStatus status);
    // Each entry's cells as they were before its run started.
    void restoreStatuses(const Converting& conversion);
    // What a successful run told the user: shown, and kept with the entry it converted
    // (oneEntry), or, for a run of several inputs, with the entry of the input each note is
    // of. inputRows: the entry of each of the run's inputs, in order.
    void takeNotes(const EncoderRun& run, const QList<int>& inputRows, bool oneEntry);
    void showBars(ProgressBars bars);
    // The bars with the job's total, the current bar as given.
    void showCurrent(int current);
    // The time since the job started, as shown.
    QString elapsedText() const;
    // The stop, failure and start-failure endings share the window's way back.
    void endJob();
    // Every ending, before its message: the machine may sleep again and the user is told.
    void finish(JobEnd end);
    // The last of every job that started: its folder gone, the commands back, its end told.
    void closeJob();

    TaskRowStore& m_rows;
    JobView& m_view;
    Prompter& m_prompter;
    JobDesktop m_desktop;
    JobSettings m_settings;
    QString m_output; // the file the job writes, once the request is accepted
    // An existing output file is replaced: the user chose to overwrite, or said so when asked.
    bool m_replaces = false;
    JoinOptions m_joinOptions;
    QString m_frameSize;
    std::unique_ptr<JobFolder> m_jobFolder;
    // Made fresh for each job and given to each of its encoder runs (EncoderProcess).
    QByteArray m_jobMark;
    QHash<int, QString> m_notes; // by entry
    // The inputs as they were at Start: what the runs read of them is used only while they still are.
    InputIdentities m_inputIdentities;
    // The encoder runs going on now; a stop reaches every one.
    std::vector<RunHandle> m_runs;
    Conversions m_conversions;
    double m_joinSeconds = 0;
    // The join reads the inputs as they are, not the job's pieces.
    bool m_joinReadsInputs = false;
    // The user chose to have the inputs that differ from the first encoded to match it.
    bool m_reencodeDiffering = false;
    JobState m_state = JobState::Idle;
    JobEnd m_end = JobEnd::NotStarted;
    bool m_aborting = false;
    // What follows the open question's answer; none when no question is open.
    std::function<void(bool)> m_answered;
    int m_questions = 0; // counts the questions, so that a late answer of an old one is not taken

    ProgressBars m_bars;
    // The whole job's work; its remaining time is learned against the real time since the
    // job started, whatever the ticks do.
    JobProgress m_progress;
    // The job's clock: a tick each second while a stage runs; the time since the start is
    // read from the monotonic clock, as late ticks must not slow it.
    QElapsedTimer m_sinceStart;
    QTimer m_clock;
};
