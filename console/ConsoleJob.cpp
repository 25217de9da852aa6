#include "console/ConsoleJob.h"

#include "console/ConsoleOptions.h"
#include "console/ConsolePrompter.h"
#include "console/ConsoleView.h"
#include "core/NameBytes.h"
#include "core/NameFiles.h"
#include "core/PathRules.h"
#include "freedesktop/DesktopNotifier.h"
#include "freedesktop/LogindInhibitor.h"
#include "pipeline/JobRunner.h"
#include "pipeline/JobSettingsFrom.h"
#include "pipeline/LeftOutTracks.h"
#include "pipeline/SpaceCheck.h"
#include "profiles/ProfileCheck.h"
#include "profiles/ProfileContents.h"
#include "profiles/ProfileFiles.h"
#include "settings/GeneralPreferences.h"
#include "settings/ProgramValues.h"
#include "tasks/MediaInfoDll.h"
#include "tasks/MemoryTaskRowStore.h"
#include "tasks/TaskAdder.h"
#include "tasks/TaskEntry.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

int g_interruptPipe[2] = {-1, -1};
// The first of the stopping signals that arrived; 0 while none has.
volatile sig_atomic_t g_stoppedBy = 0;

// Ctrl-C, a closed terminal and SIGTERM are turned into an event the job's loop
// sees, like a click on Stop.
void OnStopSignal(int signal)
{
    if (g_stoppedBy == 0)
        g_stoppedBy = signal;
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(g_interruptPipe[1], &byte, 1);
    errno = saved;
}

// The encoder must not inherit the pipe, and a full pipe must not block the handler.
bool CatchStopSignals()
{
    if (pipe2(g_interruptPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a question that waits for the terminal's answer ends at the signal.
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
    return true;
}

// The shell's way: 128 and the number of the signal that stopped the job.
int StoppedExitCode()
{
    return 128 + (g_stoppedBy != 0 ? g_stoppedBy : SIGINT);
}

QStringList ProfileNames(const ProgramValues& program)
{
    QStringList names;
    for (const QString& file : ListFilesByExt(program.profilesFolder(), ".bpf"))
        names << StripExtension(file);
    return names;
}

}

int RunConsole(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    const ProgramValues program = LoadProgramValues(QCoreApplication::applicationDirPath());
    if (!program.PreferencesNote.isEmpty())
        err << program.PreferencesNote << "\n";
    QString problem;
    const std::optional<ConsoleOptions> options = ParseConsoleOptions(ArgumentNames(argc, argv), problem);
    if (!options) {
        err << problem << "\nSee velmo-joiner --help.\n";
        return 2;
    }
    if (options->help) {
        QTextStream(stdout) << ConsoleHelp(ProfileNames(program));
        return 0;
    }
    if (const QString libraryError = MediaInfoDll::LoadError(); !libraryError.isEmpty()) {
        err << libraryError << "\n";
        return 1;
    }
    const QString profilePath = ProfilePathOf(program.ProgramDir, options->profile);
    const std::optional<ProfileContents> profile = ReadProfile(profilePath);
    if (!profile) {
        err << "There is no profile \"" << options->profile << "\". The profiles are:\n  "
            << ProfileNames(program).join("\n  ") << "\n";
        return 2;
    }
    OutputChoices choices = InitialChoices(*profile);
    choices.tracks = options->tracks.value_or(choices.tracks);
    // Before any input is looked at: a dry run, too, shows only what a job could run.
    if (const std::optional<ProfileRefusal> refusal = CheckProfile(profilePath, choices)) {
        err << refusal->text << "\n";
        return 1;
    }
    GeneralPreferences preferences = ReadMainPreferences(program.PreferencesPath, program.DefaultTempDir);
    preferences.evenLoudness = options->evenLoudness;
    preferences.chapters = options->chapters.value_or(preferences.chapters);

    ConsolePrompter prompter(options->reencodeDiffering);
    MemoryTaskRowStore rows;
    TaskAdder adder(rows, prompter, TaskAddHooks{});
    // Every input was named on purpose: a job without one of them is not what was asked for.
    if (!adder.AddNamedInputs(options->inputs).isEmpty() && !options->skipUnreadable) {
        err << "The job does not start; give --skip-unreadable to join the others without them.\n";
        return 1;
    }

    JobSettings settings = JobSettingsFrom(program, preferences, options->profile, "." + profile->type, choices,
                                           AbsoluteName(options->output));
    if (options->overwrite)
        settings.policy = OverwritePolicy::Overwrite;
    settings.plan = options->plan;
    settings.spaceCheck = options->force ? SpaceCheck::Skip : SpaceCheck::Refuse;
    // There is no one to ask: what the output cannot hold is named, and the job goes on.
    settings.askLeftOut = false;
    if (options->dryRun) {
        if (const QString notice = JobRunner::LeftOutNotice(rows, settings); !notice.isEmpty())
            err << notice << "\n";
        QTextStream(stdout) << JobRunner::PlannedCommandLines(rows, settings).join("\n") << "\n";
        return 0;
    }

    ConsoleView view;
    LogindInhibitor inhibitor;
    DesktopNotifier notifier;
    JobRunner runner(rows, view, prompter, JobDesktop{&inhibitor, &notifier});
    if (!CatchStopSignals()) {
        err << "The job cannot start: " << strerror(errno) << "\n";
        return 1;
    }
    QSocketNotifier interrupt(g_interruptPipe[0], QSocketNotifier::Read);
    QObject::connect(&interrupt, &QSocketNotifier::activated, [&] {
        char bytes[16];
        while (::read(g_interruptPipe[0], bytes, sizeof bytes) > 0) {
        }
        runner.tbtnStopClick();
    });

    // The job runs under the program's event loop, which ends with it.
    JobEnd end = JobEnd::NotStarted;
    QObject::connect(&runner, &JobRunner::ended, &app, [&](JobEnd how) {
        end = how;
        QCoreApplication::exit();
    });
    QTimer::singleShot(0, &runner, [&] { runner.tbtnStartClick(settings); });
    app.exec();
    // A signal that came before the job ran (during a question) ends it the same way.
    if (end == JobEnd::Stopped || (end == JobEnd::NotStarted && g_stoppedBy != 0))
        return StoppedExitCode();
    return end == JobEnd::Completed ? 0 : 1;
}
