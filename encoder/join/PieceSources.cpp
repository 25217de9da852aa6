#include "PieceSources.h"

#include "JobError.h"
#include "SourceFacts.h"

PieceSources PlanPieceSources(const Request& request, Container output, const std::vector<StreamFacts>& pieces,
                              const std::vector<double>& lengths)
{
    std::vector<SourceFile> files;
    for (const StreamFacts& piece : pieces) {
        const std::vector<SourceFile> sources = RecordedSources(piece.media.tags);
        files.insert(files.end(), sources.begin(), sources.end());
        if (sources.empty())
            return {};
    }
    if (files.size() != lengths.size())
        return {};
    PieceSources planned;
    std::vector<InputInfo> inputs;
    try {
        for (const SourceFile& file : files) {
            inputs.push_back(ProbeInput(file.path, [] {}));
            TakeSourceFacts(inputs.back(), inputs.size());
        }
    } catch (const JobError&) {
        return {};
    }
    planned.kept = PlanKeptStreams(request, output, inputs, lengths);
    // Each file's cues counted from where the piece made of it starts.
    for (std::size_t index = 0; index < planned.kept.subtitleEntries.size(); ++index)
        planned.kept.subtitleEntries[index].inpoint = files[index].inpoint;
    for (const SourceFile& file : files)
        planned.paths.push_back(file.path);
    return planned;
}
