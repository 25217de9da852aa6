#include "tests/support/Clips.h"
#include "tests/ui/ProgramFolderFixture.h"
#include "ui/OutputSettingsForm.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

// An MP3 profile and an MP2 one; each list names its section so that loads are easy to tell apart.
QByteArray Profile(const QByteArray& type, const QByteArray& audio, int audioIndex, int sampleIndex)
{
    return "[Main]\nType=" + type + "\n"
        "[Video Codec]\nItems=2\nCaption0=MPEG-4\nvalue0=mpeg4\nCaption1=H.264\nvalue1=h264\nIndex=0\n"
        "Description=Which video codec.\n"
        "[Video Size]\nItems=2\nCaption0=640 x 480\nvalue0=640:480\nCaption1=320 x 240\nvalue1=320:240\nIndex=0\n"
        "[Video Bitrate]\nItems=2\nCaption0=1800\nCaption1=800\nIndex=0\nDescription=How many kbit a second.\n"
        "[Aspect]\nItems=2\nCaption0=Auto\nCaption1=4:3\nvalue1=4:3\nIndex=0\n"
        "[Audio Codec]\nItems=2\n" + audio + "\nIndex=" + QByteArray::number(audioIndex) + "\n"
        "Description=Which audio codec.\n"
        "[MP3 Encode]\nItems=2\nCaption0=VBR\nvalue0=vbr\nCaption1=CBR\nvalue1=cbr\nIndex=0\n"
        "Description=How MP3 is encoded.\n"
        "[VBR Quality]\nItems=1\nCaption0=4\nvalue0=4\nIndex=0\n"
        "[ABR CBR Bitrate]\nItems=1\nCaption0=192\nvalue0=192\nIndex=0\n"
        "[Audio Bitrate]\nItems=2\nCaption0=160\nCaption1=128\nIndex=0\n"
        "[Sample Rate]\nItems=2\nCaption0=44100\nCaption1=48000\nIndex=" + QByteArray::number(sampleIndex) + "\n"
        "[Channels]\nItems=1\nCaption0=Stereo\nvalue0=2\nIndex=0\n";
}

class OutputSettings : public ProgramFolderFixture {
protected:
    void SetUp() override
    {
        QDir(programDir()).mkdir("Profiles");
        writeFile("Profiles/A mp3.bpf", Profile("avi", "Caption0=MP3\nCaption1=MP2\nvalue1=mp2", 0, 0));
        writeFile("Profiles/B mp2.bpf", Profile("mpg", "Caption0=MP3\nCaption1=MP2\nvalue1=mp2", 1, 1));
        // "Index" 9 lies outside the sample rates.
        writeFile("Profiles/C damaged.bpf", Profile("avi", "Caption0=MP3\nCaption1=MP2\nvalue1=mp2", 0, 9));
    }

    TopSettingForm& loaded(const QString& profile)
    {
        TMainForm& form = start();
        // The first show loads the remembered profile; the test's choice comes after it.
        form.show();
        form.cmbProfile->setCurrentIndex(form.cmbProfile->findText(profile));
        form.cmbProfileChange();
        return *form.opSettingForm;
    }

    static void typeInto(QComboBox* box, const QString& text)
    {
        for (const QChar character : text) {
            QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(character));
            QApplication::sendEvent(box->lineEdit(), &key);
        }
    }
};

}

TEST_F(OutputSettings, LoadingFillsTheListsAndAnotherLoadReplacesEveryEdit)
{
    TopSettingForm& dialog = loaded("B mp2");
    EXPECT_EQ(dialog.OutputExt, ".mpg");
    EXPECT_EQ(dialog.cmbAcodec->currentText(), "MP2");
    EXPECT_TRUE(dialog.panMP3->isHidden());
    EXPECT_FALSE(dialog.panLavc->isHidden()) << "the audio bitrate panel in the MP3 panel's place";
    EXPECT_EQ(dialog.panLavc->geometry(), dialog.panMP3->geometry());
    EXPECT_EQ(dialog.memDescription->toPlainText(), "How MP3 is encoded.\nCurrent Value: VBR");
    EXPECT_EQ(dialog.cmbVcodec->toolTip(), "Video Codec");
    EXPECT_EQ(dialog.cmbBitrate->toolTip(), "ABR CBR Bitrate");

    dialog.cmbVbitrate->setEditText("999");
    dialog.cmbAcodec->setCurrentIndex(0);
    EXPECT_FALSE(dialog.panMP3->isHidden());
    dialog.cmbEncodeTo->setCurrentIndex(1);
    EXPECT_TRUE(dialog.cmbQuality->isHidden());
    EXPECT_FALSE(dialog.cmbBitrate->isHidden());
    EXPECT_EQ(dialog.cmbBitrate->y(), dialog.cmbQuality->y()) << "the two MP3 lists share one place";

    TMainForm& form = *m_form;
    form.cmbProfile->setCurrentIndex(0);
    form.cmbProfileChange();
    form.cmbProfile->setCurrentIndex(1);
    form.cmbProfileChange();
    EXPECT_EQ(dialog.cmbVbitrate->currentText(), "1800");
    EXPECT_EQ(dialog.cmbAcodec->currentText(), "MP2");
    EXPECT_EQ(dialog.cmbEncodeTo->currentIndex(), 0);
    EXPECT_FALSE(dialog.cmbQuality->isHidden());
    EXPECT_EQ(form.BuildEncoderOptions(dialog.ProfilePath),
              " -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=1800:mbd=2:autoaspect -oac lavc -lavcopts"
              " acodec=mp2:abitrate=128 -channels 2 -vf scale=640:480 -srate 48000");
    EXPECT_EQ(form.GetOutputSize(dialog.ProfilePath), "640:480");

    form.cmbProfile->setCurrentIndex(2);
    form.cmbProfileChange();
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_EQ(prompter.messages[0].text, "The profile \"C damaged\" cannot be used: its Sample Rate Index value \"9\" is "
                                         "not an item of its list (0 to 1).\nFile: " + programDir() + "Profiles/C damaged.bpf");
    EXPECT_EQ(dialog.OutputExt, ".mpg") << "a profile that cannot be used is not loaded";

    QFile::remove(programDir() + "Profiles/A mp3.bpf");
    form.cmbProfile->setCurrentIndex(0);
    form.cmbProfileChange();
    EXPECT_EQ(dialog.OutputExt, ".mpg") << "a profile removed since start-up changes nothing";
}

