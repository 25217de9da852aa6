#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;

// SIGTERM, SIGHUP and SIGINT (a logout, kill, Ctrl-C in the terminal that started the
// window) do not end the program at once: the handler only notes the signal in a pipe,
// and the event loop turns it into arrived(), so that the program ends through its own
// cleanup. One object at a time; its end gives the signals their default handling back.
class TerminationSignals : public QObject {
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

signals:
    void arrived(int signal);

private:
    void readPipe();

    int m_pipe[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> m_readable;
};
