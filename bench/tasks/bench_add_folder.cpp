// Adding a folder of clips through the real main window (offscreen platform,
// real list view, the Add Directory command), against the probe alone on the
// same files, for a small and a large folder in one run.

#include "platform/Prompter.h"
#include "tasks/InputFiles.h"
#include "tasks/MediaInfoDll.h"
#include "tasks/MediaProbe.h"
#include "tests/support/FakeShell.h"
#include "tests/ui/FakeFileDialogs.h"
#include "ui/MainForm.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <optional>

namespace {

constexpr double WindowGoal = 1.3;
constexpr double GrowthGoal = 11.0;
// Each side is timed this often, alternating, and the best time counts: the
// machine is shared and a busy moment should not decide.
constexpr int Rounds = 5;

// Wall time and the processor time of this process (every thread), in seconds.
struct Cost {
    double wall = 0;
    double cpu = 0;
};

double ProcessorSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}

class CostTimer {
public:
    CostTimer() : m_cpu(ProcessorSeconds()) { m_wall.start(); }
    Cost elapsed() const { return {m_wall.nsecsElapsed() / 1e9, ProcessorSeconds() - m_cpu}; }

private:
    QElapsedTimer m_wall;
    double m_cpu;
};

// The bench has nobody to ask; a message would mean a clip was not read.
class CountingPrompter : public Prompter {
public:
    void inform(const QString&, const QString&) override { ++messages; }
    bool ask(const QString&, const QString&) override { return ++messages, true; }
    void notice(const QString&, const QString&) override { ++messages; }
    void warn(const QString&, const QString&) override { ++messages; }
    void error(const QString&, const QString&) override { ++messages; }
    int messages = 0;
};

QStringList ClipPaths(const QString& folder)
{
    QStringList paths;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(InputFileMask().split(';', Qt::SkipEmptyParts), QDir::Files, QDir::Name))
        paths << dir.filePath(name);
    return paths;
}

// ProbeMedia on every file; nothing when one could not be read.
std::optional<Cost> ProbeAlone(const QStringList& paths)
{
    const CostTimer timer;
    for (const QString& path : paths) {
        if (!ProbeMedia(path))
            return std::nullopt;
    }
    return timer.elapsed();
}

// The Add Directory command of a shown main window; nothing when the list did
// not end with every file or a message was shown.
std::optional<Cost> ThroughTheWindow(const QString& programDir, const QString& folder, qsizetype expected)
{
    CountingPrompter prompter;
    FakeShell shell;
    FakeFileDialogs dialogs;
    dialogs.folderToBrowse = folder;
    TMainForm form(programDir, QStringList(), MainFormServices{&prompter, &shell, &dialogs});
    form.show();
    QApplication::processEvents();
    const CostTimer timer;
    form.tbtnAddDirClick();
    const Cost cost = timer.elapsed();
    if (form.ltvTask->topLevelItemCount() != expected || prompter.messages != 0) {
        std::fprintf(stderr, "%s: %d of %lld rows, %d messages\n", qPrintable(folder),
                     form.ltvTask->topLevelItemCount(), static_cast<long long>(expected), prompter.messages);
        return std::nullopt;
    }
    return cost;
}

// The best of the rounds, each measure on its own.
struct Figures {
    qsizetype files = 0;
    Cost probe{1e9, 1e9};
    Cost window{1e9, 1e9};
};

void KeepBest(Cost& best, const Cost& round)
{
    best.wall = std::min(best.wall, round.wall);
    best.cpu = std::min(best.cpu, round.cpu);
}

