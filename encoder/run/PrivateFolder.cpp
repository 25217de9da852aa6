#include "PrivateFolder.h"

#include "JobError.h"

#include <cerrno>
#include <cstdlib>
#include <climits>
#include <cstring>
#include <unistd.h>

PrivateFolder::~PrivateFolder()
{
    for (const std::string& name : names_)
        unlink(name.c_str());
    if (!folder_.empty())
        rmdir(folder_.c_str());
}

std::string PrivateFolder::NewName(const std::string& ending)
{
    if (folder_.empty()) {
        const char* temp = std::getenv("TMPDIR");
        std::string pattern = std::string(temp && *temp ? temp : "/tmp") + "/velmo-join-XXXXXX";
        // mkdtemp makes it for this user only (0700).
        if (!mkdtemp(pattern.data()))
            throw JobError("Cannot make a private folder in " + pattern.substr(0, pattern.rfind('/')) + ": "
                           + std::strerror(errno));
        folder_ = pattern;
    }
    names_.push_back(folder_ + "/" + std::to_string(names_.size()) + ending);
    return names_.back();
}

std::string PrivateFolder::LinkTo(const std::string& target, const std::string& ending)
{
    const std::string name = NewName(ending);
    if (symlink(target.c_str(), name.c_str()) != 0)
        throw JobError("Cannot make a link to " + target + " in " + folder_ + ": " + std::strerror(errno));
    return name;
}

bool LiesInJobFolder(const std::string& path)
{
    const char* jobFolder = std::getenv("TMPDIR");
    if (!jobFolder || !*jobFolder)
        return false;
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    char resolvedFolder[PATH_MAX];
    char resolvedJob[PATH_MAX];
    return realpath(folder.c_str(), resolvedFolder) && realpath(jobFolder, resolvedJob)
        && std::strcmp(resolvedFolder, resolvedJob) == 0;
}
