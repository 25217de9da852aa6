#pragma once

#include "Encoding.h"
#include "Request.h"

#include <string>
#include <vector>

// A chapter at each input's first frame in the output, titled as the joiner names the
// input (-chaptertitle). The titles are the inputs' file names: they reach ffmpeg only as
// data, in an ffmetadata file, never as arguments.

// Whether the output gets chapters: titles were given and its container keeps them (MP4,
// QuickTime, Matroska). Other containers, and the pieces of a join, get none.
bool WritesChapters(const Request& request, const Encoding& encoding);

// The ffmetadata text of one chapter for each title, each as long as its input lasts in
// the output (seconds), one after the other from the start.
std::string ChapterMetadata(const std::vector<std::string>& titles, const std::vector<double>& lengths);

// The arguments that read the chapters from the file at path, as ffmpeg's next input.
std::vector<std::string> ChapterInput(const std::string& path);

// The arguments that give the output the chapters of ffmpeg's input number `input`.
std::vector<std::string> ChapterMap(std::size_t input);
