#include "pipeline/JobFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

void Write(const QString& path, const QByteArray& bytes = "x")
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

}

// A job's folder is its own, and the folders of dead jobs go at the next start, while the
// living jobs' folders and everything else in the temp folder stay, however it is named.
TEST(JobFolder, OnlyTheFoldersOfDeadJobsAreRemoved)
{
    QTemporaryDir dir;
    const QString temp = dir.path() + "/";
    Write(temp + "0.avi", "the user's own");
    for (const char* userFolder : {"velmo-job-empty", "velmo-job-withlock", "velmo-job-unlocked-but-filled", "my videos"})
        QDir(temp).mkdir(userFolder);
    Write(temp + "velmo-job-withlock/.lock");
    Write(temp + "velmo-job-withlock/precious.txt");
    Write(temp + "velmo-job-unlocked-but-filled/0.avi");
    Write(temp + "my videos/.lock");

    // A job that died with its files: its lock went with its process.
    const pid_t dying = fork();
    if (dying == 0) {
        QString why;
        const std::unique_ptr<JobFolder> dead = JobFolder::Create(temp, why);
        QFile(dead->path() + "0.avi").open(QIODevice::WriteOnly);
        QFile(dead->path() + ".1.mkv.0123456789abcdef.part").open(QIODevice::WriteOnly);
        for (const char* beside : {"2.mkv.record", "2.mkv.record.aB3dE6", "2.mkv.loudness"})
            QFile(dead->path() + beside).open(QIODevice::WriteOnly);
        // Its encoder's own folder, with a link to a user's file (the link goes, never the file).
        QDir(dead->path()).mkdir("velmo-join-Ab12Cd");
        QFile(dead->path() + "velmo-join-Ab12Cd/0.mkv").open(QIODevice::WriteOnly);
        QFile::link(temp + "0.avi", dead->path() + "velmo-join-Ab12Cd/1.avi");
        _exit(0);
    }
    ASSERT_EQ(waitpid(dying, nullptr, 0), dying);
    ASSERT_EQ(QDir(temp).entryList({"velmo-job-??????"}, QDir::Dirs).size(), 1);

    // Another living job: its lock is held through a descriptor of its own.
    QDir(temp).mkdir("velmo-job-alive");
    Write(temp + "velmo-job-alive/.lock");
    const int alive = open(QFile::encodeName(temp + "velmo-job-alive/.lock").constData(), O_RDWR | O_CLOEXEC);
    ASSERT_EQ(flock(alive, LOCK_EX), 0);

    QString reason;
    std::unique_ptr<JobFolder> job = JobFolder::Create(temp, reason);
    ASSERT_TRUE(job) << reason.toStdString();
    EXPECT_TRUE(job->path().startsWith(temp + "velmo-job-"));
    EXPECT_TRUE(job->path().endsWith("/"));
    struct stat info {};
    ASSERT_EQ(stat(QFile::encodeName(job->path()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u) << "only the user who runs the job may look inside";
    Write(job->path() + "0.avi");
    const QString name = QDir(job->path()).dirName();

    // A second job leaves the first one's folder alone.
    std::unique_ptr<JobFolder> second = JobFolder::Create(temp, reason);
    ASSERT_TRUE(second);
    EXPECT_TRUE(QFileInfo::exists(job->path() + "0.avi"));
    second.reset();

    QStringList left = QDir(temp).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    left.sort();
    QStringList kept{"0.avi", "my videos", name, "velmo-job-alive", "velmo-job-empty", "velmo-job-unlocked-but-filled",
                     "velmo-job-withlock"};
    kept.sort();
    EXPECT_EQ(left, kept);
    job.reset();
    EXPECT_FALSE(QFileInfo::exists(temp + name)) << "the job's folder goes whole at its end";
    close(alive);
}
