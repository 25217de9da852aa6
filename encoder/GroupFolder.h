#pragma once

#include <string>
#include <vector>

// A folder of the run's own (mode 0700, a random name) beside the output, for the pieces
// of a join made in groups. It removes the files it named, and itself, when it goes; a
// file that someone else put there keeps it.
class GroupFolder {
public:
    // Throws JobError when the folder cannot be made.
    explicit GroupFolder(const std::string& outputPath);
    ~GroupFolder();
    GroupFolder(const GroupFolder&) = delete;
    GroupFolder& operator=(const GroupFolder&) = delete;

    // The path of a new file in the folder, removed with it.
    std::string NewFile(const std::string& name);

private:
    std::string path_;
    std::vector<std::string> files_;
};
