#include "JobPromises.h"

#include "Chapters.h"
#include "PrivateFolder.h"
#include "SourceFacts.h"

#include <cstdlib>

namespace {

// The job's own files are read again by the join that follows, which decodes its output.
OutputPromise::Decode DecodeFor(const Request& request)
{
    return request.piece || LiesInJobFolder(request.output) ? OutputPromise::Decode::None
                                                             : OutputPromise::Decode::Joints;
}

} // namespace

OutputPromise EncodedPromise(const Request& request, const Encoding& encoding, const std::vector<InputInfo>& inputs,
                             const OutputFormat& format)
{
    OutputPromise promise;
    promise.turn = 0;
    promise.displayAspect = format.displayAspect > 0 ? format.displayAspect
                                                     : static_cast<double>(format.width) / format.height;
    promise.dynamic = format.colour.dynamic;
    promise.chapters = WritesChapters(request, encoding);
    promise.decode = DecodeFor(request);
    for (std::size_t index = 0; index < inputs.size(); ++index) {
        const long frames = FramesAt(inputs[index], format.frameRate);
        // A file that does not say its length is encoded to its end, whatever that is.
        if (frames <= 0)
            return promise.stretches.clear(), promise;
        const std::string name = inputs[index].name.empty() ? InputName(inputs[index].path, index + 1, {})
                                                           : inputs[index].name;
        promise.stretches.push_back({name, frames / format.frameRate, frames});
    }
    return promise;
}

OutputPromise CopiedPromise(const Request& request, const Encoding& encoding, const std::vector<StreamFacts>& inputs)
{
    OutputPromise promise;
    if (inputs.empty())
        return promise;
    // The copied pictures keep the first input's turn and shape, which every other matches.
    promise.sound = inputs.front().audio >= 0;
    promise.turn = inputs.front().Video().turn;
    promise.displayAspect = inputs.front().Video().DisplayAspect();
    // A piece of several inputs holds a chapter of each, which it places itself.
    promise.chapters = WritesChapters(request, encoding) && request.chapterTitles.size() == inputs.size();
    promise.decode = DecodeFor(request);
    // Copied pictures decode as they did in their files: what a joint can break is the
    // next input's first pictures, which start at its key frame. Where an input breaks off
    // the copy's check has decoded its last packets already, and no joint touches the
    // output's end.
    promise.decodeBefore = 0;
    promise.decodeAfter = 0.5;
    promise.decodeEnd = false;
    for (std::size_t index = 0; index < inputs.size(); ++index) {
        const StreamFacts& input = inputs[index];
        // Packets read to the end give the pictures' span; else the file's stated length.
        const double seconds = input.packetsWhole ? input.picture.end - input.picture.start : input.duration;
        if (seconds <= 0)
            return promise.stretches.clear(), promise;
        promise.stretches.push_back({InputName(input.file.path, index + 1, input.media.tags), seconds, 0});
    }
    return promise;
}
