#include "settings/ProgramValues.h"
#include "tests/support/Clips.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/types.h>

namespace {

// The processes whose command line holds the text, with their arguments.
QMap<pid_t, QByteArray> ProcessesNaming(const QString& text)
{
    QMap<pid_t, QByteArray> found;
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
        bool number = false;
        const pid_t pid = entry.toInt(&number);
        QFile file("/proc/" + entry + "/cmdline");
        if (!number || !file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray arguments = file.readAll();
        if (arguments.contains(text.toUtf8()))
            found.insert(pid, arguments);
    }
    return found;
}

// The value of one line of the process's status, empty when the process is gone.
QByteArray StatusValue(pid_t pid, const QByteArray& key)
{
    QFile status("/proc/" + QString::number(pid) + "/status");
    if (!status.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key + ':'))
            return line.mid(key.size() + 1).trimmed();
    }
    return {};
}

// True when every process of the group has stopped (or is gone).
bool GroupStopped(pid_t group)
{
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
        bool number = false;
        const pid_t pid = entry.toInt(&number);
        const QByteArray state = number && getpgid(pid) == group ? StatusValue(pid, "State") : QByteArray();
        if (!state.isEmpty() && !state.startsWith('T') && !state.startsWith('Z'))
            return false;
    }
    return true;
}

// True when the signal waits to be taken by the process; also when the process is gone.
bool SignalPending(pid_t pid, int signal)
{
    const QByteArray pending = StatusValue(pid, "ShdPnd");
    return pending.isEmpty() || (pending.toULongLong(nullptr, 16) & (1ULL << (signal - 1)));
}

// The console mode of a program folder of the test's own (its temp folder and
// preferences are the test's), on a machine without any display.
class ConsoleMode : public ::testing::Test {
protected:
    void SetUp() override
    {
        QDir(m_dir.path()).mkpath("velmo/Profiles");
        for (const char* file : {"velmo-joiner", "asapi.dll", "Preferences.ini", ProgramValues::BuildFolderMark})
            ASSERT_TRUE(QFile::copy(ProgramFolder() + file, folder() + file));
        ASSERT_TRUE(QFile::copy(ProgramFolder() + "Profiles/AVI - MPEG-4 Video.bpf",
                                folder() + "Profiles/AVI - MPEG-4 Video.bpf"));
        ClipRecipe recipe;
        recipe.seconds = 1.0;
        recipe.width = 160;
        recipe.height = 120;
        ASSERT_TRUE(QFile::copy(SharedClip(recipe, "mp4"), m_dir.filePath("a.mp4")));
        recipe.seconds = 1.5;
        ASSERT_TRUE(QFile::copy(SharedClip(recipe), m_dir.filePath("b clip.avi")));
    }

    QString folder() const { return m_dir.filePath("velmo") + "/"; }

