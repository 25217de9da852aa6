#pragma once

#include "pipeline/JobView.h"
#include "settings/ProgramValues.h"
#include "tasks/ListButtons.h"
#include "tasks/TaskEntry.h"
#include "tasks/TaskListHistory.h"
#include "platform/FileDialogs.h"

#include <QMainWindow>
#include <QPixmap>

#include <memory>
#include <optional>

class Notifier;
class Power;
class Prompter;
class SleepInhibitor;
class Shell;
class TAboutForm;
class TopSettingForm;
class JobRunner;
struct JobSettings;
class TSettingForm;
class TaskAdder;
class TaskAddProgress;
class TreeTaskRowStore;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QDragEnterEvent;
class QDropEvent;
class QCloseEvent;
class QShowEvent;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class QToolBar;
class QToolButton;
class QTreeWidget;

// The effects on the user's desktop that the main window causes; tests put fakes here.
struct MainFormServices {
    Prompter* prompter = nullptr; // null: message boxes owned by the main window
    Shell* shell = nullptr;
    FileDialogs* dialogs = nullptr;
    Power* power = nullptr; // turns the computer off when a job asks for it
    SleepInhibitor* inhibitor = nullptr; // keeps the computer awake during a job
    Notifier* notifier = nullptr; // tells a user who is elsewhere that a job ended
};

// The one window the user works in: toolbar, task list, profile and output file, job progress.
class TMainForm : public QMainWindow, public JobView {
    Q_OBJECT

public:
    TMainForm(const QString& programDir, const QStringList& arguments, MainFormServices services,
              QWidget* parent = nullptr);
    ~TMainForm() override;

    const ProgramValues& programValues() const { return m_program; }
    void setAboutForm(TAboutForm* about) { AboutForm = about; }

    // Toolbar
    QToolBar* Toolbar1 = nullptr;
    QToolButton* tbtnAddFile = nullptr;
    QToolButton* tbtnAddDir = nullptr;
    QToolButton* tbtnUp = nullptr;
    QToolButton* tbtnDown = nullptr;
    QToolButton* tbtnRemove = nullptr;
    QToolButton* tbtnClear = nullptr;
    QToolButton* tbtnStart = nullptr;
    QToolButton* tbtnStop = nullptr;
    QToolButton* tbtnSetting = nullptr;
    QToolButton* tbtnAbout = nullptr;
    QToolButton* tbtnHelp = nullptr;

    // Middle band: the task list and the intro panel over it
    QWidget* panMain = nullptr;
    QWidget* panLeft = nullptr;
    QWidget* panRight = nullptr;
    QTreeWidget* ltvTask = nullptr;
    QWidget* panltvTask = nullptr;
    QLabel* Image2 = nullptr;
    QLabel* labProgramNameShadow = nullptr;
    QLabel* labProgramName = nullptr;
    QLabel* labDecription = nullptr;
    QLabel* labStep1 = nullptr;
    QLabel* labStep2 = nullptr;
    QLabel* labStep3 = nullptr;
    QLabel* labTip1 = nullptr;
    QLabel* labTip2 = nullptr;
    QMenu* ppmTask = nullptr;
    QAction* mnuOpen = nullptr;
    QAction* mnuAddFiles = nullptr;
    QAction* mnuAddDirectory = nullptr;
    QAction* mnuRemove = nullptr;
    QAction* mnuClear = nullptr;
    QAction* mnuCommandLines = nullptr;
    QAction* mnuUndo = nullptr;
    QAction* mnuRedo = nullptr;
    QAction* mnuSortByName = nullptr;
    QAction* mnuSortByDate = nullptr;
    // In the status bar: how many files the list holds and their total length.
    QLabel* labTaskSummary = nullptr;

    // Bottom band
    QWidget* panBottom = nullptr;
    QWidget* panBottomCenter = nullptr;
    QComboBox* cmbProfile = nullptr;
    QPushButton* bbtnSetting = nullptr;
    QLineEdit* edtOutputFile = nullptr;
    QPushButton* bbtnBrowser = nullptr;
    QPushButton* bbtnOpen = nullptr;
    QWidget* panBottomLeft = nullptr;
    QLabel* labProcessTitle = nullptr;
    QLabel* labConvertingFile = nullptr;
    QLabel* labElapsed = nullptr;
    QLabel* labRemaining = nullptr;
    QProgressBar* pgbCurrent = nullptr;
    QLabel* labCurProgress = nullptr;
    QProgressBar* pgbTotal = nullptr;
    QLabel* labTotalProgress = nullptr;
    QWidget* panLogo = nullptr;
    QLabel* Image1 = nullptr;

    QPlainTextEdit* Memo1 = nullptr;
    FileDialogOptions OpenDialog1;
    FileDialogOptions SaveDialog1;

    // The list view's width at its last resize.
    int RememberedWidth = 562;

