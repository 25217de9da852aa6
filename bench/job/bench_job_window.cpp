// A job in the real main window (offscreen): the longest time between two turns of the
// event loop while it runs, how often the loop woke, and the joiner's own processor time
// against the encoder's. With --modal, a modal dialog is open through the whole job; with
// --stop-after S, Stop is pressed S seconds into the job, so that a long list's status
// passes (every row marked at the start, reset at the stop) are measured without running
// the whole job. Arguments: [--modal] [--stop-after S] program folder, output file, inputs...
#include "platform/Prompter.h"
#include "platform/Shell.h"
#include "ui/MainForm.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QTextStream>
#include <QTimer>
#include <QTreeWidget>

#include <sys/resource.h>
#include <time.h>

namespace {

// The job's messages are counted, never shown: nothing waits for a click.
class QuietPrompter : public Prompter {
public:
    void inform(const QString&, const QString& text) override { last = text; }
    bool ask(const QString&, const QString&) override { return true; }
    void warn(const QString&, const QString& text) override { last = text; }
    void notice(const QString&, const QString& text) override { last = text; }
    void error(const QString&, const QString& text) override { last = text; }
    QString last;
};

class NoShell : public Shell {
public:
    void open(const QString&, std::function<void(bool)> answered) override { answered(true); }
};

double Seconds(const timeval& time)
{
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

// The window's own work, apart from the time the machine gives to others.
double ThreadSeconds()
{
    timespec time{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &time);
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_nsec) / 1e9;
}

}

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QStringList arguments = app.arguments();
    const bool modal = arguments.value(1) == "--modal";
    if (modal)
        arguments.removeAt(1);
    int stopAfterMs = 0;
    if (arguments.value(1) == "--stop-after") {
        stopAfterMs = qRound(arguments.value(2).toDouble() * 1000);
        arguments.remove(1, 2);
    }
    if (arguments.size() < 5) {
        QTextStream(stderr) << "usage: bench_job_window [--modal] [--stop-after S] PROGRAM_FOLDER OUTPUT INPUT INPUT...\n";
        return 2;
    }
    QuietPrompter prompter;
    NoShell shell;
    TMainForm form(arguments[1], {}, {&prompter, &shell, nullptr, nullptr});
    form.show();
    form.DropFiles(arguments.mid(3));
    while (form.ltvTask->topLevelItemCount() < arguments.size() - 3)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    form.edtOutputFile->setText(arguments[2]);

    // A turn of the event loop every 10 ms, as far as the job lets it turn.
    QElapsedTimer sinceTurn;
    qint64 longestGap = 0;
    QTimer turn;
    QObject::connect(&turn, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, sinceTurn.restart());
    });
    rusage selfBefore{}, childrenBefore{};
    getrusage(RUSAGE_SELF, &selfBefore);
    getrusage(RUSAGE_CHILDREN, &childrenBefore);
    QElapsedTimer wall;
    wall.start();
    sinceTurn.start();
    turn.start(10);
    int wakeUps = 0;
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, [&] { ++wakeUps; });
    QDialog dialog(&form);
    if (modal) {
        QObject::connect(&form, &TMainForm::jobEnded, &dialog, &QDialog::accept);
        QTimer::singleShot(0, &dialog, &QDialog::exec);
    }
    bool ended = false;
    QEventLoop untilEnded;
    QObject::connect(&form, &TMainForm::jobEnded, &untilEnded, [&] {
        ended = true;
        untilEnded.quit();
    });
    if (stopAfterMs > 0)
        QTimer::singleShot(stopAfterMs, &form, &TMainForm::tbtnStopClick);
    QElapsedTimer startHandler;
    startHandler.start();
    const double startCpuBefore = ThreadSeconds();
    form.tbtnStartClick();
    const qint64 startHandlerMs = startHandler.elapsed();
    const double startHandlerCpuMs = (ThreadSeconds() - startCpuBefore) * 1000;
    if (!ended)
        untilEnded.exec();
    turn.stop();
    const double seconds = wall.elapsed() / 1000.0;
    rusage selfAfter{}, childrenAfter{};
    getrusage(RUSAGE_SELF, &selfAfter);
    getrusage(RUSAGE_CHILDREN, &childrenAfter);
    const double own = Seconds(selfAfter.ru_utime) + Seconds(selfAfter.ru_stime) - Seconds(selfBefore.ru_utime)
        - Seconds(selfBefore.ru_stime);
    const double encoder = Seconds(childrenAfter.ru_utime) + Seconds(childrenAfter.ru_stime)
        - Seconds(childrenBefore.ru_utime) - Seconds(childrenBefore.ru_stime);
    QTextStream(stdout) << "wall " << seconds << "\nlongest_gap_ms " << longestGap << "\nstart_handler_ms " << startHandlerMs << "\nstart_handler_cpu_ms " << qRound(startHandlerCpuMs) << "\nwake_ups_per_s " << qRound(wakeUps / seconds) << "\nown_cpu " << own
                        << "\nencoder_cpu " << encoder << "\nmessage " << prompter.last << "\n";
    return stopAfterMs > 0 || prompter.last == "The joining is completed successfully." ? 0 : 1;
}