    void start(QProcess& process, const QStringList& arguments)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("DISPLAY");
        environment.remove("WAYLAND_DISPLAY");
        environment.remove("QT_QPA_PLATFORM");
        // The program's jobs take a sleep lock and announce their end; here neither bus is there.
        environment.insert("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + m_dir.filePath("no-system-bus"));
        environment.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + m_dir.filePath("no-session-bus"));
        process.setProcessEnvironment(environment);
        process.setStandardInputFile(QProcess::nullDevice());
        process.start(folder() + "velmo-joiner", arguments);
        ASSERT_TRUE(process.waitForStarted());
    }

    ProgramRun run(const QStringList& arguments)
    {
        QProcess process;
        start(process, arguments);
        process.waitForFinished(120000);
        return {process.exitCode(), process.exitStatus() == QProcess::CrashExit,
                QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
    }

    QStringList join(const QStringList& more = {})
    {
        return QStringList{"--join", "--profile", "AVI - MPEG-4 Video", "--output", m_dir.filePath("joined")} + more
            + QStringList{"--", m_dir.filePath("a.mp4"), m_dir.filePath("b clip.avi")};
    }

    // The encoder run whose arguments hold the text, as soon as it runs; 0 when none
    // came within a minute. Not a check of a command line, and not a child that the
    // encoder has forked and that has not yet become ffmpeg: the job starts each run
    // in a process group of its own.
    pid_t encoderNaming(const QString& text) const
    {
        const QByteArray encoder = (folder() + "asapi.dll").toUtf8() + '\0';
        for (int wait = 0; wait < 30000; ++wait) {
            const QMap<pid_t, QByteArray> found = ProcessesNaming(text);
            for (auto run = found.begin(); run != found.end(); ++run) {
                if (run.value().startsWith(encoder) && !run.value().startsWith(encoder + "--check")
                    && getpgid(run.key()) == run.key())
                    return run.key();
            }
            QThread::msleep(2);
        }
        return 0;
    }

    // Runs the job until the encoder run whose arguments name heldRun has started, then sends
    // the job the signal; gives the job's exit code. The run is held stopped until the job has
    // asked it to end, so the job cannot get past it before the signal is seen.
    int signalDuring(const QString& heldRun, int signal, std::string& err)
    {
        QProcess process;
        start(process, join());
        const pid_t encoder = encoderNaming(heldRun);
        EXPECT_NE(encoder, 0) << "no encoder run names " << heldRun.toStdString();
        if (encoder != 0)
            kill(-encoder, SIGSTOP);
        // A stopped process takes no signal: the job's request to end waits, where it can be seen.
        for (int wait = 0; encoder != 0 && wait < 10000 && !GroupStopped(encoder); ++wait)
            QThread::msleep(1);
        kill(static_cast<pid_t>(process.processId()), signal);
        for (int wait = 0; encoder != 0 && wait < 10000 && !SignalPending(encoder, SIGTERM); ++wait)
            QThread::msleep(2);
        if (encoder != 0)
            kill(-encoder, SIGCONT);
        EXPECT_TRUE(process.waitForFinished(30000));
        err = process.readAllStandardError().toStdString();
        return process.exitCode();
    }

    // Every name in the test's folder and below, hidden ones too, a line each.
    std::string everything() const
    {
        QStringList names;
        QDirIterator entries(m_dir.path(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                             QDirIterator::Subdirectories);
        while (entries.hasNext())
            names << entries.next();
        names.sort();
        return names.join('\n').toStdString();
    }

    QTemporaryDir m_dir;
};

}

TEST_F(ConsoleMode, HelpAndMistakes)
{
    const ProgramRun help = run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("--join --profile NAME --output FILE"));
    EXPECT_TRUE(help.out.contains("  AVI - MPEG-4 Video\n")) << "the profiles are listed";

    struct Case {
        QStringList arguments;
        const char* says;
    };
    const Case cases[] = {
        {{"--join", "--output", "x.avi", "a", "b"}, "Name the output profile with --profile."},
        {{"--join", "--profile", "Nothing", "--output", "x.avi", "a", "b"}, "There is no profile \"Nothing\""},
        {{"--join", "--profile", "AVI - MPEG-4 Video", "--output", "x.avi", "a"}, "at least 2 videos"},
        {{"--join", "--frobnicate"}, "Unknown option --frobnicate."},
        {{"--join", "--tracks=some"}, "Say --tracks=all or --tracks=first."},
    };
    for (const Case& test : cases) {
        const ProgramRun mistaken = run(test.arguments);
        EXPECT_EQ(mistaken.exitCode, 2) << test.says;
        EXPECT_TRUE(mistaken.err.contains(test.says)) << mistaken.err.toStdString();
    }
}

