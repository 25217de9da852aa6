#include "ArgumentParser.h"
#include "Console.h"
#include "CopyJoin.h"
#include "EncodeJob.h"
#include "ExitCodes.h"
#include "JobError.h"
#include "ParentWatch.h"
#include "StopSignals.h"
#include "Thumbnail.h"
#include "UsageError.h"

#include <string>
#include <vector>

// The encoder program: MEncoder's command-line syntax in, ffmpeg underneath.
// "--check" before the usual arguments only checks them, as a run would before
// reading any input, so that a caller can learn of a bad command line at once.
// "--thumbnail" makes the task list's picture of a file instead (Thumbnail.h).
int main(int argc, char** argv)
{
    InstallStopHandlers();
    EndWithWatchedParent();
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && args.front() == "--thumbnail")
        return RunThumbnail({args.begin() + 1, args.end()});
    const bool checkOnly = !args.empty() && args.front() == "--check";
    if (checkOnly)
        args.erase(args.begin());
    try {
        const Request request = ParseArguments(args);
        if (checkOnly) {
            const Encoding encoding = CheckRequest(request);
            // A join of copied streams depends on what the inputs hold.
            if (request.copyStreams)
                CheckCopyJoin(request, encoding, [] {});
            return exitcode::Success;
        }
        return RunEncodeJob(request);
    } catch (const UsageError& error) {
        WriteErr(std::string(error.what()) + "\n");
        return exitcode::BadArguments;
    } catch (const JobError& error) {
        // A run's message follows its progress line; a check has written none.
        WriteErr(std::string(checkOnly ? "" : "\n") + error.what() + "\n");
        return error.exitCode();
    } catch (const std::exception& error) {
        WriteErr(std::string("\nEncoding failed: ") + error.what() + "\n");
        return exitcode::Failed;
    }
}
