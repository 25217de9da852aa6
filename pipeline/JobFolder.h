#pragma once

#include <QString>

#include <memory>

// A folder of one job's own inside the temp folder: a unique name, readable by this user
// only, locked for as long as the job lives, and removed whole when the job ends. So a job
// never reads, replaces or removes what was in the temp folder before it, and two jobs
// that share a temp folder never meet.
class JobFolder {
public:
    // Makes and locks a new folder inside tempFolder (which ends in "/"), after removing
    // the folders of jobs that died there; nothing, with the reason, when it cannot.
    static std::unique_ptr<JobFolder> Create(const QString& tempFolder, QString& reason);

    JobFolder(const JobFolder&) = delete;
    JobFolder& operator=(const JobFolder&) = delete;
    // Removes the folder with everything in it, then lets its lock go.
    ~JobFolder();

    // The folder, ending in "/".
    const QString& path() const { return m_path; }

    // Removes, inside tempFolder, every folder of a dead job: this user's, marked as a job's
    // in its lock file, its lock held by no living job, and holding nothing but the files a
    // job writes. Anything else, however it is named, is left as it is.
    static void RemoveStaleFolders(const QString& tempFolder);

    // The name every job folder starts with.
    static constexpr const char* NamePrefix = "velmo-job-";

private:
    JobFolder(QString path, int lockFd);

    QString m_path;
    int m_lockFd = -1;
};
