#include "ui/SettingsForm.h"

#include "core/PathRules.h"
#include "settings/IniFile.h"
#include "settings/ProgramValues.h"
#include "ui/DialogKeys.h"
#include "ui/MessageBoxPrompter.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include <algorithm>

namespace {

// One button of the overwrite group: choosing it clears the other two, and only the
// program clears it, so the group may also have none chosen.
class GroupRadioButton : public QRadioButton {
public:
    GroupRadioButton(const QString& text, QWidget* parent)
        : QRadioButton(text, parent)
    {
        setAutoExclusive(false);
    }

protected:
    void nextCheckState() override { setChecked(true); }
};

}

TSettingForm::TSettingForm(Links links)
    : MainWindowDialog(links.mainWindow)
    , m_links(std::move(links))
    , m_ownPrompter(m_links.prompter ? nullptr : std::make_unique<MessageBoxPrompter>(this))
{
    if (!m_links.prompter)
        m_links.prompter = m_ownPrompter.get();
    setWindowTitle("Settings");
    setFixedSize(391, 458);

    labOutputFile = new QLabel("Default Output File:", this);
    labOutputFile->setGeometry(16, 20, 110, 21);
    edtOutputFile = new QLineEdit(this);
    edtOutputFile->setGeometry(128, 18, 214, 24);
    SpeedButton1 = new QToolButton(this);
    SpeedButton1->setText("...");
    SpeedButton1->setGeometry(346, 18, 28, 24);
    labTempDir = new QLabel("Temp Folder:", this);
    labTempDir->setGeometry(16, 56, 110, 21);
    edtTempDir = new QLineEdit(this);
    edtTempDir->setGeometry(128, 54, 214, 24);
    SpeedButton2 = new QToolButton(this);
    SpeedButton2->setText("...");
    SpeedButton2->setGeometry(346, 54, 28, 24);

    auto* separator = new QFrame(this);
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);
    separator->setGeometry(16, 92, 359, 4);

    chkOpenDir = new QCheckBox("Open the output directory when the task is completed. ", this);
    chkOpenDir->setGeometry(16, 106, 359, 22);
    chkExit = new QCheckBox("Exit the program when the task is completed.", this);
    chkExit->setGeometry(16, 132, 359, 22);
    chkTurnoff = new QCheckBox("Turn off the computer when the task is completed.", this);
    chkTurnoff->setGeometry(16, 158, 359, 22);
    chkEncodeOnce = new QCheckBox("Encode each file only once (faster)", this);
    chkEncodeOnce->setGeometry(16, 184, 359, 22);
    chkChapters = new QCheckBox("Add a chapter for each joined file", this);
    chkChapters->setGeometry(16, 210, 359, 22);
    chkEvenLoudness = new QCheckBox("Even out the loudness of the files", this);
    chkEvenLoudness->setGeometry(16, 236, 359, 22);

    gpbOverWrite = new QGroupBox("Output File Overwrite", this);
    gpbOverWrite->setGeometry(16, 270, 359, 122);
    rdbAsk = new GroupRadioButton("Ask me.", gpbOverWrite);
    rdbAsk->setGeometry(16, 26, 330, 22);
    rdbOverWrite = new GroupRadioButton("Overwrite", gpbOverWrite);
    rdbOverWrite->setGeometry(16, 56, 330, 22);
    rdbRename = new GroupRadioButton("Not overwrite (Rename to <Filename> + Index", gpbOverWrite);
    rdbRename->setGeometry(16, 86, 330, 22);
    for (QRadioButton* button : {rdbAsk, rdbOverWrite, rdbRename})
        connect(button, &QRadioButton::toggled, this, [this, button](bool checked) {
            if (!checked)
                return;
            for (QRadioButton* other : {rdbAsk, rdbOverWrite, rdbRename})
                if (other != button)
                    other->setChecked(false);
        });
    rdbAsk->setChecked(true);

    btnDefault = new QPushButton("&Load Default", this);
    btnDefault->setGeometry(16, 414, 100, 28);
    btnOK = new QPushButton("&OK", this);
    btnOK->setGeometry(190, 414, 86, 28);
    btnCancel = new QPushButton("&Cancel", this);
    btnCancel->setGeometry(289, 414, 86, 28);
    // Enter and Esc are the dialog's own: no button is a default that takes Enter first.
    for (QPushButton* button : {btnDefault, btnOK, btnCancel})
        button->setAutoDefault(false);

    connect(btnOK, &QPushButton::clicked, this, &TSettingForm::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &TSettingForm::btnCancelClick);
    AcceptDialogKeys(this, btnOK, btnCancel);
    connect(btnDefault, &QPushButton::clicked, this, &TSettingForm::btnDefaultClick);
    connect(SpeedButton1, &QToolButton::clicked, this, &TSettingForm::SpeedButton1Click);
    connect(SpeedButton2, &QToolButton::clicked, this, &TSettingForm::SpeedButton2Click);

    // The edit boxes start after the longer label in the desktop's font.
    const int labelWidth = std::max(labOutputFile->sizeHint().width(), labTempDir->sizeHint().width());
    for (QLabel* label : {labOutputFile, labTempDir})
        label->resize(labelWidth, label->height());
    for (QLineEdit* box : {edtOutputFile, edtTempDir})
        box->setGeometry(16 + labelWidth + 6, box->y(), 346 - (16 + labelWidth + 6) - 4, box->height());

    LoadSettings();
}

