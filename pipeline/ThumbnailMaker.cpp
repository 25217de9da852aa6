#include "pipeline/ThumbnailMaker.h"

#include "core/NameBytes.h"
#include "pipeline/ThumbnailFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTimer>

#include <unistd.h>

namespace {

// A file the decoder is stuck on must not hold a run's place for ever.
constexpr int RunLimitMs = 60000;

QString LastLine(const QByteArray& output)
{
    const QStringList lines = QString::fromUtf8(output).split('\n', Qt::SkipEmptyParts);
    return lines.isEmpty() ? QString() : lines.last().trimmed();
}

}

ThumbnailMaker::ThumbnailMaker(const QString& encoderPath, QSize box, QObject* parent)
    : QObject(parent), m_encoderPath(encoderPath), m_box(box)
{
    RemoveLeftThumbnailFolders(QDir::tempPath());
}

ThumbnailMaker::~ThumbnailMaker()
{
    // Their ends must not reach this half-destroyed object, and nothing waits for them: each
    // is killed and goes once it has ended, or with the program.
    for (QProcess* process : m_running.keys()) {
        process->disconnect(this);
        process->setParent(nullptr);
        connect(process, &QProcess::finished, process, &QObject::deleteLater);
        process->kill();
    }
    if (!m_folder || !m_folder->isValid())
        return;
    // A killed run may still be about to write its picture: under another name the folder
    // can take no new file, so one removal takes it whole.
    m_folder->setAutoRemove(false);
    const QString ended = m_folder->path() + "-ended";
    if (QDir().rename(m_folder->path(), ended))
        QDir(ended).removeRecursively();
    else
        m_folder->remove();
}

ThumbnailMaker::Thumbnail ThumbnailMaker::request(const QString& path, bool first)
{
    const QFileInfo file(path);
    const Version version{file.size(), file.lastModified()};
    const auto found = m_entries.constFind(path);
    if (found != m_entries.cend() && found->version == version) {
        if (first && m_queued.contains(path))
            m_queue.push_front(path);
        return found->thumbnail;
    }
    if (!m_noEncoder.isEmpty()) {
        const Thumbnail failed{State::Failed, {}, 0, m_noEncoder};
        m_entries.insert(path, Entry{version, failed});
        return failed;
    }
    m_entries.insert(path, Entry{version, {}});
    m_queued.insert(path);
    if (first)
        m_queue.push_front(path);
    else
        m_queue.push_back(path);
    startRuns();
    return {};
}

void ThumbnailMaker::withdraw(const QString& path)
{
    if (m_queued.remove(path))
        m_entries.remove(path);
}

void ThumbnailMaker::withdrawAll()
{
    for (const QString& path : std::as_const(m_queued))
        m_entries.remove(path);
    m_queued.clear();
    m_queue.clear();
}

void ThumbnailMaker::startRuns()
{
    while ((m_running.size() < MaxRuns || !m_noEncoder.isEmpty()) && !m_queue.empty()) {
        const QString path = m_queue.front();
        m_queue.pop_front();
        // A path withdrawn, or queued twice to be made sooner, is passed over.
        if (!m_queued.remove(path))
            continue;
        if (m_noEncoder.isEmpty()) {
            start(path);
        } else {
            m_entries[path].thumbnail = {State::Failed, {}, 0, m_noEncoder};
            QMetaObject::invokeMethod(this, [this, path] { emit finished(path); }, Qt::QueuedConnection);
        }
    }
}

QString ThumbnailMaker::SourceLinkOf(int number) const
{
    return m_folder->filePath(QString::number(number) + ".source");
}

// QProcess hands its arguments over as UTF-8, which loses the bytes of a name that is
// not UTF-8: such a file is given to the encoder through a link of the pictures' own.
QString ThumbnailMaker::SourceName(const QString& path, int number) const
{
    if (!HasStrayBytes(path))
        return path;
    const QString link = SourceLinkOf(number);
    return symlink(NameBytes(path).constData(), QFile::encodeName(link).constData()) == 0 ? link : path;
}

void ThumbnailMaker::start(const QString& path)
{
    if (!m_folder)
        m_folder = std::make_unique<QTemporaryDir>(ThumbnailFolderPattern(QDir::tempPath()));
    auto* process = new QProcess(this);
    const int number = ++m_picturesNamed;
    const QString picture = m_folder->filePath(QString::number(number) + ".jpg");
    m_running.insert(process, Run{path, m_entries.value(path).version, picture, number});
    if (!m_folder->isValid()) {
        end(process, {State::Failed, {}, 0, "No folder for the pictures: " + m_folder->errorString()});
        return;
    }
    process->setProgram(m_encoderPath);
    process->setArguments({"--thumbnail", SourceName(path, number), picture, QString::number(m_box.width()),
                           QString::number(m_box.height())});
    process->setProcessChannelMode(QProcess::MergedChannels);
    // The encoder ends its run when this program dies, even by SIGKILL.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("VELMO_WATCHED_PARENT", QString::number(QCoreApplication::applicationPid()));
    process->setProcessEnvironment(environment);
    connect(process, &QProcess::finished, this, [this, process, picture](int code, QProcess::ExitStatus status) {
        QFile made(picture);
        if (status == QProcess::NormalExit && code == 0 && made.open(QIODevice::ReadOnly) && made.size() > 0) {
            end(process, {State::Made, made.readAll(), m_running.value(process).number, {}});
            return;
        }
        const QString reason = LastLine(process->readAll());
        end(process, {State::Failed, {}, 0, reason.isEmpty() ? "The encoder program ended abnormally." : reason});
    });
    connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        // Nor will it start for the other files: they are not tried one by one.
        m_noEncoder = "The encoder program cannot be started: " + process->errorString();
        end(process, {State::Failed, {}, 0, m_noEncoder});
    });
    QTimer::singleShot(RunLimitMs, process, [process] { process->kill(); });
    ++m_runsStarted;
    process->start();
}

void ThumbnailMaker::end(QProcess* process, const Thumbnail& result)
{
    const Run run = m_running.take(process);
    process->disconnect(this);
    process->deleteLater();
    QFile::remove(run.picture);
    QFile::remove(SourceLinkOf(run.number));
    // A file withdrawn while its picture was made keeps the picture; one changed since waits for its new one.
    const auto found = m_entries.find(run.path);
    if (found != m_entries.end() && found->version == run.version && found->thumbnail.state == State::Waiting)
        found->thumbnail = result;
    // Told from the event loop, never from inside request(), whose caller is still at work;
    // and a run that cannot start does not start the next one from inside itself.
    QMetaObject::invokeMethod(
        this,
        [this, path = run.path] {
            emit finished(path);
            startRuns();
        },
        Qt::QueuedConnection);
}
