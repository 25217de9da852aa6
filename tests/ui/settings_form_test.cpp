#include "settings/IniFile.h"
#include "tests/support/Clips.h"
#include "tests/ui/ProgramFolderFixture.h"
#include "ui/OutputSettingsForm.h"
#include "ui/PowerOffCountdown.h"
#include "ui/SettingsForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QStatusBar>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

namespace {

class GeneralSettings : public ProgramFolderFixture {
protected:
    void addProfiles(const QStringList& names)
    {
        QDir(programDir()).mkdir("Profiles");
        QFile shipped(ProgramFolder() + "Profiles/AVI - MPEG-4 Video.bpf");
        ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
        const QByteArray profile = shipped.readAll();
        for (const QString& name : names)
            writeFile("Profiles/" + name + ".bpf", QByteArray(profile).replace("Type=avi", "Type=" + name.toUtf8()));
    }
    QString stored(const QString& key) const { return TIniFile(programDir() + "Preferences.ini").ReadText("Main", key, "(none)"); }
};

}

TEST_F(GeneralSettings, WithoutPreferencesEveryDefaultAndTheFirstProfile)
{
    addProfiles({"avi", "mpg", "mp4"});
    TMainForm& form = start();
    TSettingForm& dialog = *form.SettingForm;
    EXPECT_EQ(dialog.edtTempDir->text(), programDir() + "temp/");
    EXPECT_TRUE(dialog.chkOpenDir->isChecked());
    EXPECT_FALSE(dialog.chkExit->isChecked() || dialog.chkTurnoff->isChecked());
    EXPECT_TRUE(dialog.rdbAsk->isChecked());
    EXPECT_EQ(dialog.chkOpenDir->text(), "Open the output directory when the task is completed. ");

    form.show();
    EXPECT_EQ(form.edtOutputFile->text(), "");
    EXPECT_EQ(form.cmbProfile->currentText(), "avi");
    EXPECT_EQ(form.opSettingForm->OutputExt, ".avi") << "the remembered profile is loaded";

    form.resize(790, 580);
    form.close();
    EXPECT_EQ(stored("Profile"), "0");
    EXPECT_EQ(stored("Output File"), "");

    TMainForm& again = start();
    again.show();
    EXPECT_EQ(again.size(), QSize(790, 580)) << "the window comes back at the size it was left";
}

TEST_F(GeneralSettings, ARememberedProfileBeyondTheListSelectsNoneAndIsStoredAsMinusOne)
{
    addProfiles({"avi", "mpg", "mp4"});
    writeFile("Preferences.ini", "[Main]\nProfile=7\nOutput File=/videos/out.mpg\n");
    TMainForm& form = start();
    form.show();
    EXPECT_EQ(form.cmbProfile->currentIndex(), -1);
    EXPECT_EQ(form.opSettingForm->OutputExt, "");
    EXPECT_EQ(form.edtOutputFile->text(), "/videos/out.mpg");
    form.close();
    EXPECT_EQ(stored("Profile"), "-1");
}

TEST_F(GeneralSettings, ShowOkCancelTitleBarAndLoadDefault)
{
    writeFile("Preferences.ini", "[Main]\nOutput File=/stored/out.avi\nTemp Dir=/stored/temp/\nRename=1\n");
    TMainForm& form = start();
    form.show();
    TSettingForm& dialog = *form.SettingForm;
    EXPECT_TRUE(dialog.rdbRename->isChecked() && !dialog.rdbAsk->isChecked());

    form.edtOutputFile->setText("/now/current.avi");
    form.tbtnSetting->click();
    EXPECT_FALSE(form.isEnabled());
    EXPECT_EQ(dialog.edtOutputFile->text(), "/now/current.avi") << "the main window's file, not the stored one";

    // Load Default without a "Default" section, then Cancel: all as it was.
    prompter.answer(true);
    dialog.btnDefault->click();
    EXPECT_EQ(prompter.messages.last().caption, "Load Default");
    EXPECT_EQ(dialog.edtOutputFile->text(), "");
    EXPECT_FALSE(dialog.chkOpenDir->isChecked()) << "the factory fallback opens no folder";
    EXPECT_TRUE(dialog.rdbAsk->isChecked() && !dialog.rdbRename->isChecked());
    EXPECT_EQ(dialog.edtTempDir->text(), "/stored/temp/");
    dialog.btnCancel->click();
    EXPECT_TRUE(form.isEnabled());
    EXPECT_EQ(dialog.edtOutputFile->text(), "/now/current.avi");
    EXPECT_TRUE(dialog.chkOpenDir->isChecked() && dialog.rdbRename->isChecked());

    // The folder picker's answer gets its separator; the title bar keeps it without storing it.
    form.tbtnSetting->click();
    dialogs.folderToBrowse = "/";
    dialog.SpeedButton2->click();
    EXPECT_EQ(dialog.edtTempDir->text(), "/");
    EXPECT_EQ(dialogs.lastFolderTitle, "Select the output directory.");
    dialogs.folderToBrowse = "/work";
    dialog.SpeedButton2->click();
    EXPECT_EQ(dialog.edtTempDir->text(), "/work/");
    dialog.close();
    EXPECT_EQ(stored("Temp Dir"), "/stored/temp/");
    form.tbtnSetting->click();
    EXPECT_EQ(dialog.edtTempDir->text(), "/work/");
    dialog.SpeedButton1->click();
    EXPECT_EQ(dialogs.lastOptions.startAt, "/now/current.avi") << "the output file's own folder";

    // OK copies the output file to the main window and stores every value.
    dialog.edtOutputFile->setText("/edited/joined.avi");
    dialog.rdbOverWrite->click();
    dialog.btnOK->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(form.edtOutputFile->text(), "/edited/joined.avi");
    EXPECT_EQ(stored("Output File"), "/edited/joined.avi");
    EXPECT_EQ(stored("Temp Dir"), "/work/");
    EXPECT_EQ(stored("Rename") + stored("Overwrite") + stored("Ask"), "010");
}

