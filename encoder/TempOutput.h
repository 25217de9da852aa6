#pragma once

#include <string>

// The output is written to a file without a name in the output folder (O_TMPFILE)
// and given its real name only after it has been checked. So no partial or empty
// file is ever seen under the real name, and nothing is left behind when the
// program is killed. Where the file system has no unnamed files (vfat, exFAT, NFS,
// FUSE), a hidden name ".NAME.RANDOM.part" in the same folder is used and removed on
// failure. The file is held under an advisory lock (flock) for the program's life, so
// a part file whose lock can be taken belongs to no living run, on this machine or on
// another sharing the folder: the next run in that folder removes it.
// An output that is a symbolic link is written to the link's target, and a file that
// is replaced keeps its mode.
class TempOutput {
public:
    // Throws JobError when the output folder is missing or not writable.
    explicit TempOutput(const std::string& outputPath);
    ~TempOutput();
    TempOutput(const TempOutput&) = delete;
    TempOutput& operator=(const TempOutput&) = delete;

    // The fd a helper must receive, or -1.
    int fdForChild() const { return unnamed_ ? fd_ : -1; }
    // The name under which a helper that got fdForChild() as its fd childFd reaches the file.
    std::string pathForChild(int childFd = 3) const;

    // Gives the file its real name, replacing an older file of that name.
    void Commit();

private:
    std::string final_; // the output, symbolic links followed
    std::string named_; // the hidden temporary name when no unnamed file could be made
    int fd_ = -1;       // the file, locked
    bool unnamed_ = false;
    bool committed_ = false;
};

// Checks, without writing anything, that the output can be made where it is named:
// not an existing folder, in a folder that exists and may be written. Throws JobError.
void CheckOutputPlace(const std::string& outputPath);

// The name under which a helper reaches the file it got as its fd childFd.
std::string ChildFdPath(int childFd);

// The folder part of a path ("." for a bare name).
std::string FolderOf(const std::string& path);

// Removes from a folder the hidden part files whose lock can be taken: their runs have ended.
void RemoveStaleParts(const std::string& folder);
