#pragma once

#include <optional>
#include <string>
#include <vector>

// Even loudness: each input's integrated loudness (EBU R128) is measured in the run that
// converts it, kept in a small file beside the converted file, and the join brings every
// input's sound to the same loudness with its true peaks held below a ceiling.

constexpr double kTargetLoudness = -16; // LUFS
constexpr double kPeakCeiling = -1;     // dBTP
// A sound is raised by this much at most: more would bring up its noise with it.
constexpr double kMostGain = 20;        // dB
// A sound quieter than this is mostly noise, or meant to be quiet: it keeps its level.
constexpr double kQuietest = -50;       // LUFS

// The filters that end a branch of the sound: they measure its loudness as it goes and
// write what they find to path.
std::string MeasureChain(const std::string& path);

// The integrated loudness in what MeasureChain wrote; nullopt when nothing in it was
// loud enough to count (silence).
std::optional<double> MeasuredLoudness(const std::string& text);

// Keeps the loudness beside the converted file, marked as the job's.
void KeepLoudness(const std::string& converted, double loudness, const std::string& mark);

// The gain in dB that brings each file's sound towards the target: 0 for a file that has no
// loudness of this job beside it (no sound) and for a very quiet one; empty when none has
// one. A line on stderr names (names: as messages call the files) each file that is
// raised less than its level asks, or kept.
std::vector<double> LoudnessGains(const std::vector<std::string>& paths, const std::vector<std::string>& names,
                                  const std::string& mark);

// The filter that changes a sound's level by gain dB.
std::string GainFilter(double gain);

// After the gains: the peaks held below the ceiling, found at four times the rate, where
// the peaks between the samples show.
std::string PeakLimiter(int sampleRate);
