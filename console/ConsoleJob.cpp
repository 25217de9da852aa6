#include "console/ConsoleJob.h"

#include "console/ConsoleOptions.h"
#include "console/ConsolePrompter.h"
#include "console/ConsoleView.h"
#include "core/PathRules.h"
#include "dbus/DesktopNotifier.h"
#include "dbus/LogindInhibitor.h"
#include "pipeline/EncoderCommandLines.h"
#include "pipeline/JobRunner.h"
#include "pipeline/SpaceCheck.h"
#include "profiles/EncoderOptions.h"
#include "profiles/ProfileContents.h"
#include "profiles/ProfileFiles.h"
#include "settings/GeneralPreferences.h"
#include "settings/ProgramValues.h"
#include "tasks/MediaInfoDll.h"
#include "tasks/MemoryTaskRowStore.h"
#include "tasks/TaskAdder.h"
#include "tasks/TaskEntry.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTextStream>

#include <csignal>
#include <unistd.h>

namespace {

int g_interruptPipe[2] = {-1, -1};

// Ctrl-C is turned into an event the job's loop sees, like a click on Stop.
void OnInterrupt(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(g_interruptPipe[1], &byte, 1);
}

OverwritePolicy PolicyOf(const GeneralPreferences& preferences, bool overwrite)
{
    if (overwrite)
        return OverwritePolicy::Overwrite;
    if (preferences.rename)
        return OverwritePolicy::Rename;
    return preferences.ask ? OverwritePolicy::Ask : OverwritePolicy::Overwrite;
}

QStringList ProfileNames(const ProgramValues& program)
{
    QStringList names;
    for (const QString& file : ListFilesByExt(program.profilesFolder(), ".bpf"))
        names << StripExtension(file);
    return names;
}

// The encoder command lines of the job, one a line, without running any.
void PrintCommandLines(const MemoryTaskRowStore& rows, const JobSettings& settings)
{
    QTextStream out(stdout);
    const QString tempFolder =
        AddTrailingBackslash(settings.tempDir.isEmpty() ? settings.fallbackTempDir : settings.tempDir);
    const QString frameSize = settings.frameSize();
    QStringList intermediates;
    for (int index = 0; index < rows.rowCount(); ++index) {
        const QString intermediate = IntermediatePath(tempFolder, index);
        out << ConversionCommand(rows.caption(index), intermediate, frameSize).text << "\n";
        intermediates << intermediate;
    }
    QString output = settings.outputFile;
    if (LastExtension(output).toLower() != settings.outputExt.toLower())
        output += settings.outputExt;
    out << JoinCommand(intermediates, JobRunner::JoinTarget(output, settings.outputExt, settings.policy),
                       settings.joinOptions())
               .text
        << "\n";
}

}

int RunConsole(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    const ProgramValues program = LoadProgramValues(QCoreApplication::applicationDirPath());
    QString problem;
    const std::optional<ConsoleOptions> options = ParseConsoleOptions(app.arguments().mid(1), problem);
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
    const OutputChoices choices = InitialChoices(*profile);
    const GeneralPreferences preferences = ReadMainPreferences(program.PreferencesPath, program.DefaultTempDir);

    ConsolePrompter prompter;
    MemoryTaskRowStore rows;
    TaskAdder adder(rows, prompter, TaskAddHooks{});
    adder.AddFromCommandLine(options->inputs);
    // Every input was named on purpose: one that cannot be read ends the job before it starts.
    if (prompter.messages() > 0)
        return 1;

    JobSettings settings;
    settings.encoderPath = program.EncoderPath;
    settings.outputFile = QFileInfo(options->output).absoluteFilePath();
    settings.outputExt = "." + profile->type;
    settings.policy = PolicyOf(preferences, options->overwrite);
    settings.tempDir = preferences.tempDir;
    settings.fallbackTempDir = program.DefaultTempDir;
    settings.frameSize = [&] { return GetOutputSize(profilePath, choices); };
    settings.joinOptions = [&] { return BuildEncoderOptions(profilePath, choices); };
    settings.outputKbits = OutputKbits(choices);
    settings.spaceCheck = options->force ? SpaceCheck::Skip : SpaceCheck::Refuse;
    if (options->dryRun) {
        PrintCommandLines(rows, settings);
        return 0;
    }

    JobRunner* running = nullptr;
    ConsoleView view([&] { running->timerTimeTimer(); });
    LogindInhibitor inhibitor;
    DesktopNotifier notifier;
    JobRunner runner(rows, view, prompter, JobDesktop{&inhibitor, &notifier});
    running = &runner;
    if (pipe(g_interruptPipe) == 0) {
        std::signal(SIGINT, OnInterrupt);
        std::signal(SIGTERM, OnInterrupt);
    }
    QSocketNotifier interrupt(g_interruptPipe[0], QSocketNotifier::Read);
    QObject::connect(&interrupt, &QSocketNotifier::activated, [&] {
        char byte;
        [[maybe_unused]] const ssize_t read = ::read(g_interruptPipe[0], &byte, 1);
        runner.tbtnStopClick();
    });

    switch (runner.tbtnStartClick(settings)) {
    case JobEnd::Completed:
        return 0;
    case JobEnd::Stopped:
        return 130;
    case JobEnd::NotStarted:
    case JobEnd::Failed:
        break;
    }
    return 1;
}