// Chapters are asked for in the join into a type that keeps them, one titled after each file.
TEST_F(ConsoleMode, ChaptersAreAskedForEachFileUnlessTurnedOff)
{
    const QString profile = "MKV - H.264 and AAC";
    ASSERT_TRUE(QFile::copy(ProgramFolder() + "Profiles/" + profile + ".bpf", folder() + "Profiles/" + profile + ".bpf"));
    const QStringList mkv = {"--dry-run", "--profile", profile, "--output", m_dir.filePath("joined.mkv")};
    const QString titles = " -chaptertitle \"a\" -chaptertitle \"b clip\"\n";
    EXPECT_TRUE(run(mkv + QStringList{"--", m_dir.filePath("a.mp4"), m_dir.filePath("b clip.avi")}).out.endsWith(titles));
    EXPECT_FALSE(run(mkv + QStringList{"--no-chapters", "--", m_dir.filePath("a.mp4"), m_dir.filePath("b clip.avi")})
                     .out.contains("-chaptertitle"));
}

TEST_F(ConsoleMode, DryRunPrintsTheCommandLinesOfEachPlanAndRunsNothing)
{
    const QString temp = folder() + "temp/velmo-job-XXXXXX/";
    const QString a = m_dir.filePath("a.mp4");
    const QString b = m_dir.filePath("b clip.avi");
    const QString joinOptions = " -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=1800:mbd=2:autoaspect -oac mp3lame"
                                " -lameopts vbr=2:q=4 -channels 2 -vf scale=640:480 -srate 44100";
    const QString output = " -o \"" + m_dir.filePath("joined.avi") + "\" ";
    const struct {
        QStringList options;
        QString lines;
    } cases[] = {
        {{},
         " \"" + a + "\" -o \"" + temp + "0.mkv\" -piece -piecefor avi -ofps 30" + joinOptions + "\n"
         " \"" + b + "\" -o \"" + temp + "1.mkv\" -piece -piecefor avi -ofps 30" + joinOptions + "\n"
         " \"" + temp + "0.mkv\" \"" + temp + "1.mkv\"" + output + joinOptions + "\n"},
        {{"--plan=intermediate"},
         " \"" + a + "\" -o \"" + temp + "0.avi\" -oac mp3lame -ovc lavc -ofps 30 -vf scale=640:480\n"
         " \"" + b + "\" -o \"" + temp + "1.avi\" -oac mp3lame -ovc lavc -ofps 30 -vf scale=640:480\n"
         " \"" + temp + "0.avi\" \"" + temp + "1.avi\"" + output + joinOptions + "\n"},
        {{"--plan=intermediate", "--even-loudness"},
         " \"" + a + "\" -o \"" + temp + "0.avi\" -oac mp3lame -ovc lavc -ofps 30 -vf scale=640:480 -evenloudness\n"
         " \"" + b + "\" -o \"" + temp + "1.avi\" -oac mp3lame -ovc lavc -ofps 30 -vf scale=640:480 -evenloudness\n"
         " \"" + temp + "0.avi\" \"" + temp + "1.avi\"" + output + joinOptions + " -evenloudness\n"},
        {{"--plan=intermediate", "--tracks=first"},
         " \"" + a + "\" -o \"" + temp + "0.avi\" -oac mp3lame -ovc lavc -ofps 30 -vf scale=640:480 -tracks first\n"
         " \"" + b + "\" -o \"" + temp + "1.avi\" -oac mp3lame -ovc lavc -ofps 30 -vf scale=640:480 -tracks first\n"
         " \"" + temp + "0.avi\" \"" + temp + "1.avi\"" + output + joinOptions + " -tracks first\n"},
    };
    for (const auto& test : cases) {
        const ProgramRun dry = run(join(QStringList{"--dry-run"} + test.options));
        EXPECT_EQ(dry.exitCode, 0) << dry.err.toStdString();
        EXPECT_EQ(dry.out, test.lines);
    }
    EXPECT_FALSE(QFile::exists(m_dir.filePath("joined.avi")));
    EXPECT_FALSE(QFile::exists(folder() + "temp"));

    // A folder's files run in natural order.
    QDir(m_dir.path()).mkpath("natural");
    QStringList natural;
    for (int i = 1; i <= 12; ++i) {
        natural << m_dir.filePath(QString("natural/clip%1.mp4").arg(i));
        ASSERT_TRUE(QFile::link(a, natural.last()));
    }
    const ProgramRun dry = run({"--join", "--dry-run", "--profile", "AVI - MPEG-4 Video", "--output",
                                m_dir.filePath("joined"), "--", m_dir.filePath("natural")});
    EXPECT_EQ(dry.exitCode, 0) << dry.err.toStdString();
    QStringList inputs;
    for (const QString& line : dry.out.split('\n')) {
        // A run may take several short inputs, each quoted.
        for (const QString& quoted : line.startsWith(" \"" + m_dir.filePath("natural/")) ? line.split('"') : QStringList())
            if (quoted.startsWith(m_dir.filePath("natural/")))
                inputs << quoted;
    }
    EXPECT_EQ(inputs, natural);
}