    // List commands
    void tbtnAddFileClick();
    void tbtnAddDirClick();
    void tbtnUpClick();
    void tbtnDownClick();
    void tbtnRemoveClick();
    void tbtnClearClick();
    void ltvTaskDblClick();
    void ppmTaskPopup();
    // Each change of the list is a step that Undo takes back and Redo makes again.
    void mnuUndoClick();
    void mnuRedoClick();
    void mnuSortByNameClick();
    void mnuSortByDateClick();
    // The encoder command lines the job would run now, in a window of their own.
    void showCommandLines();
    // True when the key was one of the list's commands.
    bool ltvTaskKeyDown(int key);
    // Files and folders dropped on the window.
    void DropFiles(const QStringList& paths);
    // True while files are being added to the task list.
    bool isAdding() const;

    // The entries of the task list (selectors: -2 whole, -1 path, 0 to 9 one cell).
    void ReadTaskEntry(int index, int selector, ltvItemData& entry) const;
    void WriteTaskEntry(int index, int selector, const ltvItemData& entry);

    // Output profile and its settings
    TopSettingForm* opSettingForm = nullptr;
    void cmbProfileChange();
    void bbtnSettingClick();
    // The frame size of the conversion runs and the join run's encoder options, from the
    // output settings and the profile file at profilePath.
    QString GetOutputSize(const QString& profilePath) const;
    QString BuildEncoderOptions(const QString& profilePath) const;

    // General preferences and what a completed job does last
    TSettingForm* SettingForm = nullptr;
    void tbtnSettingClick();
    // The remembered profile and output file, at the first show; stored at every close.
    void LoadMainPreferences();
    void SaveMainPreferences();
    // Closes the window when the preferences ask for it.
    void RunCompletionActions();
    // A logout or kill asks the program to end: the window closes as when the user closes
    // it, without the question nobody is there to answer, and the program ends.
    void endAtSignal();

    // The job
    void tbtnStartClick();
    void tbtnStopClick();
    JobState jobState() const;
    void EnterJobMode() override;
    void LeaveJobMode() override;
    void showProgress(bool shown) override;
    void setProcessTitle(const QString& title) override;
    void setConvertingFile(const QString& name, bool shown) override;
    void setBars(int current, int total) override;
    void setTimes(const QString& elapsed, const QString& remaining) override;
    void showEncoderOutput(const QByteArray& chunk) override;
    void showJobNotice(const QString& text) override;
    void focusTaskList() override;
    void focusOutputFile() override;
    void setOutputFile(const QString& path) override;
    void chooseProfile(const QString& name) override;
    bool isWatched() const override;
    bool RunCompletionActions(const QString& output) override;

    void tbtnAboutClick();
    void tbtnHelpClick();
    void bbtnBrowserClick();
    void bbtnOpenClick();
    void Image1Click();
    void ltvTaskResize(int newWidth);

    // The four visible column widths of the task list.
    QList<int> columnWidths() const;

signals:
    // The job that Start began has ended, or Start refused it before anything ran.
    void jobEnded(JobEnd end);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate(const QStringList& arguments);
    void buildWindow();
    void buildToolbar();
    void buildMiddleBand();
    void buildIntroPanel();
    void coverListWithIntro();
    void buildBottomBand();
    void buildSettingsPanel();
    // The profile and output file boxes take what the settings panel has beyond its designed width.
    void stretchBoxes();
    static constexpr int DesignedBottomPanelWidth = 607;
    void buildProgressPanel();
    void buildTaskMenu();
    void buildJob();
    // What Start reads from the window.
    JobSettings jobSettings() const;
    // Disables the commands that must not run during a job and enables Stop, or back.
    void switchJobMode(bool jobRuns);
    // The task list's store, the adding of files, its progress and file drops.
    void buildAdding();
    void setColumnWidths(const QList<int>& widths);
    // A double click beside the rows opens the file that was selected when it began.
    void openOnDoubleClickBesideRows(QEvent* event);
    // Enables or disables Move Up, Move Down, Remove, Clear and Start together.
    void applyListButtons(ListButtons change);
    // Runs a change of the list as one step of its history and applies what it does to the buttons.
    void changeTasks(const std::function<ListButtons()>& change);
    // Gives an adding command; the adds that follow one another make one step of the history,
    // which ends with the last of them.
    void addTasks(const std::function<void()>& command);
    void endAddStep();
    // After Undo or Redo: the buttons follow the list, and the first selected row is the current one.
    void showRestoredTasks();
    // The status bar's summary of the list, made again once the list's changes have settled.
    void showTaskSummaryLater();
    // Adds dropped files once the drop event has been answered.
    void dropLater(const QStringList& paths);

    ProgramValues m_program;
    MainFormServices m_services;
    std::unique_ptr<Prompter> m_ownPrompter;
    std::unique_ptr<TreeTaskRowStore> m_rows;
    std::unique_ptr<TaskListHistory> m_history;
    std::unique_ptr<TaskAdder> m_adder;
    // The history's step of the adds under way.
    std::optional<quint64> m_addStep;
    TaskAddProgress* m_addProgress = nullptr;
    QTimer* m_summaryTimer = nullptr;
    std::unique_ptr<TopSettingForm> m_outputSettings;
    std::unique_ptr<TSettingForm> m_settings;
    std::unique_ptr<JobRunner> m_job;
    bool m_shownBefore = false;
    bool m_endingAtSignal = false;
    TAboutForm* AboutForm = nullptr;
    QString m_selectionAtPress;
    QPixmap m_introPicture;
};