TSettingForm::~TSettingForm() = default;

GeneralPreferences TSettingForm::preferences() const
{
    GeneralPreferences preferences;
    preferences.outputFile = edtOutputFile->text();
    preferences.tempDir = edtTempDir->text();
    preferences.openDir = chkOpenDir->isChecked();
    preferences.exit = chkExit->isChecked();
    preferences.turnOff = chkTurnoff->isChecked();
    preferences.ask = rdbAsk->isChecked();
    preferences.overwrite = rdbOverWrite->isChecked();
    preferences.rename = rdbRename->isChecked();
    preferences.encodeOnce = chkEncodeOnce->isChecked();
    preferences.evenLoudness = chkEvenLoudness->isChecked();
    preferences.chapters = chkChapters->isChecked();
    return preferences;
}

void TSettingForm::showPreferences(const GeneralPreferences& preferences)
{
    edtOutputFile->setText(preferences.outputFile);
    edtTempDir->setText(preferences.tempDir);
    chkOpenDir->setChecked(preferences.openDir);
    chkExit->setChecked(preferences.exit);
    chkTurnoff->setChecked(preferences.turnOff);
    rdbAsk->setChecked(preferences.ask);
    rdbOverWrite->setChecked(preferences.overwrite);
    rdbRename->setChecked(preferences.rename);
    chkEncodeOnce->setChecked(preferences.encodeOnce);
    chkEvenLoudness->setChecked(preferences.evenLoudness);
    chkChapters->setChecked(preferences.chapters);
}

void TSettingForm::LoadSettings()
{
    showPreferences(ReadMainPreferences(m_links.preferencesPath, m_links.defaultTempDir));
}

void TSettingForm::SaveSettings()
{
    WriteMainPreferences(m_links.preferencesPath, preferences());
}

void TSettingForm::showWithOutputFile(const QString& outputFile)
{
    m_outputFileAtShow = outputFile;
    showOver(m_links.mainWindow);
}

void TSettingForm::FormShow()
{
    // The box always starts with the main window's current output file.
    edtOutputFile->setText(m_outputFileAtShow);
    m_snapshot = preferences();
}

void TSettingForm::btnOKClick()
{
    emit accepted();
    try {
        SaveSettings();
    } catch (const IniWriteError& error) {
        // The dialog stays open with the user's values; Cancel or the title bar close it.
        m_links.prompter->error(ProgramValues::ProductName, QString::fromUtf8(error.what()));
        return;
    }
    close();
}

void TSettingForm::btnCancelClick()
{
    close();
    showPreferences(m_snapshot);
}

void TSettingForm::btnDefaultClick()
{
    if (!m_links.prompter->ask("Load Default", "Are you sure to load the default preferences?"))
        return;
    showPreferences(ReadDefaultPreferences(m_links.preferencesPath, preferences()));
}

void TSettingForm::SpeedButton1Click()
{
    FileDialogOptions options = m_links.outputFileDialog;
    options.startAt = edtOutputFile->text();
    const QString chosen = m_links.dialogs->saveFile(options);
    if (!chosen.isEmpty())
        edtOutputFile->setText(chosen);
}

void TSettingForm::SpeedButton2Click()
{
    const QString folder = m_links.dialogs->BrowseForFolder("Select the output directory.");
    if (!folder.isEmpty())
        edtTempDir->setText(AddTrailingBackslash(folder));
}
