#pragma once

#include <string>

// The output is written to a file without a name in the output folder (O_TMPFILE)
// and given its real name only after it has been checked. So no partial or empty
// file is ever seen under the real name, and nothing is left behind when the
// program is killed. Where the file system has no unnamed files, a hidden
// temporary name in the same folder is used and removed on failure.
class TempOutput {
public:
    // Throws JobError when the output folder is missing or not writable.
    explicit TempOutput(const std::string& finalPath);
    ~TempOutput();
    TempOutput(const TempOutput&) = delete;
    TempOutput& operator=(const TempOutput&) = delete;

    // The fd a helper must receive, or -1.
    int fdForChild() const { return fd_; }
    // The name under which a helper that got fdForChild() as its fd childFd reaches the file.
    std::string pathForChild(int childFd = 3) const;

    // Gives the file its real name, replacing an older file of that name.
    void Commit();

private:
    std::string final_;
    std::string named_; // the hidden temporary name when no unnamed file could be made
    int fd_ = -1;
    bool committed_ = false;
};

// A scratch file for one part of the output, made side by side with the other parts
// and then copied into the output. It has no name from the start (or loses it at once),
// so it is gone when closed, also when the program is killed.
class PartFile {
public:
    // In the output's folder. Throws JobError as TempOutput does.
    explicit PartFile(const std::string& finalPath);
    ~PartFile();
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;

    int fd() const { return fd_; }

private:
    int fd_ = -1;
};

// The name under which a helper reaches the file it got as its fd childFd.
std::string ChildFdPath(int childFd);

// The folder part of a path ("." for a bare name).
std::string FolderOf(const std::string& path);
