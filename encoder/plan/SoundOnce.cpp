#include "SoundOnce.h"

#include "EachInputRuns.h"

#include <cmath>
#include <cstdio>

namespace {

// The samples of priming in front of an MP3 sound that its container does not mark (AVI
// and MPEG hold no such mark, and libavformat tells none): LAME's 576 and the decoder's 529.
// Other encoders prime alike or less; a few milliseconds too many cut are not heard.
long long UnmarkedPriming(const StreamFacts& input)
{
    const std::string& format = input.media.formatName;
    const bool unmarked = format == "avi" || format == "mpeg" || format == "mpegts";
    return unmarked && input.Audio().codec == "mp3" ? 576 + 529 : 0;
}

} // namespace

double SoundPieceStart(const StreamFacts& input, bool pictureSetsLength)
{
    return pictureSetsLength && input.picture.count > 0 ? input.picture.start : input.start;
}

std::vector<std::string> DecodedSounds(const std::vector<StreamFacts>& inputs, const std::vector<double>& spans,
                                       bool pictureSetsLength, PrivateFolder& folder,
                                       const std::function<void()>& onTick)
{
    return RunForEachInput(
        inputs.size(), folder, ".flac",
        [&](std::size_t index, const std::string& piece) {
            const StreamFacts& input = inputs[index];
            const double rate = input.Audio().sampleRate;
            // ffmpeg counts the decoded sound from the file's start; the priming is moved
            // before it, where the resampler's first time cuts it off.
            char priming[32];
            std::snprintf(priming, sizeof priming, "%.9f", -static_cast<double>(UnmarkedPriming(input)) / rate);
            const long long from = std::llround((SoundPieceStart(input, pictureSetsLength) - input.start) * rate);
            const long long to = from + std::llround(spans[index] * rate);
            return std::vector<std::string>{
                "ffmpeg", "-nostdin", "-v", "error", "-itsoffset", priming, "-i", FileUrl(input.file.path), "-map",
                "0:" + std::to_string(input.audio), "-af",
                "aresample=async=1:min_hard_comp=0.005:first_pts=0,apad,atrim=start_sample=" + std::to_string(from)
                    + ":end_sample=" + std::to_string(to),
                "-c:a", "flac", "-f", "flac", FileUrl(piece)};
        },
        [&](std::size_t index) { return "The sound of " + inputs[index].file.path + " could not be decoded: "; },
        onTick);
}
