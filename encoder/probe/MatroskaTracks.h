#pragma once

#include <optional>
#include <string>

// The codec's private data (its headers: an H.264 stream's parameter sets, an MPEG-4
// stream's VOL) of the first video track of a Matroska file, read from the file's track
// list without another program; nullopt when the file is not laid out so or has no video
// track. A track without private data gives an empty text.
std::optional<std::string> MatroskaVideoCodecPrivate(const std::string& path);
