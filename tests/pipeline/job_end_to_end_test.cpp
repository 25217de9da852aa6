#include "pipeline/JobRunner.h"
#include "profiles/EncoderOptions.h"
#include "profiles/ProfileContents.h"
#include "settings/ProgramValues.h"
#include "tasks/MediaProbe.h"
#include "tasks/TaskEntry.h"
#include "tests/pipeline/FakeJobView.h"
#include "tests/pipeline/RunJob.h"
#include "tests/support/Clips.h"
#include "tests/support/FakePrompter.h"
#include "tasks/MemoryTaskRowStore.h"
#include "tests/pipeline/OptionWords.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

namespace {

// Jobs through the real encoder of the program folder, on clips ffmpeg makes. The temp
// folder holds files of the user's own with the names the job gives its intermediates.
class JobEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        QDir(m_dir.path()).mkpath("out put");
        QDir(m_dir.path()).mkpath("temp");
        for (const QString& name : userFiles()) {
            QFile file(m_dir.filePath("temp/" + name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("the user's own " + name.toUtf8());
        }
        const auto clip = [&](const QString& name, double seconds, const QString& video, const QString& audio) {
            ClipRecipe recipe;
            recipe.seconds = seconds;
            recipe.width = 160;
            recipe.height = 120;
            recipe.videoCodec = video;
            recipe.audioCodec = audio;
            MakeClip(m_dir.filePath(name), recipe);
            add(m_dir.filePath(name));
        };
        clip("a.mp4", 1.0, "libx264", "aac");
        clip("b.mpg", 1.5, "mpeg2video", "mp2");
        clip("my \"odd\" clip.avi", 0.8, "mpeg4", "libmp3lame");
    }

    void add(const QString& path)
    {
        rows.appendRow(path);
        ltvItemData entry;
        entry.path = path;
        const std::optional<MediaProbe> probe = ProbeMedia(path);
        entry.cells[CellLength] = probe ? probe->lengthText : QString("00:00:01");
        entry.cells[CellStatus] = "OK";
        WriteTaskEntry(rows, rows.rowCount() - 1, EntryWhole, entry);
    }

    JobSettings settings()
    {
        JobSettings job;
        job.encoderPath = ProgramFolder() + "asapi.dll";
        job.outputFile = m_dir.filePath("out put/joined.avi");
        job.outputExt = ".avi";
        job.policy = OverwritePolicy::Rename;
        job.tempDir = m_dir.filePath("temp");
        job.fallbackTempDir = m_dir.filePath("fallback/");
        job.frameSize = [] { return QString("320:240"); };
        // Side by side, as on the users' machines.
        job.conversionRunsAtOnce = 2;
        job.joinOptions = [] {
            return OptionWords(" -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=800:mbd=2:autoaspect -oac mp3lame -lameopts"
                           " vbr=2:q=4 -channels 2 -vf scale=320:240 -srate 44100");
        };
        return job;
    }

    static QStringList userFiles() { return {"0.avi", "1.avi"}; }

    // Every ending leaves the temp folder as it was: the user's files, unchanged, and nothing else.
    void expectTempFolderAsBefore() const
    {
        const QDir temp(m_dir.filePath("temp"));
        EXPECT_EQ(temp.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), userFiles());
        for (const QString& name : userFiles()) {
            QFile file(temp.filePath(name));
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            EXPECT_EQ(file.readAll(), "the user's own " + name.toUtf8());
        }
    }

    QStringList statuses() const
    {
        QStringList texts;
        for (const MemoryTaskRowStore::Row& row : rows.rows)
            texts << row.cells[CellStatus];
        return texts;
    }

    QTemporaryDir m_dir;
    MemoryTaskRowStore rows;
    FakeJobView view;
    FakePrompter prompter;
    JobRunner runner{rows, view, prompter};
};

}

