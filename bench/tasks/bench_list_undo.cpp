// The list's history on a long list: each change of 3,000 rows and its Undo through the real
// main window (offscreen platform, real list view, shown), with the queued work each leaves
// (the status bar's summary) done before the clock stops, and the memory that steps keep.

#include "platform/Prompter.h"
#include "tests/support/FakeShell.h"
#include "tests/ui/FakeFileDialogs.h"
#include "ui/MainForm.h"

#include <QApplication>
#include <QEventLoop>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

constexpr int Rounds = 5;
constexpr int KeptSteps = 30;

class SilentPrompter : public Prompter {
public:
    void inform(const QString&, const QString&) override { ++messages; }
    bool ask(const QString&, const QString&) override { return ++messages, true; }
    void notice(const QString&, const QString&) override { ++messages; }
    void warn(const QString&, const QString&) override { ++messages; }
    void error(const QString&, const QString&) override { ++messages; }
    int messages = 0;
};

// Milliseconds of wall time for the action and the events it queued.
double Milliseconds(const std::function<void()>& action)
{
    QElapsedTimer timer;
    timer.start();
    action();
    QApplication::processEvents();
    return timer.nsecsElapsed() / 1e6;
}

long ResidentKilobytes()
{
    QFile status("/proc/self/status");
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

}

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s PROGRAM_DIR/ FOLDER\n", argv[0]);
        return 2;
    }
    SilentPrompter prompter;
    FakeShell shell;
    FakeFileDialogs dialogs;
    TMainForm form(QString::fromLocal8Bit(argv[1]), QStringList(), MainFormServices{&prompter, &shell, &dialogs});
    form.show();
    QApplication::processEvents();
    // Dropped in reverse name order, so that sorting by name moves every row.
    const QDir folder(QString::fromLocal8Bit(argv[2]));
    QStringList paths;
    for (const QString& name : folder.entryList(QDir::Files, QDir::Name | QDir::Reversed))
        paths << folder.filePath(name);
    const double add = Milliseconds([&] {
        form.DropFiles(paths);
        // The add goes on in the event loop, batch by batch.
        while (form.isAdding())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    });
    const int rows = form.ltvTask->topLevelItemCount();
    const auto selectOnly = [&form](int row) {
        form.ltvTask->clearSelection();
        form.ltvTask->topLevelItem(row)->setSelected(true);
    };

    struct Measure {
        const char* what;
        std::function<void()> action;
        QList<double> ms;
    };
    QList<Measure> measures{
        {"Clear (Backspace)", [&] { form.tbtnClearClick(); }, {}},
        {"Undo of Clear", [&] { form.mnuUndoClick(); }, {}},
        {"Remove of the middle row", [&] { selectOnly(rows / 2); form.tbtnRemoveClick(); }, {}},
        {"Undo of Remove", [&] { form.mnuUndoClick(); }, {}},
        {"Move Down of the first row", [&] { selectOnly(0); form.tbtnDownClick(); }, {}},
        {"Undo of Move Down", [&] { form.mnuUndoClick(); }, {}},
        {"Sort by Name (every row moves)", [&] { form.mnuSortByNameClick(); }, {}},
        {"Undo of Sort by Name", [&] { form.mnuUndoClick(); }, {}},
        {"Sort by Date (one date for all: no row moves)", [&] { form.mnuSortByDateClick(); }, {}},
    };
    for (int round = 0; round < Rounds; ++round) {
        for (Measure& measure : measures)
            measure.ms << Milliseconds(measure.action);
    }
    const long before = ResidentKilobytes();
    for (int step = 0; step < KeptSteps; ++step) {
        selectOnly(step);
        form.tbtnDownClick();
    }
    QApplication::processEvents();
    const long after = ResidentKilobytes();

    std::printf("Adding the folder: %d rows in %.0f ms; %d messages\n\n", rows, add, prompter.messages);
    std::printf("| %d rows | least of %d rounds | median |\n|---|---|---|\n", rows, Rounds);
    for (Measure& measure : measures) {
        std::sort(measure.ms.begin(), measure.ms.end());
        std::printf("| %s | %.1f ms | %.1f ms |\n", measure.what, measure.ms.first(), measure.ms[Rounds / 2]);
    }
    std::printf("\nMemory of %d further steps (Move Down) kept by the history: %.1f MB resident, %.0f bytes a row\n",
                KeptSteps, (after - before) / 1024.0, (after - before) * 1024.0 / (KeptSteps * double(rows)));
    return 0;
}
