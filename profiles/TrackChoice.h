#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Which of the inputs' tracks the output keeps: every one they hold, or only the first
// picture and the first sound.
enum class TrackChoice { All, First };

// The profile's "Tracks" key of its "Main" section: "first", or anything else (also no key
// at all, as in profiles older than the choice) for every track.
TrackChoice ReadTrackChoice(const QString& profilePath);

// Stores the choice in the profile; a profile that already says it, or that says nothing
// and keeps every track, is left as it is. The reason when the file cannot be written.
std::optional<QString> StoreTrackChoice(const QString& profilePath, TrackChoice choice);

// The encoder's option for the choice ("-tracks first"), on every command line of the job;
// none for every track.
inline const QString TracksOption = "-tracks";
QStringList TrackOptions(TrackChoice choice);
