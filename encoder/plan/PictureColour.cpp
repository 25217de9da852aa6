#include "PictureColour.h"

#include "PrivateFolder.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

// SDR's reference white in HDR, ITU-R BT.2408: linear light 1.0 stands for it.
constexpr double kReferenceWhite = 203;
// The display HLG is made for, and the peak assumed of PQ whose mastering display is unknown.
constexpr double kHdrPeak = 1000;

bool HighDefinition(int width, int height)
{
    return height >= 720 || width >= 1280;
}

// ffprobe's matrix names as the scale filter takes them; empty for one it does not know.
std::string ScaleMatrix(const std::string& tag)
{
    if (tag == "bt709")
        return "bt709";
    if (tag == "smpte170m" || tag == "bt470bg")
        return "bt601";
    if (tag == "fcc" || tag == "smpte240m")
        return tag;
    if (tag == "bt2020nc" || tag == "bt2020c")
        return "bt2020";
    return {};
}

// Pictures stored as RGB or grey have no matrix or range to read.
bool StoredAsYuv(const InputInfo& input)
{
    const std::string& format = input.pixelFormat;
    if (input.colourMatrix == "gbr")
        return false;
    for (const char* other : {"rgb", "bgr", "gbr", "pal", "gray", "ya", "mono"})
        if (format.find(other) != std::string::npos)
            return false;
    return true;
}

std::string InputRange(const InputInfo& input)
{
    if (input.colourRange == "pc" || input.colourRange == "tv")
        return input.colourRange;
    return input.pixelFormat.starts_with("yuvj") ? "pc" : "tv";
}

std::string InputMatrix(const InputInfo& input)
{
    const std::string known = ScaleMatrix(input.colourMatrix);
    if (!known.empty())
        return known;
    if (DynamicOf(input) != Dynamic::Sdr)
        return "bt2020";
    return HighDefinition(input.width, input.height) ? "bt709" : "bt601";
}

// zimg's names for an HDR input's matrix and primaries, BT.2020 where it says none.
std::string ZimgMatrix(const std::string& tag)
{
    if (tag == "bt709")
        return "709";
    if (tag == "smpte170m")
        return "170m";
    if (tag == "bt470bg")
        return "470bg";
    if (tag == "bt2020c")
        return "2020_cl";
    return "2020_ncl";
}

std::string ZimgPrimaries(const std::string& tag)
{
    if (tag == "bt709")
        return "709";
    if (tag == "smpte170m")
        return "170m";
    return "2020";
}

std::string Number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

// HDR to SDR, scaled to width x height first so that the work in floating point is done on
// the output's pixels: to linear light with reference white at 1.0, to BT.709 primaries, the
// highlights rolled off towards the display's peak (Mobius keeps everything below 0.9 as
// it is), then the SDR transfer and the output's matrix and range.
std::string ToneMap(const InputInfo& input, const OutputColour& output, int width, int height)
{
    const Dynamic dynamic = DynamicOf(input);
    const double peak = dynamic == Dynamic::Pq && input.masteringPeak > 0 ? input.masteringPeak : kHdrPeak;
    return "zscale=w=" + std::to_string(width) + ":h=" + std::to_string(height) + ":f=bicubic:tin="
        + input.colourTransfer + ":min=" + ZimgMatrix(input.colourMatrix)
        + ":pin=" + ZimgPrimaries(input.colourPrimaries) + ":rin=" + InputRange(input)
        + ":t=linear:npl=" + Number(kReferenceWhite) + ",format=gbrpf32le,zscale=p=709,"
        + "tonemap=tonemap=mobius:param=0.9:desat=0:peak=" + Number(std::max(peak / kReferenceWhite, 1.1))
        + ",zscale=t=709:m=" + (ScaleMatrix(output.matrix) == "bt709" ? "709" : "170m") + ":r=" + output.range
        + ",format=yuv444p";
}

// The inputs' kind where all are HDR of one kind; SDR otherwise.
Dynamic OneKind(const std::vector<InputInfo>& inputs)
{
    const Dynamic first = inputs.empty() ? Dynamic::Sdr : DynamicOf(inputs.front());
    const bool same = std::all_of(inputs.begin(), inputs.end(),
                                  [&](const InputInfo& input) { return DynamicOf(input) == first; });
    return same ? first : Dynamic::Sdr;
}

} // namespace

Dynamic DynamicOfTransfer(const std::string& transfer)
{
    if (transfer == "arib-std-b67")
        return Dynamic::Hlg;
    if (transfer == "smpte2084")
        return Dynamic::Pq;
    return Dynamic::Sdr;
}

Dynamic DynamicOf(const InputInfo& input)
{
    return DynamicOfTransfer(input.colourTransfer);
}

std::string TransferOf(Dynamic dynamic)
{
    return dynamic == Dynamic::Hlg ? "arib-std-b67" : dynamic == Dynamic::Pq ? "smpte2084" : "";
}

std::string DynamicWords(Dynamic dynamic)
{
    return dynamic == Dynamic::Hlg ? "HDR (HLG)" : dynamic == Dynamic::Pq ? "HDR (PQ)" : "SDR";
}

