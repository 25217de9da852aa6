#pragma once

#include "KeptStreams.h"
#include "PieceRecord.h"

#include <string>
#include <vector>

// What a join of pieces keeps of the files the pieces were made from beside their picture
// and sound, as the join that encodes them in one run does: their subtitles, read from
// those files through a concat list, and their attachments.
struct PieceSources {
    std::vector<std::string> paths; // the files, in order; empty when a piece's record keeps none
    KeptStreams kept;
};

// lengths: each file's stretch of the join, in seconds. The files that are gone or
// unreadable give nothing.
PieceSources PlanPieceSources(const Request& request, Container output, const std::vector<StreamFacts>& pieces,
                              const std::vector<double>& lengths);
