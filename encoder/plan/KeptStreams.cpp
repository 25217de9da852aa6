#include "KeptStreams.h"

#include <algorithm>
#include <set>

namespace {

bool IsTextSubtitle(const std::string& codec)
{
    static const std::set<std::string> text = {"subrip", "srt", "ass", "ssa", "webvtt", "mov_text", "text"};
    return text.count(codec) > 0;
}

std::string NameOf(const InputInfo& input)
{
    return input.name.empty() ? input.path : input.name;
}

std::string Counted(int count, const std::string& one)
{
    return std::to_string(count) + " " + one + (count == 1 ? "" : "s");
}

// The codec the output writes for these subtitles; empty when it holds none of them.
std::string OutputSubtitleCodec(Container output, const std::string& codec)
{
    if (output == Container::Matroska)
        return codec == "mov_text" ? "srt" : "copy";
    if (!IsTextSubtitle(codec))
        return {};
    if (output == Container::Mp4 || output == Container::Mov)
        return codec == "mov_text" ? "copy" : "mov_text";
    if (output == Container::WebM)
        return codec == "webvtt" ? "copy" : "webvtt";
    return {};
}

// Why the inputs' subtitles cannot be joined into the output; empty when they can. The
// concat list takes its streams from the first input and the others' by their place, so
// each input holds them where the first does, in its codec, or holds nothing there.
std::string WhySubtitlesLeftOut(const Request& request, Container output, const std::vector<InputInfo>& inputs)
{
    const InputInfo& first = inputs.front();
    if (!request.allTracks)
        return "the first picture and sound track only are asked for";
    if (first.subtitleStream < 0)
        return "the first file holds none to join them to";
    if (OutputSubtitleCodec(output, first.subtitleCodec).empty())
        return ContainerName(output) + " output holds no " + first.subtitleCodec + " subtitles";
    for (const InputInfo& input : inputs) {
        const bool same = input.subtitleStream == first.subtitleStream && input.subtitleCodec == first.subtitleCodec;
        const bool none = input.subtitleStream < 0 && input.streamCount <= first.subtitleStream;
        if (!same && !none)
            return NameOf(input) + " holds its subtitles unlike " + NameOf(first);
    }
    return {};
}

} // namespace

KeptStreams PlanKeptStreams(const Request& request, Container output, const std::vector<InputInfo>& inputs,
                            const std::vector<double>& lengths)
{
    KeptStreams kept;
    kept.leftOut.resize(inputs.size());
    // A piece keeps none: the join of the pieces reads them from the files the pieces were
    // made from, and says what it leaves out.
    if (request.piece)
        return kept;
    const bool any = std::any_of(inputs.begin(), inputs.end(), [](const InputInfo& input) {
        return input.subtitleTracks > 0;
    });
    const std::string why = any ? WhySubtitlesLeftOut(request, output, inputs) : std::string();
    for (std::size_t index = 0; index < inputs.size(); ++index) {
        const InputInfo& input = inputs[index];
        const int further = why.empty() && input.subtitleStream >= 0 ? input.subtitleTracks - 1 : input.subtitleTracks;
        if (further > 0)
            kept.leftOut[index].push_back(Counted(further, "subtitle track") + " of " + NameOf(input)
                                          + " will not be in the output ("
                                          + (why.empty() ? "one subtitle track is joined" : why) + ")");
    }
    if (any && why.empty()) {
        kept.subtitleStream = inputs.front().subtitleStream;
        kept.subtitleCodec = OutputSubtitleCodec(output, inputs.front().subtitleCodec);
        for (std::size_t index = 0; index < inputs.size(); ++index)
            {
            // Each input's cues counted from where its stretch starts, as its picture's are.
            const InputInfo& input = inputs[index];
            kept.subtitleEntries.push_back({input.path, lengths[index], 0,
                                            input.start > 0 ? std::optional<double>(input.fileStart + input.start)
                                                            : std::nullopt});
        }
    }
    // Attachments once each, in Matroska; a cover picture, the first input's, in MP4.
    const bool attaches = request.allTracks && output == Container::Matroska;
    // ffmpeg writes a cover picture into Matroska as a track of one picture, not as an attachment.
    const bool covers = request.allTracks && output == Container::Mp4;
    std::vector<std::string> contents;
    for (std::size_t index = 0; index < inputs.size(); ++index) {
        const InputInfo& input = inputs[index];
        int dropped = 0;
        for (const auto& [stream, content] : input.attachedFiles) {
            const bool seen = std::find(contents.begin(), contents.end(), content) != contents.end();
            if (attaches && !seen) {
                kept.attachments.emplace_back(index, stream);
                contents.push_back(content);
            }
            dropped += !attaches;
        }
        if (input.coverStream >= 0 && covers && index == 0)
            kept.cover = {index, input.coverStream};
        else
            dropped += input.coverStream >= 0;
        const std::string keeps = attaches ? "each attached file once, no cover picture"
            : covers                       ? "only the first file's cover picture"
                                           : "none";
        const std::string why = request.allTracks ? ContainerName(output) + " output keeps " + keeps
                                                  : "the first picture and sound track only are asked for";
        if (dropped > 0)
            kept.leftOut[index].push_back(Counted(dropped, "attachment") + " of " + NameOf(input)
                                          + " will not be in the output (" + why + ")");
    }
    return kept;
}

std::vector<std::string> KeptStreamArguments(const KeptStreams& kept, std::size_t subtitleInput,
                                             const std::function<std::size_t(std::size_t)>& inputNumber)
{
    std::vector<std::string> args;
    // Each stream keeps its tags (a language, an attachment's name and type): mapped as data.
    const auto map = [&](std::size_t input, int stream, const std::string& kind, std::size_t place) {
        const std::string from = std::to_string(input) + ":" + std::to_string(stream);
        args.insert(args.end(), {"-map", from, "-map_metadata:s:" + kind + ":" + std::to_string(place),
                                 std::to_string(input) + ":s:" + std::to_string(stream)});
    };
    if (!kept.subtitleEntries.empty()) {
        map(subtitleInput, kept.subtitleStream, "s", 0);
        args.insert(args.end(), {"-c:s", kept.subtitleCodec});
    }
    for (std::size_t place = 0; place < kept.attachments.size(); ++place)
        map(inputNumber(kept.attachments[place].first), kept.attachments[place].second, "t", place);
    if (!kept.attachments.empty())
        args.insert(args.end(), {"-c:t", "copy"});
    if (kept.cover.second >= 0) {
        map(inputNumber(kept.cover.first), kept.cover.second, "v", 1);
        args.insert(args.end(), {"-c:v:1", "copy", "-disposition:v:1", "attached_pic"});
    }
    return args;
}