// An output type without subtitles is named on stderr with what it leaves out, and the job goes on.
TEST_F(ConsoleMode, TracksTheOutputCannotHoldAreNamedAndTheJobGoesOn)
{
    WriteBytes(m_dir.filePath("cue.srt"), "1\n00:00:00,000 --> 00:00:00,800\nHello\n\n");
    const QString subtitled = m_dir.filePath("subtitled.mkv");
    const ProgramRun made = RunProgram(
        "ffmpeg", {"-v", "error", "-f", "lavfi", "-i", "testsrc=s=64x48:d=1", "-f", "lavfi", "-i", "sine=d=1", "-f",
                   "lavfi", "-i", "sine=f=600:d=1", "-i", m_dir.filePath("cue.srt"), "-map", "0:v", "-map", "1:a",
                   "-map", "2:a", "-map", "3", "-c:v", "mpeg4", "-c:a", "mp2", "-c:s", "srt", subtitled});
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    const QStringList join = {"--join", "--profile", "AVI - MPEG-4 Video", "--output", m_dir.filePath("joined.avi")};

    const ProgramRun all = run(join + QStringList{"--", subtitled, m_dir.filePath("a.mp4")});
    EXPECT_EQ(all.exitCode, 0) << all.err.toStdString();
    EXPECT_TRUE(all.err.contains("AVI holds no subtitles: 1 subtitle track will not be in the output\n"
                                 "AVI holds one sound track: 1 more sound track will not be in the output\n"))
        << all.err.toStdString();
    EXPECT_TRUE(QFile::exists(m_dir.filePath("joined.avi")));

    const ProgramRun first = run(join + QStringList{"--dry-run", "--tracks=first", "--", subtitled, subtitled});
    EXPECT_EQ(first.exitCode, 0);
    EXPECT_FALSE(first.err.contains("AVI holds")) << "the tracks were left out on purpose";
}

TEST_F(ConsoleMode, JoinsThenRefusesToOverwriteWithoutATerminal)
{
    const ProgramRun joined = run(join());
    ASSERT_EQ(joined.exitCode, 0) << joined.err.toStdString();
    EXPECT_EQ(joined.out, m_dir.filePath("joined.avi") + "\n");
    EXPECT_EQ(ProbeValue(m_dir.filePath("joined.avi"), "v:0", "stream=width"), "640");
    EXPECT_NEAR(ProbeValue(m_dir.filePath("joined.avi"), "", "format=duration").toDouble(), 2.5, 0.5);
    EXPECT_TRUE(QDir(folder() + "temp").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty())
        << "the job's folder and its intermediates are gone";

    const ProgramRun refused = run(join());
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_TRUE(refused.err.contains("give --overwrite")) << refused.err.toStdString();
    EXPECT_EQ(run(join({"--overwrite"})).exitCode, 0);
}

TEST_F(ConsoleMode, InterruptStopsTheJobAndLeavesNoFile)
{
    std::string err;
    EXPECT_EQ(signalDuring(m_dir.filePath("a.mp4"), SIGINT, err), 130) << err;
    EXPECT_TRUE(QDir(folder() + "temp").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty())
        << "the job's folder and its intermediates are gone";
    EXPECT_FALSE(QFile::exists(m_dir.filePath("joined.avi")));
}

