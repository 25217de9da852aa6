#include "SourceFacts.h"

#include "PieceRecord.h"
#include "PrivateFolder.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

constexpr const char* kName = "source.name";
constexpr const char* kTransfer = "source.color_transfer";
constexpr const char* kMasterDisplay = "source.master_display";
constexpr const char* kContentLight = "source.content_light";
constexpr const char* kMasteringPeak = "source.mastering_peak";
// Each input's file and where its stretch starts in it, numbered from 0.
constexpr const char* kPath = "source.path.";
constexpr const char* kInpoint = "source.inpoint.";

bool BreaksLine(const std::string& text)
{
    return std::any_of(text.begin(), text.end(), [](unsigned char c) { return c < 32; });
}

std::string FileName(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A file that the job named, by number, in its folder or in one that a run of it made.
bool IsJobsOwn(const std::string& path)
{
    const std::string name = FileName(path);
    const std::size_t digits = name.find_first_not_of("0123456789");
    if (digits == 0 || digits == std::string::npos || name[digits] != '.')
        return false;
    const std::size_t slash = path.find_last_of('/');
    const std::string folder = FileName(path.substr(0, slash == std::string::npos ? 0 : slash));
    return LiesInJobFolder(path) || folder.starts_with("velmo-job-") || folder.starts_with("velmo-join-");
}

std::string Value(const std::map<std::string, std::string>& values, const std::string& key)
{
    const auto found = values.find(key);
    return found == values.end() ? std::string() : found->second;
}

} // namespace

std::map<std::string, std::string> SourceFacts(const std::vector<InputInfo>& inputs)
{
    std::string names;
    for (const InputInfo& input : inputs)
        names += (names.empty() ? "" : ", ") + input.name;
    std::map<std::string, std::string> facts;
    // A record keeps one line a fact: a name that would break it is left to the place.
    if (!inputs.empty() && !BreaksLine(names))
        facts[kName] = names;
    for (std::size_t index = 0; index < inputs.size(); ++index) {
        const InputInfo& input = inputs[index];
        if (BreaksLine(input.path))
            continue;
        facts[kPath + std::to_string(index)] = std::filesystem::absolute(input.path).string();
        if (input.start > 0) {
            char inpoint[32];
            std::snprintf(inpoint, sizeof inpoint, "%.6f", input.fileStart + input.start);
            facts[kInpoint + std::to_string(index)] = inpoint;
        }
    }
    if (inputs.size() == 1 && !inputs.front().masterDisplay.empty()) {
        const InputInfo& input = inputs.front();
        char peak[32];
        std::snprintf(peak, sizeof peak, "%.4f", input.masteringPeak);
        facts.insert({{kTransfer, input.colourTransfer},
                      {kMasterDisplay, input.masterDisplay},
                      {kContentLight, input.contentLight},
                      {kMasteringPeak, peak}});
    }
    return facts;
}

std::string InputName(const std::string& path, std::size_t place, const std::map<std::string, std::string>& recorded)
{
    if (!IsJobsOwn(path))
        return FileName(path);
    const std::string name = Value(recorded, kName);
    return name.empty() ? "input " + std::to_string(place) : name;
}

std::vector<SourceFile> RecordedSources(const std::map<std::string, std::string>& recorded)
{
    std::vector<SourceFile> sources;
    for (std::string path; !(path = Value(recorded, kPath + std::to_string(sources.size()))).empty();) {
        const std::string inpoint = Value(recorded, kInpoint + std::to_string(sources.size()));
        sources.push_back({path, inpoint.empty() ? std::nullopt : std::optional<double>(std::atof(inpoint.c_str()))});
    }
    return sources;
}

MediaFacts SourceRecord(const std::vector<InputInfo>& inputs)
{
    MediaFacts record;
    record.tags = SourceFacts(inputs);
    return record;
}

void TakeSourceFacts(InputInfo& input, std::size_t place)
{
    const auto facts = RecordedFacts(input.path);
    const std::map<std::string, std::string> recorded = facts ? facts->tags : std::map<std::string, std::string>();
    input.name = InputName(input.path, place, recorded);
    if (input.masterDisplay.empty() && !input.colourTransfer.empty()
        && Value(recorded, kTransfer) == input.colourTransfer) {
        input.masterDisplay = Value(recorded, kMasterDisplay);
        input.contentLight = Value(recorded, kContentLight);
        input.masteringPeak = std::atof(Value(recorded, kMasteringPeak).c_str());
    }
}
