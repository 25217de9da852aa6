#pragma once

#include <optional>
#include <string>
#include <vector>

// Even loudness: each input's integrated loudness (EBU R128) is measured in the run that
// converts it, kept in a small file beside the converted file, and the join brings every
// input's sound to the same loudness with its true peaks held below a ceiling.

constexpr double kTargetLoudness = -16; // LUFS
constexpr double kPeakCeiling = -1;     // dBTP

// The filters that end a branch of the sound: they measure its loudness as it goes and
// write what they find to path.
std::string MeasureChain(const std::string& path);

// The integrated loudness in what MeasureChain wrote; nullopt when nothing in it was
// loud enough to count (silence).
std::optional<double> MeasuredLoudness(const std::string& text);

// Keeps the loudness beside the converted file, marked as the job's.
void KeepLoudness(const std::string& converted, double loudness, const std::string& mark);

// The gain in dB that brings each file's sound to the target: 0 for a file that has no
// loudness of this job beside it (no sound); empty when none has one.
std::vector<double> LoudnessGains(const std::vector<std::string>& paths, const std::string& mark);

// The filter that changes a sound's level by gain dB.
std::string GainFilter(double gain);

// After the gains: the peaks held below the ceiling, found at four times the rate, where
// the peaks between the samples show.
std::string PeakLimiter(int sampleRate);
