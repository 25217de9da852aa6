#pragma once

#include <QString>

// The tracks of a file besides its picture, counted when it is added, so that the job can
// say what an output type leaves out without opening every file again.
struct TrackCounts {
    int sound = 0;
    int subtitles = 0;
    int attachments = 0;
    bool cover = false;

    bool operator==(const TrackCounts&) const = default;
};

// As a task entry's cell holds them: "sound subtitles attachments cover", e.g. "2 1 1 0".
QString TrackCountsText(const TrackCounts& counts);
// Nothing counted where the text is not such a cell (an entry added before they were counted).
TrackCounts TrackCountsOf(const QString& text);
