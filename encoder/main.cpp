#include "ArgumentParser.h"
#include "Console.h"
#include "EncodeJob.h"
#include "ExitCodes.h"
#include "JobError.h"
#include "StopSignals.h"
#include "UsageError.h"

#include <string>
#include <vector>

// The encoder program: MEncoder's command-line syntax in, ffmpeg underneath.
int main(int argc, char** argv)
{
    InstallStopHandlers();
    const std::vector<std::string> args(argv + 1, argv + argc);
    try {
        return RunEncodeJob(ParseArguments(args));
    } catch (const UsageError& error) {
        WriteErr(std::string(error.what()) + "\n");
        return exitcode::BadArguments;
    } catch (const JobError& error) {
        WriteErr(std::string("\n") + error.what() + "\n");
        return error.exitCode();
    } catch (const std::exception& error) {
        WriteErr(std::string("\nEncoding failed: ") + error.what() + "\n");
        return exitcode::Failed;
    }
}
