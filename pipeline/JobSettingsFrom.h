#pragma once

#include "pipeline/JobRunner.h"
#include "profiles/OutputChoices.h"

class Prompter;
struct GeneralPreferences;
struct ProgramValues;

// What the general preferences do with an output file that exists.
OverwritePolicy OverwritePolicyOf(const GeneralPreferences& preferences);

// How many conversions pay side by side on a machine of this many cores: each encoder
// takes several cores of its own, so about half as many runs as cores, at least two where
// there are two cores (two take 0.7 of the time of one after the other), at most eight.
int ConversionRunsAtOnce(int cores);

// The first profile in the folder, by name, that writes the output's type (".mp4") and
// encodes the video; empty when there is none.
QString EncodingProfileOfType(const QString& profilesFolder, const QString& outputExt);

// A job's settings, the same for the window and the console: the program folder's encoder
// and temp folder, the general preferences, and the profile (its name, its "." + type, the
// output settings chosen for it).
JobSettings JobSettingsFrom(const ProgramValues& program, const GeneralPreferences& preferences,
                            const QString& profileName, const QString& outputExt, const OutputChoices& choices,
                            const QString& outputFile);

// Whether the job's profile can be used; when it cannot, the user is told why.
bool ProfileAccepted(const JobSettings& settings, Prompter& prompter);