// Replaces this benchmark's section of the results file, keeping the others.
void WriteSection(const QString& resultsPath, const QString& section)
{
    const QString heading = "## Adding a folder";
    QString text;
    QFile in(resultsPath);
    if (in.open(QIODevice::ReadOnly))
        text = QString::fromUtf8(in.readAll());
    in.close();
    if (text.isEmpty())
        text = "# Benchmark results\n";
    const qsizetype start = text.indexOf(heading + '\n');
    if (start < 0) {
        if (!text.endsWith("\n\n"))
            text += text.endsWith('\n') ? "\n" : "\n\n";
        text += section;
    } else {
        const qsizetype next = text.indexOf("\n## ", start + heading.size());
        text.replace(start, (next < 0 ? text.size() : next + 1) - start, section);
    }
    QFile out(resultsPath);
    if (out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        out.write(text.toUtf8());
}

QString Seconds(double seconds)
{
    return QString::number(seconds, 'f', 2) + " s";
}

QString PerFile(double seconds, qsizetype files)
{
    return QString::number(seconds * 1000 / files, 'f', 2) + " ms";
}

}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 6) {
        std::fprintf(stderr, "usage: bench_add_folder PROGRAM_DIR SMALL_FOLDER LARGE_FOLDER RESULTS_FILE "
                             "CLIP_DESCRIPTION\n");
        return 2;
    }
    if (const QString error = MediaInfoDll::LoadError(); !error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const QString programDir = args[1];

    QList<QStringList> folders;
    QList<Figures> figures;
    for (const QString& folder : {args[2], args[3]}) {
        const QStringList paths = ClipPaths(folder);
        if (paths.isEmpty()) {
            std::fprintf(stderr, "no clips in %s\n", qPrintable(folder));
            return 1;
        }
        // Once untimed, so the files are in the cache for both sides.
        if (!ProbeAlone(paths)) {
            std::fprintf(stderr, "a clip in %s cannot be read\n", qPrintable(folder));
            return 1;
        }
        folders << paths;
        figures << Figures{paths.size()};
    }
    // Both folders in every round, the sides in turn first, so a slow spell of
    // the machine falls on all four figures alike.
    for (int round = 0; round < Rounds; ++round) {
        for (qsizetype index = 0; index < folders.size(); ++index) {
            const QStringList& paths = folders[index];
            std::optional<Cost> probe;
            std::optional<Cost> window;
            if (round % 2 == 0)
                probe = ProbeAlone(paths);
            window = ThroughTheWindow(programDir, QFileInfo(paths.first()).path(), paths.size());
            if (round % 2 != 0)
                probe = ProbeAlone(paths);
            if (!probe || !window)
                return 1;
            std::fprintf(stderr, "%lld files: probe %.2f s (processor %.2f s), window %.2f s (processor %.2f s)\n",
                         static_cast<long long>(paths.size()), probe->wall, probe->cpu, window->wall, window->cpu);
            KeepBest(figures[index].probe, *probe);
            KeepBest(figures[index].window, *window);
        }
    }

    const Figures& small = figures[0];
    const Figures& large = figures[1];
    const double smallRatio = small.window.cpu / small.probe.cpu;
    const double largeRatio = large.window.cpu / large.probe.cpu;
    const double growth = large.window.cpu / small.window.cpu;
    const bool windowMet = std::max(smallRatio, largeRatio) <= WindowGoal;
    const bool growthMet = growth <= GrowthGoal;
    auto verdict = [](bool met) { return met ? "(goal met)" : "(goal NOT met)"; };
    auto ratio = [](double a, double b) { return QString::number(a / b, 'f', 2); };

    QString section;
    QTextStream out(&section);
    out << "## Adding a folder\n\n"
        << "Adding folders of " << small.files << " and " << large.files << " clips (" << args[5]
        << ") with the Add Directory command of the real main window (offscreen platform, real list view, "
        << "shown), against `ProbeMedia` alone on the same files, in one run; best of " << Rounds
        << " alternating rounds. Goals: the window at most " << WindowGoal << " times the probe alone, and "
        << large.files << " files at most " << GrowthGoal << " times " << small.files
        << " files. The goals are judged on processor time, which other work on the shared machine "
        << "disturbs far less than wall time.\n\n"
        << "| files | probe alone | per file | window | per file | window / probe |\n"
        << "|---|---|---|---|---|---|\n";
    for (const Figures& row : figures) {
        out << "| " << row.files << " | " << Seconds(row.probe.cpu) << " (wall " << Seconds(row.probe.wall)
            << ") | " << PerFile(row.probe.cpu, row.files) << " | " << Seconds(row.window.cpu) << " (wall "
            << Seconds(row.window.wall) << ") | " << PerFile(row.window.cpu, row.files) << " | "
            << ratio(row.window.cpu, row.probe.cpu) << " (wall " << ratio(row.window.wall, row.probe.wall)
            << ") |\n";
    }
    out << "\nWindow against probe: " << QString::number(smallRatio, 'f', 2) << " and "
        << QString::number(largeRatio, 'f', 2) << " " << verdict(windowMet) << ". " << large.files
        << " files against " << small.files << " through the window: " << QString::number(growth, 'f', 1)
        << " times " << verdict(growthMet) << " (the probe alone: "
        << QString::number(large.probe.cpu / small.probe.cpu, 'f', 1) << " times).\n\n"
        << "Run with `bench/tasks/run.sh`.\n";
    out.flush();
    WriteSection(args[4], section);
    std::printf("%s", qPrintable(section));
    return windowMet && growthMet ? 0 : 1;
}
