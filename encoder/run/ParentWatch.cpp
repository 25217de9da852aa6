#include "ParentWatch.h"

#include "ExitCodes.h"

#include <csignal>
#include <cstdlib>
#include <string>
#include <sys/prctl.h>
#include <unistd.h>

void EndWithWatchedParent()
{
    const char* named = std::getenv("VELMO_WATCHED_PARENT");
    if (named == nullptr)
        return;
    const pid_t parent = static_cast<pid_t>(std::strtol(named, nullptr, 10));
    unsetenv("VELMO_WATCHED_PARENT");
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    // The parent may have died before the request took effect; we were then handed to
    // another process and no signal will come.
    if (getppid() != parent)
        _exit(exitcode::StoppedBase + SIGTERM);
}
