#pragma once

#include "settings/ProgramValues.h"
#include "ui/FileDialogs.h"

#include <QMainWindow>

#include <memory>

class Prompter;
class Shell;
class TAboutForm;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QAction;
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
};

// The one window the user works in: toolbar, task list, profile and output file, job progress.
class TMainForm : public QMainWindow {
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

    QTimer* timerTime = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    FileDialogSpec OpenDialog1;
    FileDialogSpec SaveDialog1;

    // The list view's width at its last resize.
    int RememberedWidth = 562;

    void tbtnAboutClick();
    void tbtnHelpClick();
    void bbtnBrowserClick();
    void bbtnOpenClick();
    void Image1Click();
    void ltvTaskResize(int newWidth);

    // The four visible column widths of the task list.
    QList<int> columnWidths() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate(const QStringList& arguments);
    void buildWindow();
    void buildToolbar();
    void buildMiddleBand();
    void buildIntroPanel();
    void buildBottomBand();
    void buildSettingsPanel();
    void buildProgressPanel();
    void setColumnWidths(const QList<int>& widths);

    ProgramValues m_program;
    MainFormServices m_services;
    std::unique_ptr<Prompter> m_ownPrompter;
    TAboutForm* AboutForm = nullptr;
};
