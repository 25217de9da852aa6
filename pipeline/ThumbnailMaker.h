#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QSize>
#include <QString>

#include <deque>
#include <memory>

class QProcess;
class QTemporaryDir;

// The small pictures of the task list's files. The encoder program makes them in the
// background, a few runs at once, into a private folder; each picture is read into memory
// as its run ends and its file removed, so the folder holds only the pictures being made
// and goes at once with this object. Each file's picture is kept for the session: a file
// whose path, size and modification time are unchanged is not made again.
class ThumbnailMaker : public QObject {
    Q_OBJECT

public:
    static constexpr int MaxRuns = 2;

    enum class State { Waiting, Made, Failed };
    struct Thumbnail {
        State state = State::Waiting;
        QByteArray picture; // the JPEG, once made
        int number = 0;     // of the made picture: the same number, the same picture
        QString failure; // why none could be made
    };

    // Pictures fit within box (pixels), keeping their display aspect. The folders left by
    // makers of windows that were killed are removed.
    ThumbnailMaker(const QString& encoderPath, QSize box, QObject* parent = nullptr);
    ~ThumbnailMaker() override;

    // What there is for the file as it is now; a picture not yet made for it is queued,
    // ahead of the others when first is true.
    Thumbnail request(const QString& path, bool first = false);
    // No row needs the file any more: a picture not yet begun is not made.
    void withdraw(const QString& path);
    void withdrawAll();
    // The encoder runs started so far.
    int runsStarted() const { return m_runsStarted; }

signals:
    // A run for the file has ended; request() tells what it gave.
    void finished(const QString& path);

private:
    // The file as it was when its picture was asked for.
    struct Version {
        qint64 size = -1;
        QDateTime modified;
        bool operator==(const Version&) const = default;
    };
    struct Entry {
        Version version;
        Thumbnail thumbnail; // waiting only while queued or being made
    };
    struct Run {
        QString path;
        Version version;
        QString picture;
        int number = 0;
    };

    void startRuns();
    void start(const QString& path);
    QString SourceLinkOf(int number) const;
    QString SourceName(const QString& path, int number) const;
    void end(QProcess* process, const Thumbnail& result);

    QString m_encoderPath;
    QSize m_box;
    std::unique_ptr<QTemporaryDir> m_folder;
    QHash<QString, Entry> m_entries;
    // Paths in the order their pictures are wanted; a path counts only while it is in m_queued.
    std::deque<QString> m_queue;
    QSet<QString> m_queued;
    QHash<QProcess*, Run> m_running;
    // Why the encoder program cannot be started, once it could not.
    QString m_noEncoder;
    int m_runsStarted = 0;
    int m_picturesNamed = 0;
};
