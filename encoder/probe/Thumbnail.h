#pragma once

#include <string>
#include <vector>

// "--thumbnail INPUT OUTPUT MAXWIDTH MAXHEIGHT": writes a small JPEG of the
// input's picture at about a tenth of its length, as a player shows it (display
// aspect and rotation), within MAXWIDTH x MAXHEIGHT pixels. The arguments are
// those after "--thumbnail". Gives the program's exit code; on failure one line
// on standard error says why, and no output is left behind.
int RunThumbnail(const std::vector<std::string>& args);
