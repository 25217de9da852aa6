#pragma once

#include "Request.h"

#include <string>
#include <vector>

// Reads MEncoder-style arguments (without the program name) in any order; "--" ends the
// options, and every word after it is an input file.
// Throws UsageError naming the first unknown option or bad value.
Request ParseArguments(const std::vector<std::string>& args);

// Reads an aspect written W:H, W/H or as a plain number; nullopt if it is none of these.
std::optional<double> ParseAspect(const std::string& text);
