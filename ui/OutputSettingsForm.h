#pragma once

#include "profiles/OutputChoices.h"
#include "profiles/ProfileSections.h"

#include <QString>
#include <QVariant>
#include "ui/MainWindowDialog.h"

#include <memory>

class Prompter;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

// The output settings dialog: the loaded profile's eleven lists and the user's choices
// among them, which live only here until the next profile load.
class TopSettingForm : public MainWindowDialog {
    Q_OBJECT

public:
    // The main window takes no input while the dialog is shown. Without a prompter the
    // dialog shows its own message boxes.
    TopSettingForm(QWidget* mainWindow, Prompter* prompter = nullptr);
    ~TopSettingForm() override;

    QLabel* Label1 = nullptr;
    QComboBox* cmbVcodec = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label10 = nullptr;
    QComboBox* cmbVbitrate = nullptr;
    QLabel* Label2 = nullptr;
    QComboBox* cmbAspect = nullptr;
    QGroupBox* gpbOutputSize = nullptr;
    QRadioButton* rdbSelectSize = nullptr;
    QComboBox* cmbVideoSize = nullptr;
    QRadioButton* rdbManualSize = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* edtWidth = nullptr;
    QLabel* Label8 = nullptr;
    QLineEdit* edtHeight = nullptr;
    QLabel* Label5 = nullptr;
    QComboBox* cmbAcodec = nullptr;
    QWidget* panLavc = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label12 = nullptr;
    QComboBox* cmbAbitrate = nullptr;
    QWidget* panMP3 = nullptr;
    QLabel* labVBR = nullptr;
    QComboBox* cmbEncodeTo = nullptr;
    QLabel* labQuality = nullptr;
    QComboBox* cmbQuality = nullptr;
    QLabel* labBitrate = nullptr;
    QComboBox* cmbBitrate = nullptr;
    QLabel* Label9 = nullptr;
    QComboBox* cmbChannels = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label11 = nullptr;
    QComboBox* cmbSrate = nullptr;
    QLabel* labTracks = nullptr;
    QComboBox* cmbTracks = nullptr;
    QGroupBox* gpbDecription = nullptr;
    QPlainTextEdit* memDescription = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    // The profile file loaded last, and "." + its output type ("" before the first load).
    QString ProfilePath;
    QString OutputExt;

    // Fills the lists from a profile file; a missing file changes nothing, and a profile
    // that cannot be used changes nothing but says why.
    void LoadProfile(const QString& path);

    // The choices as they stand, for the option builder.
    OutputChoices choices() const;

    void cmbVcodecEnter(QComboBox* box);
    void cmbVcodecChange(QComboBox* box);
    void cmbAcodecChange();
    void cmbEncodeToChange();
    void btnOKClick();
    void btnCancelClick();

protected:
    void FormShow() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    QComboBox* settingBox(ProfileSection section, QWidget* parent, int left, int top, int width, bool editable);
    QComboBox* boxFor(ProfileSection section) const;
    void showDescription(QComboBox* box);
    void showTracksDescription();
    void restoreSavedValues();

    std::unique_ptr<Prompter> m_ownPrompter;
    Prompter* m_prompter;
    QList<QVariant> SavedValues;
};
