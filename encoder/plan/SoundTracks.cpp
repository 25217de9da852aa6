#include "SoundTracks.h"

#include <algorithm>

namespace {

// The input's stream for the output's track `place` like `wanted`: the one in that place
// unless its language differs, then one of the wanted language; -1 when it has none.
int MatchingStream(const InputInfo& input, const SoundTrack& wanted, std::size_t place)
{
    const auto sameLanguage = [&](const SoundTrack& track) {
        return track.language.empty() || wanted.language.empty() || track.language == wanted.language;
    };
    if (place < input.soundTracks.size() && sameLanguage(input.soundTracks[place]))
        return input.soundTracks[place].stream;
    const auto byLanguage = std::find_if(input.soundTracks.begin() + 1, input.soundTracks.end(),
                                         [&](const SoundTrack& track) { return track.language == wanted.language; });
    if (!wanted.language.empty() && input.soundTracks.size() > 1 && byLanguage != input.soundTracks.end())
        return byLanguage->stream;
    return place < input.soundTracks.size() ? input.soundTracks[place].stream : -1;
}

std::string Names(const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text;
}

} // namespace

bool HoldsSeveralSoundTracks(Container container)
{
    return container == Container::Matroska || container == Container::WebM || container == Container::Mp4
        || container == Container::Mov;
}

OutputSoundTracks PlanSoundTracks(const Request& request, Container container, const std::vector<InputInfo>& inputs)
{
    OutputSoundTracks plan;
    const InputInfo& first = inputs.front();
    const bool several = request.allTracks && HoldsSeveralSoundTracks(container);
    const std::size_t count = several ? first.soundTracks.size() : std::min<std::size_t>(first.soundTracks.size(), 1);
    plan.tracks.assign(first.soundTracks.begin(), first.soundTracks.begin() + static_cast<long>(count));
    plan.streams.resize(count);
    for (std::size_t track = 1; track < count; ++track)
        for (const InputInfo& input : inputs)
            plan.streams[track].push_back(MatchingStream(input, plan.tracks[track], track));
    const std::string why = !request.allTracks ? "the first sound track only is asked for"
                                               : ContainerName(container) + " output keeps one sound track here";
    for (std::size_t input = 0; input < inputs.size(); ++input) {
        // The tracks that no output track took, named as the probe names them (its
        // unused tracks are its tracks after the first, in the same order).
        std::vector<std::string> names;
        for (std::size_t place = 1; place < inputs[input].soundTracks.size(); ++place) {
            const int stream = inputs[input].soundTracks[place].stream;
            const bool taken = std::any_of(plan.streams.begin(), plan.streams.end(), [&](const std::vector<int>& row) {
                return !row.empty() && row[input] == stream;
            });
            if (!taken && place - 1 < inputs[input].unusedSoundTracks.size())
                names.push_back(inputs[input].unusedSoundTracks[place - 1]);
        }
        const std::string name = inputs[input].name.empty() ? inputs[input].path : inputs[input].name;
        plan.leftOut.push_back(names.empty() ? std::string()
                                             : "Sound tracks left out of " + name + ": " + Names(names) + " ("
                                                   + why + ")");
    }
    return plan;
}

std::vector<std::string> SoundTrackArguments(const std::vector<SoundTrack>& tracks)
{
    std::vector<std::string> args;
    for (std::size_t track = 0; track < tracks.size(); ++track) {
        const std::string place = std::to_string(track);
        // The language and title are copied from the first input's stream, as data.
        args.insert(args.end(), {"-map_metadata:s:a:" + place, "0:s:" + std::to_string(tracks[track].stream)});
        // Only one track plays first: the input's default, else the first.
        const bool isDefault = tracks.size() == 1 || tracks[track].isDefault
            || (track == 0 && std::none_of(tracks.begin(), tracks.end(), [](const SoundTrack& t) { return t.isDefault; }));
        args.insert(args.end(), {"-disposition:a:" + place, isDefault ? "default" : "0"});
    }
    return args;
}
