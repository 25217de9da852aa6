#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

// What decoding stretches of a file's picture found.
struct DecodeFindings {
    int errors = 0;
    double firstErrorAt = 0;     // seconds of the file's time
    std::string firstError;      // the decoder's words
    long pictures = 0;           // decoded
};

// Decodes the picture of stream `stream` in each window [from, to) of the file's time
// (each from the key frame before it), or the whole picture when windows is empty, and
// counts what the decoder could not decode.
DecodeFindings DecodePictures(const std::string& path, int stream, const std::vector<std::pair<double, double>>& windows,
                              const std::function<void()>& onTick);
