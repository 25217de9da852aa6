// Loaded into the encoder by LD_PRELOAD, this makes every poll in the encoder fail (not
// in the programs it starts), as a kernel short of memory would.
#include <cerrno>
#include <cstring>
#include <dlfcn.h>
#include <poll.h>

extern "C" int poll(pollfd* fds, nfds_t count, int timeout)
{
    if (std::strcmp(program_invocation_short_name, "asapi.dll") == 0) {
        errno = ENOMEM;
        return -1;
    }
    const auto real = reinterpret_cast<int (*)(pollfd*, nfds_t, int)>(dlsym(RTLD_NEXT, "poll"));
    return real(fds, count, timeout);
}