TEST_F(ConsoleMode, EveryNamedInputIsJoinedOrNamedWithItsReason)
{
    const QString missing = m_dir.filePath("missing.avi");
    const ProgramRun refused = run(join() << missing);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(missing + " (not found)")) << refused.err.toStdString();
    EXPECT_TRUE(refused.err.contains("give --skip-unreadable")) << refused.err.toStdString();
    EXPECT_FALSE(QFile::exists(m_dir.filePath("joined.avi")));

    // A folder gives its videos, of today's containers too; a file named twice is joined twice.
    ClipRecipe recipe;
    recipe.seconds = 1.0;
    recipe.width = 160;
    recipe.height = 120;
    QDir(m_dir.path()).mkpath("more");
    MakeClip(m_dir.filePath("more/c.mkv"), recipe);
    // A name that is not UTF-8 (Latin-1 "1-café.mp4" of an old camera) is joined like the others.
    const QByteArray latin1 = QFile::encodeName(m_dir.filePath("more/1-caf")) + "\xE9.mp4";
    MakeClip(m_dir.filePath("more/e.mp4"), recipe);
    ASSERT_EQ(rename(QFile::encodeName(m_dir.filePath("more/e.mp4")).constData(), latin1.constData()), 0);
    // A file cut short joins what can be read of it, and is named.
    const QString cut = m_dir.filePath("more/d.mp4");
    ASSERT_EQ(RunProgram("ffmpeg", {"-nostdin", "-v", "error", "-f", "lavfi", "-i", "testsrc=s=160x120:d=3", "-movflags",
                                    "+faststart", cut}).exitCode, 0);
    ASSERT_TRUE(QFile::resize(cut, QFileInfo(cut).size() * 6 / 10));
    const ProgramRun joined = run({"--join", "--profile", "AVI - MPEG-4 Video", "--output", m_dir.filePath("joined"),
                                   "--skip-unreadable", "--", m_dir.filePath("a.mp4"), missing,
                                   m_dir.filePath("a.mp4"), m_dir.filePath("more")});
    ASSERT_EQ(joined.exitCode, 0) << joined.err.toStdString();
    EXPECT_TRUE(joined.err.contains(missing + " (not found)")) << joined.err.toStdString();
    EXPECT_FALSE(joined.err.contains("Already Listed")) << joined.err.toStdString();
    const QRegularExpressionMatch early =
        QRegularExpression("\nd\\.mp4 ends early: ([0-9.]+) s of its 3\\.0 s could be read\n").match(joined.err);
    ASSERT_TRUE(early.hasMatch()) << joined.err.toStdString();
    EXPECT_NEAR(ProbeValue(m_dir.filePath("joined.avi"), "", "format=duration").toDouble(),
                4.0 + early.captured(1).toDouble(), 0.3);
    unlink(latin1.constData());
}

// Closing the terminal and SIGTERM stop the job as Ctrl-C does, in either stage.
TEST_F(ConsoleMode, StopSignalsEndTheJobAndLeaveNothing)
{
    struct Case {
        const char* name;
        int signal;
        QString heldRun; // the job is held in the encoder run whose arguments name this
        int exitCode;
    };
    const Case cases[] = {
        {"SIGHUP during the conversion", SIGHUP, m_dir.filePath("a.mp4"), 129},
        {"SIGHUP during the join", SIGHUP, m_dir.filePath("joined.avi"), 129},
        {"SIGTERM during the join", SIGTERM, m_dir.filePath("joined.avi"), 143},
    };
    // The temp folder stays; what the job makes inside it goes.
    QDir(folder()).mkpath("temp");
    const std::string before = everything();
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        std::string err;
        EXPECT_EQ(signalDuring(test.heldRun, test.signal, err), test.exitCode) << err;
        EXPECT_EQ(everything(), before) << "no output, no intermediate, no part file";
        for (int wait = 0; wait < 500 && !ProcessesNaming(m_dir.path()).isEmpty(); ++wait)
            QThread::msleep(10);
        EXPECT_EQ(ProcessesNaming(m_dir.path()).values(), QList<QByteArray>{}) << "the encoder and ffmpeg are gone";
    }
}

