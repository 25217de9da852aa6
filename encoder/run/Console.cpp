#include "Console.h"

#include "StopSignals.h"

#include <cerrno>
#include <unistd.h>

void WriteAll(int fd, std::string_view text)
{
    while (!text.empty()) {
        const ssize_t written = write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno == EPIPE && fd == 1)
            StopForLostCaller();
        if (written <= 0)
            return;
        text.remove_prefix(static_cast<std::size_t>(written));
    }
}

void WriteOut(std::string_view text)
{
    WriteAll(1, text);
}

void WriteErr(std::string_view text)
{
    WriteAll(2, text);
}
