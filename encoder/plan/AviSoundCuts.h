#pragma once

#include "StreamJoin.h"

#include <optional>
#include <vector>

// AVI keeps no times for its sound: each input's sound is heard right after the one
// before, so an input whose sound is shorter or longer than its picture would move all
// later sound. Gives, for each input, where a concat list cuts its sound off (the file's
// time, 0 for no cut) so that at every joint the sound is within kJointSeconds of where
// the first input puts it, the error never adding up; none when some input's sound falls
// short by more than that, which no cut can mend.
std::optional<std::vector<double>> AviSoundCuts(const std::vector<StreamFacts>& inputs);

constexpr double kJointSeconds = 0.020;
