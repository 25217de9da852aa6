// Adding a folder of clips through the real main window (offscreen platform, real
// list view, the Add Directory command) with the list's pictures made beside it,
// against the same window without them, timed until the add has ended and the list
// is usable (pictures may still be filling in).

#include "pipeline/ThumbnailMaker.h"
#include "platform/Prompter.h"
#include "tasks/MediaInfoDll.h"
#include "tests/support/FakeShell.h"
#include "tests/ui/FakeFileDialogs.h"
#include "ui/MainForm.h"
#include "ui/TaskThumbnails.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTextStream>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <optional>

namespace {

constexpr double Goal = 1.2;
// The machine is shared and its load changes within seconds: the sides are timed in
// turn, first one then the other, and the median of the rounds' own ratios counts.
constexpr int Rounds = 8;

double ProcessorSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}

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

struct Add {
    double wall = 0; // seconds until the add has ended
    double cpu = 0;  // this process's processor seconds in that time
    int runs = 0;    // encoder runs started by then
    double filled = 0; // seconds until every picture was in, when waited for
    double fillingCpu = 0; // this process's processor seconds from the add's end to the last picture
};

bool AnyWaiting(const TMainForm& form, const TaskThumbnails& thumbnails)
{
    for (int row = 0; row < form.ltvTask->topLevelItemCount(); ++row) {
        if (form.ltvTask->topLevelItem(row)->icon(0).cacheKey() == thumbnails.waitingIcon().cacheKey())
            return true;
    }
    return false;
}

// One add of the folder in a new shown window; nothing when a row or a picture is missing.
std::optional<Add> AddFolder(const QString& programDir, const QString& folder, int expected, bool pictures,
                             bool waitForPictures)
{
    CountingPrompter prompter;
    FakeShell shell;
    FakeFileDialogs dialogs;
    dialogs.folderToBrowse = folder;
    TMainForm form(programDir, QStringList(), MainFormServices{&prompter, &shell, &dialogs});
    auto* thumbnails = form.ltvTask->findChild<TaskThumbnails*>();
    if (!pictures)
        delete thumbnails;
    form.show();
    QApplication::processEvents();
    QElapsedTimer wall;
    const double cpu = ProcessorSeconds();
    wall.start();
    form.tbtnAddDirClick();
    // The add goes on in the event loop, batch by batch.
    while (form.isAdding())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    Add add{wall.nsecsElapsed() / 1e9, ProcessorSeconds() - cpu, pictures ? thumbnails->maker().runsStarted() : 0};
    if (form.ltvTask->topLevelItemCount() != expected || prompter.messages != 0) {
        std::fprintf(stderr, "%d of %d rows, %d messages\n", form.ltvTask->topLevelItemCount(), expected,
                     prompter.messages);
        return std::nullopt;
    }
    if (waitForPictures) {
        const double addedCpu = ProcessorSeconds();
        while (AnyWaiting(form, *thumbnails)) {
            QEventLoop loop;
            QObject::connect(&thumbnails->maker(), &ThumbnailMaker::finished, &loop, &QEventLoop::quit);
            QTimer::singleShot(1000, &loop, &QEventLoop::quit);
            loop.exec();
        }
        add.filled = wall.nsecsElapsed() / 1e9;
        add.fillingCpu = ProcessorSeconds() - addedCpu;
        for (int row = 0; row < expected; ++row) {
            if (form.ltvTask->topLevelItem(row)->icon(0).cacheKey() == thumbnails->filmIcon().cacheKey()) {
                std::fprintf(stderr, "row %d has no picture\n", row);
                return std::nullopt;
            }
        }
    }
    return add;
}

double Median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double Least(const QList<Add>& adds, double Add::*measure)
{
    double least = 1e9;
    for (const Add& add : adds)
        least = std::min(least, add.*measure);
    return least;
}

