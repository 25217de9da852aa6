#pragma once

#include "Request.h"

#include <string>

// The output is written to a file without a name in the output folder (O_TMPFILE)
// and given its real name only after it has been checked. So no partial or empty
// file is ever seen under the real name, and nothing is left behind when the
// program is killed. Where the file system has no unnamed files (vfat, exFAT, NFS,
// FUSE), a hidden name ".NAME.RANDOM.part" in the same folder is used and removed on
// failure; a run that is killed outright leaves it, since no other run can tell it
// from a file of the user's.
// An output that is a symbolic link is written to the file the kernel reaches through
// it, and only when the link is this user's or root's, in any folder; never a link to
// nothing. A file that is replaced keeps its
// mode. An output that keeps existing files (OutputName::keepExisting) never follows a
// link and never replaces anything: it takes the first free numbered name.
class TempOutput {
public:
    // Throws JobError when the output folder is missing or not writable, or the output
    // is a link that is not followed.
    explicit TempOutput(const OutputName& output);
    ~TempOutput();
    TempOutput(const TempOutput&) = delete;
    TempOutput& operator=(const TempOutput&) = delete;

    // The fd a helper must receive, or -1.
    int fdForChild() const { return unnamed_ ? fd_ : -1; }
    // The name under which a helper that got fdForChild() as its fd childFd reaches the file.
    std::string pathForChild(int childFd = 3) const;

    // Where this process reads the file.
    std::string pathForSelf() const;

    // Gives the file its real name: over an older file of that name, or, when existing
    // files are kept, the first free one of NAME.EXT, NAME_1.EXT, ..., each taken only if
    // no file has it, so two runs never take one name. A numbered name is told on standard
    // output, to people as "Output renamed to _N: NAME_N.EXT" and to the joiner in a tagged
    // line with the whole path. Gives the path taken.
    std::string Commit();

private:
    // Links or renames the file to path without replacing anything; false when path is taken.
    bool TakeFreeName(const std::string& path);

    std::string final_; // the output, symbolic links followed when it replaces
    std::string named_; // the hidden temporary name when no unnamed file could be made
    int fd_ = -1;       // the file
    bool unnamed_ = false;
    bool keepExisting_ = false;
    bool committed_ = false;
};

// Checks, without writing anything, that the output can be made where it is named:
// not an existing folder or other file that is no regular one, not a link that is not
// followed, in a folder that exists and may be written. Throws JobError.
void CheckOutputPlace(const OutputName& output);

// The name under which a helper reaches the file it got as its fd childFd.
std::string ChildFdPath(int childFd);

// The folder part of a path ("." for a bare name).
std::string FolderOf(const std::string& path);