Encoding KeepingHdr(const Request& request, const Encoding& encoding, const std::vector<InputInfo>& inputs)
{
    if (!request.videoCodec.empty() || request.piece || encoding.container != Container::Avi
        || !LiesInJobFolder(request.output) || OneKind(inputs) == Dynamic::Sdr)
        return encoding;
    Encoding kept = encoding;
    kept.videoEncoder = "libx264";
    kept.pixelFormat = "yuv420p10le";
    kept.keepsHdr = true;
    kept.mpegVideoFamily = false;
    return kept;
}

OutputColour ChooseOutputColour(const Encoding& encoding, int width, int height,
                                const std::vector<InputInfo>& inputs)
{
    OutputColour colour;
    colour.pixelFormat = encoding.pixelFormat;
    const Dynamic first = OneKind(inputs);
    if (encoding.keepsHdr && first != Dynamic::Sdr) {
        colour.dynamic = first;
        colour.matrix = "bt2020nc";
        colour.primaries = "bt2020";
        colour.transfer = TransferOf(first);
        colour.range = "tv";
        colour.pixelFormat = "yuv420p10le";
        if (first == Dynamic::Pq) {
            // The first mastering display said; the brightest content of all the inputs.
            long brightest = 0;
            long average = 0;
            for (const InputInfo& input : inputs) {
                if (colour.masterDisplay.empty())
                    colour.masterDisplay = input.masterDisplay;
                if (!input.contentLight.empty()) {
                    brightest = std::max(brightest, std::atol(input.contentLight.c_str()));
                    average = std::max(average, std::atol(input.contentLight.c_str() + input.contentLight.find(',') + 1));
                }
            }
            if (brightest > 0)
                colour.contentLight = std::to_string(brightest) + "," + std::to_string(average);
        }
        return colour;
    }
    const bool jpeg = encoding.pixelFormat == "yuvj420p";
    const bool high = HighDefinition(width, height);
    colour.matrix = high && !jpeg ? "bt709" : "smpte170m";
    colour.primaries = high ? "bt709" : "smpte170m";
    colour.transfer = colour.primaries;
    colour.range = jpeg ? "pc" : "tv";
    return colour;
}

std::string MixedDynamicsNote(const Encoding& encoding, const std::vector<InputInfo>& inputs)
{
    // Each kind with the first few of its inputs.
    constexpr std::size_t kNamed = 3;
    std::string note;
    int kinds = 0;
    for (const auto& [kind, word] : {std::pair{Dynamic::Hlg, "HLG"}, {Dynamic::Pq, "PQ"}, {Dynamic::Sdr, "SDR"}}) {
        std::string names;
        std::size_t count = 0;
        for (const InputInfo& input : inputs)
            if (DynamicOf(input) == kind && ++count <= kNamed)
                names += (names.empty() ? "" : ", ") + (input.name.empty() ? input.path : input.name);
        if (count > kNamed)
            names += " and " + std::to_string(count - kNamed) + " more";
        if (count > 0) {
            ++kinds;
            note += (note.empty() ? "" : ", ") + names + (count > 1 ? " are " : " is ") + word;
        }
    }
    return encoding.keepsHdr && kinds > 1 ? note + ": the output is SDR" : std::string();
}

std::string ColourScale(const InputInfo& input, const OutputColour& output, int width, int height)
{
    std::string chain;
    std::string matrix = InputMatrix(input);
    std::string range = InputRange(input);
    const bool toneMapped = DynamicOf(input) != Dynamic::Sdr && output.dynamic == Dynamic::Sdr;
    if (toneMapped) {
        chain = ToneMap(input, output, width, height) + ",";
        matrix = ScaleMatrix(output.matrix);
        range = output.range;
    }
    chain += "scale=" + std::to_string(width) + ":" + std::to_string(height);
    if (toneMapped || StoredAsYuv(input))
        chain += ":in_color_matrix=" + matrix + ":in_range=" + range;
    return chain + ":out_color_matrix=" + ScaleMatrix(output.matrix) + ":out_range=" + output.range;
}

std::vector<std::string> ColourArguments(const OutputColour& colour, const Encoding& encoding)
{
    std::vector<std::string> args = {"-color_range", colour.range, "-colorspace", colour.matrix,
                                     "-color_primaries", colour.primaries, "-color_trc", colour.transfer};
    // The codec's headers say where the chroma lies, which the encoder takes from the
    // input: one place for all, so that pieces of different inputs join.
    if (colour.range == "tv")
        args.insert(args.end(), {"-chroma_sample_location", "left"});
    std::string params;
    if (!colour.masterDisplay.empty())
        params.append("master-display=").append(colour.masterDisplay);
    if (!colour.contentLight.empty())
        params.append(params.empty() ? "" : ":").append("max-cll=").append(colour.contentLight);
    // x265 takes its settings in one argument, the last one given: its notes at every
    // start, which would push ffmpeg's errors out of sight, are silenced here too.
    if (encoding.videoEncoder == "libx265")
        args.insert(args.end(), {"-x265-params", "log-level=error" + (params.empty() ? "" : ":" + params)});
    return args;
}
