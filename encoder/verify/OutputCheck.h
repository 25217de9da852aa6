#pragma once

#include "TempOutput.h"

#include <functional>
#include <string>

// Reads the finished output back with ffprobe before it gets its real name: it must
// hold a video stream, an audio stream unless `sound` is false (a join of inputs that
// have none), and have a length. Throws JobError otherwise. Gives the output's length in seconds.
double CheckOutput(const TempOutput& temp, const std::string& finalPath, const std::function<void()>& onTick,
                   bool sound = true);
