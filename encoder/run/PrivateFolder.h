#pragma once

#include <string>
#include <vector>

// A folder of this run's own in the temp folder (TMPDIR, which the joiner sets to the job's
// folder; else /tmp), readable by this user only, made when first needed and removed, with
// what the run put in it, when the run ends: links of plain names to files whose names a
// list cannot hold, and files made for the run (re-stamped inputs, the pieces of a join in
// groups).
class PrivateFolder {
public:
    PrivateFolder() = default;
    ~PrivateFolder();
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;

    // A new name in the folder (nothing made under it yet), ending in `ending`. Throws
    // JobError when the folder cannot be made.
    std::string NewName(const std::string& ending);
    // A symbolic link to `target` under a new name; throws JobError when it cannot be made.
    std::string LinkTo(const std::string& target, const std::string& ending);

private:
    std::string folder_;
    std::vector<std::string> names_;
};

// Whether path names a file directly in the job's folder (TMPDIR as the joiner sets it),
// the file itself there or not yet: only there does a run leave notes beside what it
// writes for the rest of the job, never beside a user's own output.
bool LiesInJobFolder(const std::string& path);
