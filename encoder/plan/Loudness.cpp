#include "Loudness.h"

#include "Console.h"
#include "JobError.h"
#include "Progress.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {

constexpr const char* kKey = "lavfi.r128.I=";
constexpr const char* kFileTitle = "velmo loudness ";

std::string LoudnessFileOf(const std::string& converted)
{
    return converted + ".loudness";
}

std::string Decibels(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2fdB", value);
    return text;
}

// The gain for a sound of this loudness; a note names the file (the run's input number
// input) where it falls short.
double GainFor(double loudness, const std::string& name, std::size_t input)
{
    char text[96] = "";
    double gain = kTargetLoudness - loudness;
    if (loudness < kQuietest) {
        std::snprintf(text, sizeof text, " is very quiet (%.1f LUFS): its level is kept", loudness);
        gain = 0;
    } else if (gain > kMostGain) {
        std::snprintf(text, sizeof text, " is quiet (%.1f LUFS): it is raised by %.0f dB only", loudness,
                      kMostGain);
        gain = kMostGain;
    }
    if (*text)
        SayNote(input, name + text);
    return gain;
}

} // namespace

std::string MeasureChain(const std::string& path)
{
    // A reading every 100 ms, each the loudness so far: the last one is the sound's.
    return "ebur128=metadata=1,ametadata=mode=print:key=lavfi.r128.I:file=" + path + ",anullsink";
}

std::optional<double> MeasuredLoudness(const std::string& text)
{
    const std::size_t at = text.rfind(kKey);
    if (at == std::string::npos)
        return std::nullopt;
    const double loudness = std::strtod(text.c_str() + at + std::strlen(kKey), nullptr);
    // The measure's absolute gate: below it there was nothing but silence.
    if (!std::isfinite(loudness) || loudness <= -69.9)
        return std::nullopt;
    return loudness;
}

void KeepLoudness(const std::string& converted, double loudness, const std::string& mark)
{
    const std::string path = LoudnessFileOf(converted);
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        throw JobError("Cannot keep the loudness of " + converted + " (" + std::strerror(errno) + "): " + path);
    char text[32];
    std::snprintf(text, sizeof text, " %.2f\n", loudness);
    WriteAll(fd, kFileTitle + mark + text);
    close(fd);
}

std::vector<double> LoudnessGains(const std::vector<std::string>& paths, const std::vector<std::string>& names,
                                  const std::string& mark)
{
    std::vector<double> gains;
    bool measured = false;
    for (std::size_t index = 0; index < paths.size(); ++index) {
        std::ifstream file(LoudnessFileOf(paths[index]));
        std::string line;
        std::getline(file, line);
        const std::string head = kFileTitle + mark + " ";
        double gain = 0;
        if (line.starts_with(head)) {
            std::istringstream value(line.substr(head.size()));
            double loudness = 0;
            if (value >> loudness) {
                gain = GainFor(loudness, names[index], index);
                measured = true;
            }
        }
        gains.push_back(gain);
    }
    return measured ? gains : std::vector<double>();
}

std::string GainFilter(double gain)
{
    return "volume=" + Decibels(gain);
}

std::string PeakLimiter(int sampleRate)
{
    // Held half a decibel below the ceiling: the way back to the output's rate can lift
    // a peak a little. The limiter's lookahead is taken back, so nothing moves in time.
    const double limit = std::pow(10.0, (kPeakCeiling - 0.5) / 20);
    char text[160];
    std::snprintf(text, sizeof text,
                  "aresample=%d,alimiter=limit=%.4f:level=false:latency=true:attack=5:release=50,aresample=%d",
                  sampleRate * 4, limit, sampleRate);
    return text;
}