// Replaces this benchmark's section of the results file, keeping the others.
void WriteSection(const QString& resultsPath, const QString& heading, const QString& section)
{
    QString text;
    QFile in(resultsPath);
    if (in.open(QIODevice::ReadOnly))
        text = QString::fromUtf8(in.readAll());
    in.close();
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

}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5) {
        std::fprintf(stderr, "usage: bench_add_pictures PROGRAM_DIR FOLDER RESULTS_FILE CLIP_DESCRIPTION\n");
        return 2;
    }
    if (const QString error = MediaInfoDll::LoadError(); !error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const QString programDir = args[1];
    const QString folder = args[2];
    const int files = static_cast<int>(QDir(folder).entryList(QDir::Files).size());

    // Once untimed, so that the files are in the cache for both sides.
    if (!AddFolder(programDir, folder, files, false, false))
        return 1;
    QList<Add> with;
    QList<Add> without;
    QList<double> ratios;
    for (int round = 0; round < Rounds; ++round) {
        std::optional<Add> plain;
        std::optional<Add> pictured;
        if (round % 2 == 0)
            plain = AddFolder(programDir, folder, files, false, false);
        pictured = AddFolder(programDir, folder, files, true, false);
        if (round % 2 != 0)
            plain = AddFolder(programDir, folder, files, false, false);
        if (!plain || !pictured)
            return 1;
        std::fprintf(stderr, "round %d: without %.2f s, with %.2f s (%d encoder runs started)\n", round + 1,
                     plain->wall, pictured->wall, pictured->runs);
        without << *plain;
        with << *pictured;
        ratios << pictured->wall / plain->wall;
    }
    // Once more to the last picture, for the time the pictures take to fill in.
    const std::optional<Add> whole = AddFolder(programDir, folder, files, true, true);
    if (!whole)
        return 1;

    const double ratio = Median(ratios);
    int fewestRuns = files;
    int mostRuns = 0;
    for (const Add& add : with) {
        fewestRuns = std::min(fewestRuns, add.runs);
        mostRuns = std::max(mostRuns, add.runs);
    }
    QStringList perRound;
    for (double r : ratios)
        perRound << QString::number(r, 'f', 2);
    QString section;
    QTextStream out(&section);
    out << "## Adding a folder with pictures\n\n"
        << "Adding a folder of " << files << " clips (" << args[4] << ", each name a link to one file, so "
        << "every picture is made) with the Add Directory command of the real main window (offscreen, shown), "
        << "with the list's pictures and without them (the window's picture maker removed), timed until the "
        << "add has ended and the list is usable; the pictures go on filling in after that. " << Rounds
        << " rounds, the sides in turn first; goal: with pictures at most " << Goal
        << " times as long as without, judged on the median of the rounds' own ratios of wall time (the "
        << "encoder runs are other processes, so this process's processor time would not see them).\n\n"
        << "| | least wall time | least processor time |\n|---|---|---|\n"
        << "| without pictures | " << Seconds(Least(without, &Add::wall)) << " | "
        << Seconds(Least(without, &Add::cpu)) << " |\n"
        << "| with pictures | " << Seconds(Least(with, &Add::wall)) << " | " << Seconds(Least(with, &Add::cpu))
        << " |\n\n"
        << "With / without, wall time, per round: " << perRound.join(", ") << "; median "
        << QString::number(ratio, 'f', 2) << (ratio <= Goal ? " (goal met)" : " (goal NOT met)") << ".\n\n"
        << "Encoder runs started before the add ended: " << fewestRuns << " to " << mostRuns << " of " << files << ". Every picture was in " << Seconds(whole->filled) << " after the add began ("
        << QString::number(whole->filled * 1000 / files, 'f', 0) << " ms a picture, " << ThumbnailMaker::MaxRuns
        << " runs at once); meanwhile the window's own processor time was "
        << QString::number(whole->fillingCpu * 1000 / files, 'f', 2)
        << " ms a picture (starting the run, reading the picture, showing it in its row). The runs are at the "
        << "lowest priority, so on a busy machine the pictures wait and the list does not; measured once with "
        << "perf while they filled in, ffprobe and ffmpeg took about half of the processor time each, most of "
        << "it the loading of their libraries, and the window 1 %.\n\n"
        << "Run with `bench/tasks/pictures.sh`.\n";
    out.flush();
    WriteSection(args[3], "## Adding a folder with pictures", section);
    std::printf("%s", qPrintable(section));
    return ratio <= Goal ? 0 : 1;
}