TEST_F(GeneralSettings, UnwritablePreferencesAreSaidAndNothingIsLost)
{
    // A folder where the file should be: no write can replace it.
    QDir(programDir()).mkdir("Preferences.ini");
    const QString refusal = "Unable to write to " + programDir() + "Preferences.ini";
    TMainForm& form = start();
    form.show();
    EXPECT_EQ(form.statusBar()->currentMessage(), refusal + ": the preferences are not kept");
    form.tbtnSetting->click();
    form.SettingForm->btnOK->click();
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_EQ(prompter.messages[0].kind, FakePrompter::Kind::Error);
    EXPECT_EQ(prompter.messages[0].text, refusal);
    EXPECT_TRUE(form.SettingForm->isVisible()) << "the dialog stays open with its values";
    form.SettingForm->btnCancel->click();

    EXPECT_TRUE(form.close()) << "the program closes all the same";
    EXPECT_EQ(prompter.messages.size(), 1) << "nothing holds the closing, a signal's least of all";
}

TEST_F(GeneralSettings, CompletionClosesTheWindowOrSaysSoFromTheCurrentChoices)
{
    TMainForm& form = start();
    form.show();
    form.edtOutputFile->setText("/videos/joined.avi");
    form.SettingForm->chkOpenDir->setChecked(true);
    form.RunCompletionActions();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(shell.opened, QStringList{"/videos"});
    EXPECT_EQ(prompter.messages.size(), 1);

    // The power-off waits out a countdown; Cancel keeps the window as the job left it.
    form.SettingForm->chkTurnoff->setChecked(true);
    const auto countdown = [&form] { return form.findChild<PowerOffCountdown*>(); };
    form.RunCompletionActions();
    ASSERT_TRUE(countdown());
    EXPECT_TRUE(countdown()->isVisible());
    EXPECT_EQ(countdown()->labCountdown->text(), "The computer will be turned off in 60 s.");
    countdown()->btnCancel->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(countdown());
    EXPECT_EQ(power.powerOffs, 0);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(prompter.messages.size(), 1);

    // A power-off that the system refuses is told, and then the job completes as without it.
    power.refusal = "Interactive authentication required.";
    form.RunCompletionActions();
    countdown()->btnTurnOffNow->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(power.powerOffs, 1);
    EXPECT_TRUE(form.isVisible());
    ASSERT_EQ(prompter.messages.size(), 3);
    EXPECT_EQ(prompter.messages[1].kind, FakePrompter::Kind::Error);
    EXPECT_EQ(prompter.messages[1].text,
              "The computer was not turned off. The system refused it:\nInteractive authentication required.");
    EXPECT_EQ(prompter.messages[2].caption, "Complete");
    EXPECT_EQ(shell.opened, (QStringList{"/videos", "/videos"}));

    // The countdown's end turns the computer off.
    power.refusal.clear();
    form.RunCompletionActions();
    for (int second = 0; second < PowerOffCountdown::Seconds; ++second)
        countdown()->tick();
    EXPECT_FALSE(form.isVisible()) << "the program closes itself once the system agreed";
    EXPECT_EQ(power.powerOffs, 2);
    EXPECT_EQ(prompter.messages.size(), 3);
}