TEST_F(OutputSettings, OkChecksInOrderWithTheirFocusAndTheMainWindowWaits)
{
    TopSettingForm& dialog = loaded("B mp2");
    TMainForm& form = *m_form;
    form.bbtnSetting->click();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(form.isEnabled()) << "the main window takes no input while the dialog is shown";
    EXPECT_TRUE(dialog.isEnabled());

    dialog.cmbSrate->setEditText("44100");
    dialog.cmbVbitrate->setEditText("fast");
    dialog.btnOK->click();
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_EQ(prompter.messages.last().caption, "Invalid Video Bitrate");
    EXPECT_EQ(dialog.focusWidget(), dialog.cmbVbitrate);

    dialog.cmbVbitrate->setEditText("1800");
    dialog.cmbAbitrate->setEditText("");
    dialog.btnOK->click();
    EXPECT_EQ(prompter.messages.last().text, "The Audio bitrate is invalid.");
    EXPECT_EQ(dialog.focusWidget(), dialog.cmbVbitrate) << "the video bitrate box, as the program always did";

    dialog.cmbAbitrate->setEditText("160");
    dialog.btnOK->click();
    EXPECT_EQ(prompter.messages.last().text, "The maximum value of audio bitrate for MP2 codec is 128");
    EXPECT_EQ(dialog.cmbAbitrate->currentText(), "128");
    EXPECT_EQ(dialog.focusWidget(), dialog.cmbAbitrate);
    EXPECT_TRUE(dialog.isVisible());

    dialog.btnOK->click();
    EXPECT_EQ(prompter.messages.size(), 3);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(form.isEnabled());
    // Unlike the lists' choices, the tracks choice is kept in the profile's file.
    form.bbtnSetting->click();
    dialog.cmbTracks->setCurrentIndex(1);
    dialog.btnOK->click();
    EXPECT_TRUE(ReadBytes(programDir() + "Profiles/B mp2.bpf").startsWith("[Main]\nType=mpg\nTracks=first\n"));
    EXPECT_TRUE(form.BuildEncoderOptions(dialog.ProfilePath).endsWith(" -tracks first"));
}

TEST_F(OutputSettings, CancelPutsBackWhatWasShown)
{
    TopSettingForm& dialog = loaded("A mp3");
    m_form->bbtnSetting->click();
    dialog.rdbManualSize->setChecked(true);
    dialog.edtWidth->setText("720");
    dialog.cmbAcodec->setCurrentIndex(1);
    dialog.cmbTracks->setCurrentIndex(1);
    EXPECT_TRUE(dialog.panMP3->isHidden());
    dialog.btnCancelClick();
    EXPECT_TRUE(m_form->isEnabled());

    m_form->bbtnSetting->click();
    EXPECT_TRUE(dialog.rdbSelectSize->isChecked());
    EXPECT_FALSE(dialog.rdbManualSize->isChecked());
    EXPECT_EQ(dialog.edtWidth->text(), "");
    EXPECT_EQ(dialog.cmbAcodec->currentText(), "MP3");
    EXPECT_EQ(dialog.cmbTracks->currentIndex(), 0);
    EXPECT_FALSE(dialog.panMP3->isHidden());
    EXPECT_TRUE(dialog.panLavc->isHidden());
    dialog.close();
}

TEST_F(OutputSettings, DescriptionFollowsTheBoxEnteredAndEveryKeystroke)
{
    TopSettingForm& dialog = loaded("A mp3");
    dialog.cmbVcodecEnter(dialog.cmbVcodec);
    EXPECT_EQ(dialog.memDescription->toPlainText(), "Which video codec.\nCurrent Value: MPEG-4");
    dialog.cmbVbitrate->lineEdit()->selectAll();
    typeInto(dialog.cmbVbitrate, "25");
    EXPECT_EQ(dialog.memDescription->toPlainText(), "How many kbit a second.\nCurrent Value: 25");
    typeInto(dialog.cmbVbitrate, "0");
    EXPECT_EQ(dialog.memDescription->toPlainText(), "How many kbit a second.\nCurrent Value: 250");
}
