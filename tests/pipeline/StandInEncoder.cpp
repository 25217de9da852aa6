// A stand-in for the encoder program whose output, pauses, output file and exit code a
// test scripts exactly. The script is the file named by VELMO_STAND_IN_SCRIPT, or that
// name followed by "." and the first input's file name when such a file exists; one
// step a line:
//   write TEXT      TEXT on standard output, "\r" and "\n" written as those characters
//   tell BODY       the tagged line of this body that the job reads (EncoderLines.h)
//   read            waits until the job has read everything written: the pipe is empty,
//                   so the next write comes to the job in a read of its own
//   sleep MS        a pause, during which the run is silent
//   touch PATH      the file PATH is made: a trace that the run got this far
//   output          the file after "-o" is written
//   exit CODE       the end
//   kill SIGNAL     the end through that signal
//   ignore SIGNAL   that signal is ignored from here on: a run slow to stop
// A check of a command line ("--check" first) passes at once; a picture of a video
// ("--thumbnail" first) fails at once, so that the list's pictures never follow a script.
#include "protocol/EncoderLines.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include <sys/ioctl.h>
#include <unistd.h>

int main(int argc, char* argv[])
{
    if (argc > 1 && std::string(argv[1]) == "--check")
        return 0;
    if (argc > 1 && std::string(argv[1]) == "--thumbnail")
        return 1;
    std::string output;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "-o")
            output = argv[i + 1];
    const char* scriptPath = std::getenv("VELMO_STAND_IN_SCRIPT");
    // The first input follows "--".
    std::string input;
    for (int i = 1; i + 1 < argc && input.empty(); ++i)
        if (std::string(argv[i]) == "--")
            input = argv[i + 1];
    const std::string inputName = input.substr(input.find_last_of('/') + 1);
    std::ifstream script(std::string(scriptPath ? scriptPath : "") + "." + inputName);
    if (!script)
        script.open(scriptPath ? scriptPath : "");
    std::string line;
    while (std::getline(script, line)) {
        const std::string step = line.substr(0, line.find(' '));
        const std::string rest = line.find(' ') == std::string::npos ? std::string() : line.substr(line.find(' ') + 1);
        if (step == "write") {
            std::string text;
            for (std::size_t i = 0; i < rest.size(); ++i) {
                if (rest[i] == '\\' && i + 1 < rest.size() && (rest[i + 1] == 'r' || rest[i + 1] == 'n')) {
                    text += rest[i + 1] == 'r' ? '\r' : '\n';
                    ++i;
                } else {
                    text += rest[i];
                }
            }
            std::fwrite(text.data(), 1, text.size(), stdout);
            std::fflush(stdout);
        } else if (step == "tell") {
            const char* token = std::getenv(encoderlines::WantedVariable);
            const std::string text = encoderlines::Tagged(token ? token : "", rest + "\n");
            std::fwrite(text.data(), 1, text.size(), stdout);
            std::fflush(stdout);
        } else if (step == "read") {
            int unread = 0;
            while (ioctl(STDOUT_FILENO, FIONREAD, &unread) == 0 && unread > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        } else if (step == "sleep") {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(rest.c_str())));
        } else if (step == "touch") {
            std::ofstream(rest.c_str()) << "reached";
        } else if (step == "output") {
            std::ofstream(output) << "joined";
        } else if (step == "ignore") {
            std::signal(std::atoi(rest.c_str()), SIG_IGN);
        } else if (step == "kill") {
            std::raise(std::atoi(rest.c_str()));
        } else if (step == "exit") {
            return std::atoi(rest.c_str());
        }
    }
    return 0;
}