TEST_F(JobEndToEnd, MixedFilesJoinIntoOneBesideAnOutputThatIsKept)
{
    QFile existing(m_dir.filePath("out put/joined.avi"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("keep me");
    existing.close();

    EXPECT_EQ(RunJob(runner, settings()), JobEnd::Completed) << prompter.messages.value(0).text.toStdString();
    const QString output = m_dir.filePath("out put/joined_1.avi");
    EXPECT_EQ(view.completedWith, output);
    EXPECT_EQ(view.outputFile, output) << "the output box shows the file that was written";
    EXPECT_EQ(statuses(), (QStringList{"Complete", "Complete", "Complete"}));
    expectTempFolderAsBefore();
    EXPECT_EQ(ProbeValue(output, "v:0", "stream=width"), "320");
    EXPECT_NEAR(ProbeValue(output, "", "format=duration").toDouble(), 1.0 + 1.5 + 0.8, 0.5);
    ASSERT_TRUE(existing.open(QIODevice::ReadOnly));
    EXPECT_EQ(existing.readAll(), "keep me");
}

TEST_F(JobEndToEnd, StopDuringTheJoinLeavesNothing)
{
    view.onOutput = [&](const QByteArray&) {
        if (view.title.startsWith("Final Step"))
            runner.tbtnStopClick();
    };
    EXPECT_EQ(RunJob(runner, settings()), JobEnd::Stopped);
    EXPECT_EQ(statuses(), (QStringList{"Stop", "Stop", "Stop"}));
    EXPECT_EQ(prompter.messages.last().text, "The Joining is canceled.");
    expectTempFolderAsBefore();
    EXPECT_TRUE(QDir(m_dir.filePath("out put")).entryList(QDir::Files).isEmpty());
    EXPECT_EQ(runner.state(), JobState::Idle);
}

// Side by side in the intermediate plan, or one at a time in the encode-once plan, where
// the last two short inputs make one group: its failure is still the broken file's own.
class JobEndToEndFailure : public JobEndToEnd, public ::testing::WithParamInterface<JobPlan> {};

TEST_P(JobEndToEndFailure, AnUnreadableInputFailsItsConversion)
{
    QFile broken(m_dir.filePath("broken.avi"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a video at all");
    broken.close();
    add(m_dir.filePath("broken.avi"));
    JobSettings job = settings();
    job.plan = GetParam();
    if (job.plan == JobPlan::EncodeOnce)
        job.conversionRunsAtOnce = 1;
    EXPECT_EQ(RunJob(runner, job), JobEnd::Failed);
    EXPECT_EQ(statuses().last(), "Failed");
    ASSERT_FALSE(prompter.messages.isEmpty());
    EXPECT_EQ(prompter.messages.last().caption, "Conversion Failed");
    EXPECT_TRUE(prompter.messages.last().text.startsWith("The conversion of broken.avi failed.\n"))
        << prompter.messages.last().text.toStdString();
    expectTempFolderAsBefore();
}

INSTANTIATE_TEST_SUITE_P(BothPlans, JobEndToEndFailure, ::testing::Values(JobPlan::Intermediate, JobPlan::EncodeOnce),
                         [](const auto& info) {
                             return std::string(info.param == JobPlan::Intermediate ? "Intermediate" : "EncodeOnce");
                         });

// An input moved over or rewritten after Start fails the job, whether a conversion or the
// join read it last: nothing is written, not even the output that the join made. Two runs
// side by side convert the two longer inputs first, the shortest last.
TEST_F(JobEndToEnd, AnInputChangedAfterStartFailsTheJob)
{
    // At the first output of the stage whose title begins with `during`, the input is
    // rewritten in place or another file is moved over it.
    const struct { const char *during, *input; bool inPlace; const char* failed; } cases[] = {
        {"Prepare", "my \"odd\" clip.avi", false, "The conversion of my \"odd\" clip.avi failed."},
        {"Final Step", "a.mp4", true, "The joining failed."},
    };
    const QString other = m_dir.filePath("b.mpg");
    for (const auto& test : cases) {
        const QString input = m_dir.filePath(test.input);
        view.onOutput = [&, changed = false](const QByteArray&) mutable {
            if (changed || !view.title.startsWith(test.during))
                return;
            changed = true;
            if (test.inPlace)
                WriteBytes(input, ReadBytes(other));
            else
                EXPECT_TRUE(QFile::copy(other, input + ".new") && std::rename(QFile::encodeName(input + ".new"),
                                                                              QFile::encodeName(input)) == 0);
        };
        EXPECT_EQ(RunJob(runner, settings()), JobEnd::Failed) << test.input;
        EXPECT_EQ(prompter.messages.value(prompter.messages.size() - 1).text,
                  QString(test.failed) + "\n" + test.input
                      + " changed while the job was running (replaced or rewritten): nothing was written");
        EXPECT_TRUE(QDir(m_dir.filePath("out put")).entryList(QDir::Files).isEmpty()) << test.input;
        expectTempFolderAsBefore();
    }
}

// A temp folder whose file system fills up fails the job in words about the space, and
// leaves no output: five noisy inputs make intermediates larger than the 8 MB it holds.
TEST_F(JobEndToEnd, AFullTempFolderFailsTheJob)
{
    const QString small = m_dir.filePath("small");
    if (!QDir().mkpath(small) || RunProgram("mount", {"-t", "tmpfs", "-o", "size=8m", "tmpfs", small}).exitCode != 0)
        GTEST_SKIP() << "a small file system cannot be mounted here: the test needs root";
    const std::unique_ptr<const QString, void (*)(const QString*)> mounted(
        &small, [](const QString* folder) { RunProgram("umount", {*folder}); });
    ClipRecipe noisy;
    noisy.seconds = 3;
    noisy.width = 160;
    noisy.height = 120;
    noisy.outputOptions = {"-vf", "noise=alls=100:allf=t"};
    rows.rows.clear();
    for (int copy = 0; copy < 5; ++copy)
        add(SharedClip(noisy));
    JobSettings job = settings();
    job.tempDir = small;
    job.frameSize = [] { return QString("160:120"); };
    job.spaceCheck = SpaceCheck::Skip;
    EXPECT_EQ(RunJob(runner, job), JobEnd::Failed);
    const QString message = prompter.messages.value(prompter.messages.size() - 1).text;
    EXPECT_TRUE(message.contains("No space left on the device of ")) << message.toStdString();
    EXPECT_TRUE(QDir(m_dir.filePath("out put")).entryList(QDir::Files).isEmpty());
    EXPECT_TRUE(QDir(small).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
}

// Output settings that the join cannot use are found before any file is converted.
TEST_F(JobEndToEnd, ADamagedProfileFailsBeforeAnyConversion)
{
    JobSettings job = settings();
    job.joinOptions = [] { return OptionWords(" -ovc lavc -lavcopts vcodec=mpeg4:vbitrate -oac mp3lame"); };
    EXPECT_EQ(RunJob(runner, job), JobEnd::Failed);
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_EQ(prompter.messages[0].caption, "Output Settings");
    EXPECT_TRUE(prompter.messages[0].text.contains("vbitrate")) << prompter.messages[0].text.toStdString();
    EXPECT_EQ(statuses(), (QStringList{"OK", "OK", "OK"})) << "no file was converted";
    expectTempFolderAsBefore();
}

// A profile that keeps the streams joins files of one format as they are, and names the
// file of another format before anything runs.
TEST_F(JobEndToEnd, SameFormatFilesAreJoinedAsTheyAreAndAnotherFormatIsNamed)
{
    rows.rows.clear();
    ClipRecipe recipe;
    recipe.seconds = 1.0;
    recipe.width = 160;
    recipe.height = 120;
    recipe.videoCodec = "libx264";
    recipe.audioCodec = "aac";
    for (const char* name : {"phone1.mp4", "phone2.mp4"}) {
        MakeClip(m_dir.filePath(name), recipe);
        add(m_dir.filePath(name));
    }
    JobSettings job = settings();
    job.outputFile = m_dir.filePath("out put/joined.mp4");
    job.outputExt = ".mp4";
    job.plan = JobPlan::EncodeOnce;
    job.joinOptions = [] { return OptionWords(" -ovc copy -oac copy"); };
    EXPECT_EQ(RunJob(runner, job), JobEnd::Completed) << prompter.messages.value(0).text.toStdString();
    const QString output = m_dir.filePath("out put/joined.mp4");
    EXPECT_EQ(ProbeValue(output, "v:0", "stream=codec_name"), "h264");
    EXPECT_EQ(ProbeValue(output, "v:0", "stream=width"), "160") << "the picture is the inputs' own";
    expectTempFolderAsBefore();

    recipe.width = 320;
    recipe.height = 240;
    MakeClip(m_dir.filePath("camera.mp4"), recipe);
    add(m_dir.filePath("camera.mp4"));
    prompter.messages.clear();
    job.policy = OverwritePolicy::Overwrite;
    prompter.answer(false);
    EXPECT_EQ(RunJob(runner, job), JobEnd::Failed);
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_EQ(prompter.messages[0].caption, "Inputs Differ");
    EXPECT_TRUE(prompter.messages[0].text.contains("\ncamera.mp4: frame size 320x240, not 160x120"))
        << prompter.messages[0].text.toStdString();
    EXPECT_EQ(statuses(), (QStringList{"OK", "OK", "OK"})) << "nothing was joined";
    expectTempFolderAsBefore();

    // Asked again, the user has the one that differs encoded and the others copied.
    prompter.answer(true);
    EXPECT_EQ(RunJob(runner, job), JobEnd::Completed) << prompter.messages.last().text.toStdString();
    EXPECT_EQ(ProbeValue(output, "v:0", "stream=width"), "160");
    EXPECT_EQ(statuses(), (QStringList{"Complete", "Complete", "Complete"}));
    expectTempFolderAsBefore();
}

// The window's job and a console job started together from one program folder share its
// temp folder: each output holds its own inputs only.
TEST_F(JobEndToEnd, TwoJobsAtOnceKeepTheirFilesApart)
{
    const QString program = m_dir.filePath("velmo") + "/";
    QDir(m_dir.path()).mkpath("velmo/Profiles");
    for (const char* file : {"velmo-joiner", "asapi.dll", "Preferences.ini", ProgramValues::BuildFolderMark,
                             "Profiles/AVI - MPEG-4 Video.bpf"})
        ASSERT_TRUE(QFile::copy(ProgramFolder() + file, program + file));
    ClipRecipe recipe;
    recipe.seconds = 2.0;
    recipe.width = 160;
    recipe.height = 120;
    MakeClip(m_dir.filePath("long1.mp4"), recipe);
    MakeClip(m_dir.filePath("long2.mp4"), recipe);

    QProcess console;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("DISPLAY");
    environment.insert("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + m_dir.filePath("no-bus"));
    environment.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + m_dir.filePath("no-bus"));
    console.setProcessEnvironment(environment);
    console.setStandardInputFile(QProcess::nullDevice());
    // Both write "joined.avi", which neither finds at its start: the job that ends second
    // takes the next free name and never replaces the other's file.
    const QString joined = m_dir.filePath("out put/joined.avi");
    console.start(program + "velmo-joiner", {"--join", "--profile", "AVI - MPEG-4 Video", "--output", joined, "--",
                                             m_dir.filePath("long1.mp4"), m_dir.filePath("long2.mp4")});
    ASSERT_TRUE(console.waitForStarted());
    JobSettings job = settings();
    job.tempDir.clear();
    job.fallbackTempDir = program + "temp/";
    EXPECT_EQ(RunJob(runner, job), JobEnd::Completed) << prompter.messages.value(0).text.toStdString();
    // The console job may have ended while the window's ran.
    ASSERT_TRUE(console.state() == QProcess::NotRunning || console.waitForFinished(120000));
    EXPECT_EQ(console.exitCode(), 0) << console.readAllStandardError().toStdString();

    const QString windows = view.completedWith;
    const QString consoles = windows == joined ? m_dir.filePath("out put/joined_1.avi") : joined;
    EXPECT_TRUE(windows == joined || windows == m_dir.filePath("out put/joined_1.avi")) << windows.toStdString();
    EXPECT_NEAR(ProbeValue(windows, "", "format=duration").toDouble(), 1.0 + 1.5 + 0.8, 0.2);
    EXPECT_NEAR(ProbeValue(consoles, "", "format=duration").toDouble(), 4.0, 0.2);
    EXPECT_TRUE(QDir(program + "temp").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
}

// A profile value with a blank and "-o" is refused at Start; and were it let through, it
// would stay one argument, which the encoder refuses: the user's file is never written.
TEST_F(JobEndToEnd, AProfileValueNeverBecomesAnOption)
{
    const QString precious = m_dir.filePath("out put/precious.txt");
    WriteBytes(precious, "the user's own");
    const QString profile = m_dir.filePath("Edited.bpf");
    WriteBytes(profile, ReadBytes(ProgramFolder() + "Profiles/AVI - MPEG-4 Video.bpf")
                            .replace("value2=640:480", "value2=640:480 -o " + precious.toUtf8()));
    const OutputChoices choices = InitialChoices(*ReadProfile(profile));

    for (const JobPlan plan : {JobPlan::Intermediate, JobPlan::EncodeOnce}) {
        JobSettings job = settings();
        job.plan = plan;
        job.frameSize = [&] { return GetOutputSize(profile, choices); };
        job.joinOptions = [&] { return BuildJoinOptions(profile, choices); };
        job.profileRefusal = [&] { return CheckProfile(profile, choices); };
        EXPECT_EQ(RunJob(runner, job), JobEnd::NotStarted);
        ASSERT_EQ(prompter.messages.size(), 1);
        EXPECT_TRUE(prompter.messages.takeFirst().text.contains("Video Size value \"640:480 -o " + precious + "\""));

        job.profileRefusal = nullptr;
        EXPECT_EQ(RunJob(runner, job), JobEnd::Failed);
        prompter.messages.clear();
        EXPECT_EQ(QDir(m_dir.filePath("out put")).entryList(QDir::Files), QStringList{"precious.txt"});
        EXPECT_EQ(ReadBytes(precious), "the user's own");
        expectTempFolderAsBefore();
    }
}
