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

    // The fd a helper must receive as its fd 3, or -1.
    int fdForChild() const { return fd_; }
    // The name under which a helper that was given fdForChild() reaches the file.
    std::string pathForChild() const;

    // Gives the file its real name, replacing an older file of that name.
    void Commit();

private:
    std::string final_;
    std::string named_; // the hidden temporary name when no unnamed file could be made
    int fd_ = -1;
    bool committed_ = false;
};

// The folder part of a path ("." for a bare name).
std::string FolderOf(const std::string& path);
