#include "settings/IniFile.h"
#include "tests/support/Clips.h"
#include "tests/support/JobFolders.h"
#include "tests/ui/ProgramFolderFixture.h"
#include "ui/CommandLinesWindow.h"
#include "ui/TerminationSignals.h"

#include <QApplication>
#include <QDir>
#include <QPlainTextEdit>
#include <QEventLoop>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <csignal>
#include <optional>

namespace {

// The window's side of a job; the job itself is tested through its view interface.
class MainFormJob : public ProgramFolderFixture {
protected:
    // Copies of one clip, made once for all the tests.
    void SetUp() override
    {
        ClipRecipe recipe;
        recipe.seconds = 0.5;
        recipe.width = 64;
        recipe.height = 48;
        const QString source = SharedClip(recipe);
        QDir(programDir()).mkdir("clips");
        for (const char* name : {"a.avi", "b.avi"})
            ASSERT_TRUE(QFile::copy(source, programDir() + "clips/" + name));
        QDir(programDir()).mkdir("Profiles");
        for (const char* profile : {"AVI - MPEG-4 Video.bpf", "WMV - Windows Media Video 8.bpf"})
            ASSERT_TRUE(QFile::copy(ProgramFolder() + "Profiles/" + profile, programDir() + "Profiles/" + profile));
    }

    // A slow stand-in in place of the encoder program of this program folder: it writes its
    // intermediate, then is silent for a long while; a run that is not stopped leaves a trace.
    void slowEncoder()
    {
        ASSERT_TRUE(QFile::copy(STAND_IN_ENCODER, programDir() + "asapi.dll"));
        writeFile("script", "output\nwrite working\\n\nsleep 20000\ntouch " + (programDir() + "ran its course").toUtf8()
                                + "\nexit 0\n");
        qputenv("VELMO_STAND_IN_SCRIPT", (programDir() + "script").toUtf8());
    }

    TMainForm& started()
    {
        TMainForm& form = start();
        form.show();
        form.DropFiles({programDir() + "clips/a.avi"});
        QApplication::processEvents();
        return form;
    }

    // Start, then the event loop turns until the job has ended.
    static JobEnd startToTheEnd(TMainForm& form)
    {
        std::optional<JobEnd> end;
        QEventLoop untilEnded;
        const QMetaObject::Connection told = QObject::connect(&form, &TMainForm::jobEnded, &untilEnded, [&](JobEnd how) {
            end = how;
            untilEnded.quit();
        });
        form.tbtnStartClick();
        if (!end)
            untilEnded.exec();
        QObject::disconnect(told);
        return *end;
    }
};

}

TEST_F(MainFormJob, StartChecksThenAJobWithoutItsEncoderEndsCleanly)
{
    TMainForm& form = started();
    startToTheEnd(form);
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_EQ(prompter.messages[0].caption, "Add More Videos");

    form.DropFiles({programDir() + "clips/b.avi"});
    QApplication::processEvents();
    form.edtOutputFile->setText(programDir() + "joined");
    // This program folder has no encoder program.
    startToTheEnd(form);
    EXPECT_EQ(form.edtOutputFile->text(), programDir() + "joined.avi") << "the profile's type is added";
    ASSERT_EQ(prompter.messages.size(), 2);
    EXPECT_EQ(prompter.messages[1].text, "Error. Please re-install Velmo AVI Video Joiner");

    form.chooseProfile("WMV - Windows Media Video 8");
    EXPECT_EQ(form.edtOutputFile->text(), programDir() + "joined.wmv") << "the new profile's type replaces the old";
    form.edtOutputFile->setText("~/joined.wmv");
    startToTheEnd(form);
    EXPECT_EQ(form.edtOutputFile->text(), QDir::homePath() + "/joined.wmv") << "a leading ~ is the home folder";
    ASSERT_EQ(prompter.messages.size(), 3);
    EXPECT_EQ(prompter.messages[2].text, "Error. Please re-install Velmo AVI Video Joiner");
    EXPECT_EQ(form.jobState(), JobState::Idle);
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
    slowEncoder();
    TMainForm& form = started();
    form.DropFiles({programDir() + "clips/b.avi"});
    QApplication::processEvents();
    form.edtOutputFile->setText(programDir() + "joined.avi");

    // Once the first intermediate is there, the first close is answered No and the job goes
    // on; the second, Yes.
    prompter.answer(false);
    prompter.answer(true);
    bool runningAfterNo = false;
    QStringList intermediatesAtClose;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, &form, [&] {
        if (!FoldersWithFiles(programDir() + "temp").join('\n').contains(": 0."))
            return;
        look.stop();
        intermediatesAtClose = FoldersWithFiles(programDir() + "temp");
        form.close();
        runningAfterNo = form.isVisible() && form.jobState() == JobState::Running;
        form.close();
    });
    look.start(10);
    startToTheEnd(form);
    ASSERT_EQ(intermediatesAtClose.size(), 1);
    EXPECT_TRUE(intermediatesAtClose[0].startsWith("velmo-job-XXXXXX: 0.")) << intermediatesAtClose[0].toStdString();
    EXPECT_TRUE(runningAfterNo);
    EXPECT_FALSE(QFileInfo::exists(programDir() + "ran its course")) << "the encoder was stopped";
    EXPECT_TRUE(QDir(programDir() + "temp").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty())
        << "the job's folder and its intermediate are gone";
    ASSERT_EQ(prompter.messages.size(), 2) << "closing asks and says nothing else";
    EXPECT_EQ(prompter.messages[1].kind, FakePrompter::Kind::AskWarning);
    EXPECT_EQ(prompter.messages[1].text, "A job is running. Do you want to stop it and exit?");
    EXPECT_EQ(TIniFile(programDir() + "Preferences.ini").ReadText("Main", "Output File", ""),
              programDir() + "joined.avi")
        << "the preferences were saved";
    EXPECT_FALSE(QFile::exists(programDir() + "joined.avi"));
    qunsetenv("VELMO_STAND_IN_SCRIPT");
}

