#include "pipeline/TempFolderChoice.h"

#include "core/NameBytes.h"
#include "core/NameFiles.h"
#include "core/PathRules.h"

namespace {

// Why the folder cannot be the temp folder; empty when it can.
QString WhyNotUsable(const QString& folder)
{
    // "file/" would not be found at all: the name without its "/" is looked at.
    const QString bare = folder.size() > 1 && folder.endsWith('/') ? folder.chopped(1) : folder;
    if (const std::optional<struct stat> status = StatOfName(bare))
        return S_ISDIR(status->st_mode) ? QString() : QStringLiteral("it is not a folder");
    const QString parent = FolderOf(bare);
    if (!IsFolderName(parent))
        return QStringLiteral("neither it nor the folder above it exists");
    if (!IsWritableName(parent))
        return QStringLiteral("it does not exist and cannot be made");
    return {};
}

}

TempFolderChoice ChooseTempFolder(const QString& named, const QString& fallbackFolder)
{
    if (named.isEmpty())
        return {fallbackFolder, {}};
    const QString why = WhyNotUsable(named);
    if (why.isEmpty())
        return {named, {}};
    return {fallbackFolder, "The temp folder \"" + ShownName(named) + "\" cannot be used (" + why + "): the job uses \""
                                + ShownName(fallbackFolder) + "\" instead."};
}