// A profile is data that users copy, edit and share: one that is damaged, or holds a value
// its field cannot hold, is refused before anything runs, naming the file, the field and the value.
TEST_F(ConsoleMode, ADamagedProfileIsRefusedBeforeAnythingRuns)
{
    const QString precious = m_dir.filePath("precious.txt");
    WriteBytes(precious, "the user's own");
    const QByteArray good = ReadBytes(folder() + "Profiles/AVI - MPEG-4 Video.bpf");

    struct Case {
        const char* name;
        QByteArray from;
        QByteArray to;
        QString says;
    };
    const QByteArray codecIndex = "Index=0\nDescription=The video codec";
    const Case cases[] = {
        {"a size that adds an output", "value2=640:480", "value2=640:480 -o " + precious.toUtf8(),
         "its Video Size value \"640:480 -o " + precious + "\" is not a frame size"},
        {"a codec index beyond the list", codecIndex, "Index=9\nDescription=The video codec",
         "its Video Codec Index value \"9\" is not an item of its list (0 to 3)"},
        {"a codec index as large as its items", codecIndex, "Index=4\nDescription=The video codec",
         "its Video Codec Index value \"4\" is not an item of its list (0 to 3)"},
        {"a codec index below it", codecIndex, "Index=-1\nDescription=The video codec", "its Video Codec Index value \"-1\""},
        {"more items than captions", "[Video Codec]\nItems=4", "[Video Codec]\nItems=7",
         "its Video Codec Items value \"7\" does not match its 4 captions"},
        {"items below one", "[Video Codec]\nItems=4", "[Video Codec]\nItems=-1", "its Video Codec Items value \"-1\""},
        {"no main section", "[Main]\nType=avi\n", "", "it has no Type in a [Main] section"},
        {"a quality index beyond the list", "Index=4\nDescription=The quality", "Index=42\nDescription=The quality",
         "its VBR Quality Index value \"42\""},
        {"an unknown audio codec", "value0=mp3", "value0=foo",
         "its Audio Codec value \"foo\" does not match its caption \"MP3\""},
        {"a bit rate beyond the range", "Caption3=1800", "Caption3=99999999",
         "its Video Bitrate value \"99999999\" is not a bit rate from 1 to 100000 kbit/s"},
        {"an empty file", good, "", "it has no Type"},
        {"a truncated file", good.mid(good.indexOf("Caption5=5\n")), "",
         "its VBR Quality Items value \"10\" does not match its 5 captions"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        const QString path = folder() + "Profiles/Damaged.bpf";
        QFile damaged(path);
        ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
        ASSERT_TRUE(good.contains(test.from));
        damaged.write(QByteArray(good).replace(test.from, test.to));
        damaged.close();
        for (const QStringList& plan : {QStringList{"--plan=intermediate"}, QStringList{"--dry-run"}}) {
            const ProgramRun refused = run(QStringList{"--join", "--profile", "Damaged", "--output",
                                                       m_dir.filePath("joined")}
                                           + plan + QStringList{"--", m_dir.filePath("a.mp4"), m_dir.filePath("b clip.avi")});
            EXPECT_EQ(refused.exitCode, 1);
            EXPECT_TRUE(refused.out.isEmpty()) << refused.out.toStdString();
            EXPECT_TRUE(refused.err.startsWith("The profile \"Damaged\" cannot be used: " + test.says))
                << refused.err.toStdString();
            EXPECT_TRUE(refused.err.contains("\nFile: " + path + "\n")) << refused.err.toStdString();
        }
        EXPECT_FALSE(QFile::exists(folder() + "temp")) << "nothing ran";
        EXPECT_FALSE(QFile::exists(m_dir.filePath("joined.avi")));
        EXPECT_EQ(ReadBytes(precious), "the user's own");
    }
}
