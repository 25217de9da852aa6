#pragma once

#include "platform/FileDialogs.h"
#include "settings/GeneralPreferences.h"

#include "ui/MainWindowDialog.h"

#include <memory>

class FileDialogs;
class Prompter;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

// The general settings dialog. Its controls are the preferences while the program runs;
// "Preferences.ini" is read when it is made and written only by its OK.
class TSettingForm : public MainWindowDialog {
    Q_OBJECT

public:
    struct Links {
        QWidget* mainWindow = nullptr;
        QString preferencesPath;
        QString defaultTempDir;
        FileDialogOptions outputFileDialog;
        FileDialogs* dialogs = nullptr;
        Prompter* prompter = nullptr; // null: the dialog's own message boxes
    };

    explicit TSettingForm(Links links);
    ~TSettingForm() override;

    QLabel* labOutputFile = nullptr;
    QLineEdit* edtOutputFile = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QLabel* labTempDir = nullptr;
    QLineEdit* edtTempDir = nullptr;
    QToolButton* SpeedButton2 = nullptr;
    QCheckBox* chkOpenDir = nullptr;
    QCheckBox* chkExit = nullptr;
    QCheckBox* chkTurnoff = nullptr;
    QCheckBox* chkEncodeOnce = nullptr;
    QCheckBox* chkEvenLoudness = nullptr;
    QCheckBox* chkChapters = nullptr;
    QGroupBox* gpbOverWrite = nullptr;
    QRadioButton* rdbAsk = nullptr;
    QRadioButton* rdbOverWrite = nullptr;
    QRadioButton* rdbRename = nullptr;
    QPushButton* btnDefault = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    // The preferences as the controls hold them.
    GeneralPreferences preferences() const;

    // Shown over the main window, its output file box starting with the main window's.
    void showWithOutputFile(const QString& outputFile);

    void LoadSettings();
    // Writes the controls to "Preferences.ini"; throws IniWriteError when it cannot.
    void SaveSettings();
    void btnOKClick();
    void btnCancelClick();
    void btnDefaultClick();
    void SpeedButton1Click();
    void SpeedButton2Click();

signals:
    // OK was pressed: the main window takes the output file from preferences().
    void accepted();

protected:
    void FormShow() override;

private:
    void showPreferences(const GeneralPreferences& preferences);

    Links m_links;
    std::unique_ptr<Prompter> m_ownPrompter;
    GeneralPreferences m_snapshot;
    QString m_outputFileAtShow;
};
