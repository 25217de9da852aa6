#include "console/ConsoleOptions.h"

#include "core/NameFiles.h"
#include "tasks/CommandLineFiles.h"

namespace {

// One input that can name several videos.
bool NamesFolderOrList(const QStringList& inputs)
{
    return inputs.size() == 1 && (IsFolderName(inputs.first()) || NamesListFile(inputs));
}

}

bool IsConsoleCommand(const QStringList& arguments)
{
    for (const QString& argument : arguments) {
        if (argument == "--")
            return false;
        if (argument == "--join" || argument == "--help" || argument == "-h" || argument == "--dry-run")
            return true;
    }
    return false;
}

std::optional<ConsoleOptions> ParseConsoleOptions(const QStringList& arguments, QString& error)
{
    ConsoleOptions options;
    bool join = false;
    bool onlyInputs = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        const auto value = [&]() -> std::optional<QString> {
            if (i + 1 >= arguments.size()) {
                error = argument + " needs a value.";
                return std::nullopt;
            }
            return arguments[++i];
        };
        if (onlyInputs || !argument.startsWith("--")) {
            options.inputs << argument;
        } else if (argument == "--") {
            onlyInputs = true;
        } else if (argument == "--help") {
            options.help = true;
        } else if (argument == "--join") {
            join = true;
        } else if (argument == "--dry-run") {
            options.dryRun = true;
        } else if (argument == "--overwrite") {
            options.overwrite = true;
        } else if (argument == "--force") {
            options.force = true;
        } else if (argument == "--skip-unreadable") {
            options.skipUnreadable = true;
        } else if (argument == "--even-loudness") {
            options.evenLoudness = true;
        } else if (argument == "--reencode-differing") {
            options.reencodeDiffering = true;
        } else if (argument == "--plan=once" || argument == "--plan=intermediate") {
            options.plan = argument == "--plan=once" ? JobPlan::EncodeOnce : JobPlan::Intermediate;
        } else if (argument == "--chapters" || argument == "--no-chapters") {
            options.chapters = argument == "--chapters";
        } else if (argument == "--tracks=all" || argument == "--tracks=first") {
            options.tracks = argument == "--tracks=first" ? TrackChoice::First : TrackChoice::All;
        } else if (argument.startsWith("--tracks")) {
            error = "Say --tracks=all or --tracks=first.";
            return std::nullopt;
        } else if (argument.startsWith("--plan")) {
            error = "Say --plan=once or --plan=intermediate.";
            return std::nullopt;
        } else if (argument == "--profile" || argument == "--output") {
            const std::optional<QString> given = value();
            if (!given)
                return std::nullopt;
            (argument == "--profile" ? options.profile : options.output) = *given;
        } else {
            error = "Unknown option " + argument + ".";
            return std::nullopt;
        }
    }
    if (options.help || arguments.contains("-h")) {
        options.help = true;
        return options;
    }
    if (!join && !options.dryRun)
        error = "Say --join to join files.";
    else if (options.profile.isEmpty())
        error = "Name the output profile with --profile.";
    else if (options.output.isEmpty())
        error = "Name the output file with --output.";
    else if (options.inputs.size() < 2 && !NamesFolderOrList(options.inputs))
        error = "Please add at least 2 videos to the task for joining.";
    if (!error.isEmpty())
        return std::nullopt;
    return options;
}

QString ConsoleHelp(const QStringList& profiles)
{
    QString text =
        "Velmo AVI Video Joiner joins video files of any common format into one file.\n"
        "\n"
        "Usage:\n"
        "  velmo-joiner [FILE or FOLDER...]      the window, with these files in its list\n"
        "  velmo-joiner --join --profile NAME --output FILE [--overwrite] [--force]\n"
        "               [--skip-unreadable] [--reencode-differing] [--plan=once|intermediate]\n"
        "               [--even-loudness] [--chapters|--no-chapters] [--tracks=all|first]\n"
        "               [--dry-run] [--] INPUT...\n"
        "                                        the same job without windows\n"
        "\n"
        "The console job encodes every input once, several side by side, straight into the picture of\n"
        "the profile NAME with its first choices, then joins the pieces into FILE by copying them and\n"
        "encodes the sound once. With --plan=intermediate every input is first converted into an\n"
        "intermediate AVI file, and the join encodes everything again. (In the window the general\n"
        "setting \"Encode each file only once (faster)\" chooses between the two; here --plan does.)\n"
        "The \"Same-format files joined without re-encoding\" profiles join the inputs themselves,\n"
        "without re-encoding, when they all have one format, and name every input that differs.\n"
        "The job keeps its files in a folder of its own (velmo-job-XXXXXX) inside the temp folder of\n"
        "the general settings (when that one cannot be used, in the program's own, which it says)\n"
        "and removes it at every ending. The overwrite choice of the general\n"
        "settings applies (its question is asked on the terminal); what a completed job does in the\n"
        "window (open the folder, exit, turn off the computer) is not done here.\n"
        "The profile's extension is added to FILE when it has another one. It shows\n"
        "the stage, the file, both percentages and the times on one line, prints the output's path\n"
        "when it is done and exits 0; on any failure it exits non-zero with the reason on stderr.\n"
        "An INPUT that is a folder gives its video files in name order, and a file named twice is\n"
        "joined twice. An INPUT that is missing or cannot be read is named with its reason, and the\n"
        "job does not start unless --skip-unreadable is given. Names are used byte for byte, also\n"
        "those that are not UTF-8, which are shown with a replacement character for each such byte.\n"
        "Ctrl-C, closing the terminal and SIGTERM stop the job and remove its intermediate files;\n"
        "it then exits 130, 129 or 143. While it runs the computer does not go to sleep, and its end\n"
        "is announced on the desktop where there is one. It does not start when the temp or output\n"
        "folder may lack the space the job needs, unless --force is given.\n"
        "\n"
        "Options:\n"
        "  --profile NAME      an output profile (below)\n"
        "  --output FILE       the output file\n"
        "  --overwrite         replace an existing FILE without asking (the settings may also rename it)\n"
        "  --force             start even when the free space may not be enough\n"
        "  --reencode-differing  with a profile that joins without re-encoding, encode the files that\n"
        "                      differ from the first to match it and copy the others\n"
        "  --skip-unreadable   join the inputs that can be read, without those that cannot\n"
        "  --plan=once         encode each input once (the default)\n"
        "  --plan=intermediate convert each input into an intermediate AVI first, then encode again\n"
        "  --even-loudness     bring every input's sound to the same loudness (-16 LUFS)\n"
        "  --chapters          a chapter at each input, named after it, in MP4, MOV and MKV outputs\n"
        "  --no-chapters       no chapters (the general settings decide when neither is given)\n"
        "  --tracks=all        keep every sound track, subtitle and attached file the inputs hold (the\n"
        "                      profile's choice when neither is given); what the output's type cannot\n"
        "                      hold is named on stderr, and the job goes on without it\n"
        "  --tracks=first      keep the first picture and sound track only\n"
        "  --dry-run           print the encoder command lines the job would run, and run nothing\n"
        "  --help              this text\n"
        "\n"
        "Profiles:\n";
    for (const QString& profile : profiles)
        text += "  " + profile + "\n";
    return text;
}
