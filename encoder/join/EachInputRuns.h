#pragma once

#include "PrivateFolder.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// One ffmpeg run for each of count inputs, a few side by side (each takes a core for a
// short while), each writing a new file of the private folder with the given extension.
// command(index, output) gives the run's arguments; failure(index) begins the JobError
// thrown when that run fails, ffmpeg's last words following. Gives the files written in
// the inputs' order, or nothing when a stop signal ended the runs.
std::vector<std::string> RunForEachInput(
    std::size_t count, PrivateFolder& folder, const std::string& extension,
    const std::function<std::vector<std::string>(std::size_t index, const std::string& output)>& command,
    const std::function<std::string(std::size_t index)>& failure, const std::function<void()>& onTick);
