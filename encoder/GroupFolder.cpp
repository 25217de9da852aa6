#include "GroupFolder.h"

#include "JobError.h"
#include "TempOutput.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

GroupFolder::GroupFolder(const std::string& outputPath)
{
    std::string pattern = FolderOf(outputPath) + "/.velmo-groups-XXXXXX";
    if (!mkdtemp(pattern.data()))
        throw JobError("Cannot make a folder for the groups of the join beside " + outputPath + ": "
                       + std::strerror(errno));
    path_ = pattern;
}

GroupFolder::~GroupFolder()
{
    for (const std::string& file : files_)
        unlink(file.c_str());
    rmdir(path_.c_str());
}

std::string GroupFolder::NewFile(const std::string& name)
{
    files_.push_back(path_ + "/" + name);
    return files_.back();
}
