#include "settings/IniFile.h"
#include "tests/support/Clips.h"
#include "tests/ui/ProgramFolderFixture.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

namespace {

// The window's side of a job; the job itself is tested through its view interface.
class MainFormJob : public ProgramFolderFixture {
protected:
    void SetUp() override
    {
        QDir(programDir()).mkdir("clips");
        ClipRecipe recipe;
        recipe.seconds = 0.5;
        recipe.width = 64;
        recipe.height = 48;
        for (const char* name : {"a.avi", "b.avi"})
            MakeClip(programDir() + "clips/" + name, recipe);
    }

    TMainForm& started()
    {
        TMainForm& form = start();
        form.show();
        form.DropFiles({programDir() + "clips/a.avi"});
        QApplication::processEvents();
        return form;
    }
};

}

TEST_F(MainFormJob, StartChecksThenAJobWithoutItsEncoderEndsCleanly)
{
    TMainForm& form = started();
    form.tbtnStartClick();
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_EQ(prompter.messages[0].caption, "Add More Videos");

    form.DropFiles({programDir() + "clips/b.avi"});
    QApplication::processEvents();
    form.edtOutputFile->setText(programDir() + "joined");
    // This program folder has no encoder program.
    form.tbtnStartClick();
    EXPECT_EQ(form.edtOutputFile->text(), programDir() + "joined") << "no profile loaded: no extension to add";
    ASSERT_EQ(prompter.messages.size(), 2);
    EXPECT_EQ(prompter.messages[1].text, "Error. Please re-install Velmo AVI Video Joiner");
    EXPECT_EQ(form.jobState(), JobState::Idle);
    EXPECT_FALSE(form.timerTime->isActive());
    EXPECT_TRUE(form.panBottomCenter->isVisible());
    EXPECT_FALSE(form.panBottomLeft->isVisible());
    EXPECT_TRUE(form.tbtnStart->isEnabled() && form.ltvTask->isEnabled() && form.tbtnAddFile->isEnabled());
    EXPECT_FALSE(form.tbtnStop->isEnabled());
}

TEST_F(MainFormJob, JobModeAndTheProgressDisplay)
{
    TMainForm& form = started();
    form.EnterJobMode();
    EXPECT_FALSE(form.tbtnStart->isEnabled() || form.tbtnSetting->isEnabled() || form.ltvTask->isEnabled());
    EXPECT_TRUE(form.tbtnStop->isEnabled());
    EXPECT_TRUE(form.tbtnAbout->isEnabled() && form.tbtnHelp->isEnabled());
    const int width = form.width();
    form.showProgress(true);
    EXPECT_FALSE(form.panBottomCenter->isVisible());
    EXPECT_TRUE(form.panBottomLeft->isVisible());
    form.showProgress(false);
    EXPECT_EQ(form.width(), width) << "the window keeps its size through a job";
    form.showProgress(true);
    form.setBars(130, -4);
    EXPECT_EQ(form.labCurProgress->text(), "100%") << "the label reads the bar back";
    EXPECT_EQ(form.labTotalProgress->text(), "0%");
    form.LeaveJobMode();
    EXPECT_TRUE(form.tbtnStart->isEnabled() && form.tbtnRemove->isEnabled() && form.ltvTask->isEnabled());
    EXPECT_FALSE(form.tbtnStop->isEnabled());
}

TEST_F(MainFormJob, ClosingTheWindowDuringAJobEndsItAndLeavesNoIntermediateFile)
{
    // A slow stand-in in place of the encoder program of this program folder.
    ASSERT_TRUE(QFile::copy(STAND_IN_ENCODER, programDir() + "asapi.dll"));
    writeFile("script", "write working\\n\nsleep 20000\noutput\nexit 0\n");
    qputenv("VELMO_STAND_IN_SCRIPT", (programDir() + "script").toUtf8());
    TMainForm& form = started();
    form.DropFiles({programDir() + "clips/b.avi"});
    QApplication::processEvents();
    form.edtOutputFile->setText(programDir() + "joined.avi");

    // The first close is answered No and the job goes on; the second, Yes.
    prompter.answer(false);
    prompter.answer(true);
    bool runningAfterNo = false;
    QTimer::singleShot(300, &form, [&] {
        form.close();
        runningAfterNo = form.isVisible() && form.jobState() == JobState::Running;
        form.close();
    });
    QElapsedTimer took;
    took.start();
    form.tbtnStartClick();
    EXPECT_TRUE(runningAfterNo);
    EXPECT_LT(took.elapsed(), 15000) << "the encoder was stopped";
    EXPECT_TRUE(QDir(programDir() + "temp").entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
    ASSERT_EQ(prompter.messages.size(), 2) << "closing asks and says nothing else";
    EXPECT_EQ(prompter.messages[1].kind, FakePrompter::Kind::AskWarning);
    EXPECT_EQ(prompter.messages[1].text, "A job is running. Do you want to stop it and exit?");
    EXPECT_EQ(TIniFile(programDir() + "Preferences.ini").ReadText("Main", "Output File", ""),
              programDir() + "joined.avi")
        << "the preferences were saved";
    EXPECT_FALSE(QFile::exists(programDir() + "joined.avi"));
    qunsetenv("VELMO_STAND_IN_SCRIPT");
}

TEST_F(MainFormJob, AFailedEntrysStatusTellsWhyAndKeepsItWhenMoved)
{
    ASSERT_TRUE(QFile::copy(STAND_IN_ENCODER, programDir() + "asapi.dll"));
    writeFile("script", "write Pos: 0.2s 5f ( 40%)\\r[mpeg4] unsupported frame size\\n\nexit 1\n");
    qputenv("VELMO_STAND_IN_SCRIPT", (programDir() + "script").toUtf8());
    TMainForm& form = started();
    form.DropFiles({programDir() + "clips/b.avi"});
    QApplication::processEvents();
    form.edtOutputFile->setText(programDir() + "joined.avi");
    form.activateWindow();
    QApplication::processEvents();

    form.tbtnStartClick();
    qunsetenv("VELMO_STAND_IN_SCRIPT");
    QTreeWidgetItem* failed = form.ltvTask->topLevelItem(0);
    EXPECT_EQ(failed->text(3), "Failed");
    EXPECT_EQ(failed->toolTip(3), "[mpeg4] unsupported frame size");
    EXPECT_EQ(failed->toolTip(1), programDir() + "clips/a.avi") << "the other columns still show the path";
    EXPECT_EQ(inhibitor.calls, (QStringList{"inhibit: Joining 2 videos into joined.avi", "release"}));
    EXPECT_EQ(notifier.shown.isEmpty(), form.isActiveWindow()) << "a user looking at the window is not notified";

    failed->setSelected(true);
    form.tbtnDownClick();
    EXPECT_EQ(form.ltvTask->topLevelItem(1)->toolTip(3), "[mpeg4] unsupported frame size");
    EXPECT_EQ(form.ltvTask->topLevelItem(0)->toolTip(3), programDir() + "clips/b.avi");
}