TEST_F(MainFormJob, ATerminationSignalDuringAJobEndsItAndLeavesNothingBehind)
{
    slowEncoder();
    qputenv("TMPDIR", programDir().toUtf8());
    TMainForm& form = started();
    form.DropFiles({programDir() + "clips/b.avi"});
    QApplication::processEvents();
    form.edtOutputFile->setText(programDir() + "joined.avi");
    TerminationSignals endings;
    QObject::connect(&endings, &TerminationSignals::arrived, &form, &TMainForm::endAtSignal);

    QTimer look;
    QObject::connect(&look, &QTimer::timeout, &form, [&] {
        if (FoldersWithFiles(programDir() + "temp").join('\n').contains(": 0.")) {
            look.stop();
            raise(SIGTERM);
        }
    });
    look.start(10);
    startToTheEnd(form);
    EXPECT_FALSE(look.isActive()) << "the signal came during the job";
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(prompter.messages.isEmpty()) << "nobody is asked";
    EXPECT_FALSE(QFileInfo::exists(programDir() + "ran its course")) << "the encoder was stopped";
    EXPECT_TRUE(QDir(programDir() + "temp").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
    QString children;
    for (const QString& thread : QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile list("/proc/self/task/" + thread + "/children");
        if (list.open(QIODevice::ReadOnly))
            children += QString::fromLatin1(list.readAll()).trimmed();
    }
    EXPECT_EQ(children, "") << "no child runs on";
    m_form.reset();
    EXPECT_TRUE(QDir(programDir()).entryList({"velmo-joiner-thumbnails-*"}, QDir::AllEntries).isEmpty())
        << "the pictures' folder goes with the window";
    qunsetenv("TMPDIR");
    qunsetenv("VELMO_STAND_IN_SCRIPT");
}

// The popup menu shows the command lines a job would run now, to read and copy, and runs none.
TEST_F(MainFormJob, ShowCommandLinesListsTheRunsOfAJobWithoutRunningThem)
{
    TMainForm& form = started();
    form.DropFiles({programDir() + "clips/b.avi"});
    QApplication::processEvents();
    form.edtOutputFile->setText(programDir() + "joined.avi");
    form.mnuCommandLines->trigger();
    const auto* window = form.findChild<CommandLinesWindow*>();
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->memLines->isReadOnly());
    const QStringList lines = window->memLines->toPlainText().split('\n');
    ASSERT_EQ(lines.size(), 3) << "a.avi's and b.avi's conversions, then the join";
    EXPECT_TRUE(lines[1].startsWith(" \"" + programDir() + "clips/b.avi\" -o ")) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].contains(" -o \"" + programDir() + "joined.avi\" ")) << lines[2].toStdString();
    EXPECT_FALSE(QFileInfo::exists(programDir() + "temp")) << "nothing ran";
}

TEST_F(MainFormJob, AFailedEntrysStatusTellsWhyAndKeepsItWhenMoved)
{
    // Only a.avi's conversion fails: the one entry that fails is a.avi's, whichever run ends first.
    ASSERT_TRUE(QFile::copy(STAND_IN_ENCODER, programDir() + "asapi.dll"));
    writeFile("script", "output\nexit 0\n");
    writeFile("script.a.avi", "write Pos: 0.2s 5f ( 40%)\\r[mpeg4] unsupported frame size\\n\nexit 1\n");
    qputenv("VELMO_STAND_IN_SCRIPT", (programDir() + "script").toUtf8());
    TMainForm& form = started();
    form.DropFiles({programDir() + "clips/b.avi"});
    QApplication::processEvents();
    form.edtOutputFile->setText(programDir() + "joined.avi");
    form.activateWindow();
    QApplication::processEvents();
    ASSERT_TRUE(form.isActiveWindow());

    startToTheEnd(form);
    QTreeWidgetItem* failed = form.ltvTask->topLevelItem(0);
    EXPECT_EQ(failed->text(3), "Failed");
    EXPECT_EQ(failed->toolTip(3), "[mpeg4] unsupported frame size");
    EXPECT_EQ(failed->toolTip(1), programDir() + "clips/a.avi") << "the other columns still show the path";
    EXPECT_EQ(inhibitor.calls, (QStringList{"inhibit: Joining 2 videos into joined.avi", "release"}));
    EXPECT_TRUE(notifier.shown.isEmpty()) << "a user looking at the window is not notified";

    failed->setSelected(true);
    form.tbtnDownClick();
    EXPECT_EQ(form.ltvTask->topLevelItem(1)->toolTip(3), "[mpeg4] unsupported frame size");
    EXPECT_EQ(form.ltvTask->topLevelItem(0)->toolTip(3), programDir() + "clips/b.avi");

    // A user at another window is told how the job ended.
    QWidget elsewhere;
    elsewhere.show();
    elsewhere.activateWindow();
    QApplication::processEvents();
    ASSERT_FALSE(form.isActiveWindow());
    startToTheEnd(form);
    qunsetenv("VELMO_STAND_IN_SCRIPT");
    EXPECT_EQ(notifier.shown, QStringList{"Joining failed: joined.avi"});
}
