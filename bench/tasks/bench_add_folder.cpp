// Adding a folder of clips through the task list's own add path, against the
// `mediainfo` program run once per file on the same folder.

#include "tasks/InputFiles.h"
#include "tasks/MediaInfoDll.h"
#include "tasks/TaskAdder.h"
#include "tests/support/MemoryTaskRowStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTextStream>

#include <cstdio>

namespace {

// The bench has nobody to ask; a message would mean a clip was not read.
class CountingPrompter : public Prompter {
public:
    void inform(const QString&, const QString&) override { ++messages; }
    bool ask(const QString&, const QString&) override { return ++messages, true; }
    void notice(const QString&, const QString&) override { ++messages; }
    void error(const QString&, const QString&) override { ++messages; }
    int messages = 0;
};

bool RunMediaInfo(const QString& file)
{
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start("mediainfo", {file});
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
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

}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: bench_add_folder CLIP_FOLDER RESULTS_FILE CLIP_DESCRIPTION\n");
        return 2;
    }
    const QString folder = args[1];
    if (const QString error = MediaInfoDll::LoadError(); !error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const QStringList files = QDir(folder).entryList(InputFileMask().split(';', Qt::SkipEmptyParts), QDir::Files,
                                                     QDir::Name);
    if (files.isEmpty()) {
        std::fprintf(stderr, "no clips in %s\n", qPrintable(folder));
        return 1;
    }

    // Warm both sides once so neither pays for first loading.
    RunMediaInfo(QDir(folder).filePath(files.first()));
    {
        MemoryTaskRowStore rows;
        CountingPrompter prompter;
        QStringList skipped;
        TaskAdder(rows, prompter).AddTaskFile(QDir(folder).filePath(files.first()), skipped);
    }

    MemoryTaskRowStore rows;
    CountingPrompter prompter;
    TaskAdder adder(rows, prompter);
    QElapsedTimer timer;
    timer.start();
    adder.AddDirectory(folder);
    const double addMs = timer.nsecsElapsed() / 1e6;
    if (rows.rowCount() != files.size() || prompter.messages != 0) {
        std::fprintf(stderr, "added %d of %lld files, %d messages\n", rows.rowCount(),
                     static_cast<long long>(files.size()), prompter.messages);
        return 1;
    }

    timer.restart();
    for (const QString& name : files) {
        if (!RunMediaInfo(QDir(folder).filePath(name))) {
            std::fprintf(stderr, "mediainfo failed on %s\n", qPrintable(name));
            return 1;
        }
    }
    const double programMs = timer.nsecsElapsed() / 1e6;

    const qsizetype count = files.size();
    const double addPerFile = addMs / count;
    const double programPerFile = programMs / count;
    const double ratio = addPerFile / programPerFile;
    QString section;
    QTextStream(&section) << "## Adding a folder\n\n"
                          << "Adding a folder of " << count << " clips (" << args[3]
                          << ") to the task list through `AddTaskDirectory` (MediaInfo probe and entry writes "
                          << "into an in-memory row store, events processed between files), against running the "
                          << "`mediainfo` program once per file on the same folder, in the same run. "
                          << "Goal: at most half the program's time.\n\n"
                          << "| | total | per file |\n|---|---|---|\n"
                          << "| add the folder | " << QString::number(addMs / 1000, 'f', 2) << " s | "
                          << QString::number(addPerFile, 'f', 2) << " ms |\n"
                          << "| `mediainfo` once per file | " << QString::number(programMs / 1000, 'f', 2) << " s | "
                          << QString::number(programPerFile, 'f', 2) << " ms |\n\n"
                          << "Ratio (add / `mediainfo`): " << QString::number(ratio, 'f', 3) << " "
                          << (ratio <= 0.5 ? "(goal met)" : "(goal NOT met)") << ".\n"
                          << "Run with `bench/tasks/run.sh`.\n";
    WriteSection(args[2], section);
    std::printf("%s", qPrintable(section));
    return ratio <= 0.5 ? 0 : 1;
}
