#pragma once

#include <string>

// True when the file starts as MP4 and QuickTime files do, with one of their boxes.
bool LooksLikeQuickTime(const std::string& path);

// Whether an MP4 or QuickTime file was cut short (a download that stopped): its top-level
// boxes state their sizes, and one that runs past the file's end lacks what its index
// lists. A file that is not laid out in boxes is not cut short by this rule.
bool QuickTimeCutShort(const std::string& path);
