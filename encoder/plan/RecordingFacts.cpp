#include "RecordingFacts.h"

#include "PieceJoin.h"

std::vector<std::string> RecordingFactsArguments(std::size_t input, Container output, bool cover)
{
    // Named, the mapping keeps the creation time, which ffmpeg's own copy drops.
    // A piece's marks stay with the piece: a piece's own run sets them again after these.
    std::vector<std::string> args = {"-map_metadata", std::to_string(input), "-metadata",
                                     std::string(kPieceTag) + "=", "-metadata", std::string(kPieceLengthsTag) + "="};
    if ((output == Container::Mp4 && !cover) || output == Container::Mov)
        args.insert(args.end(), {"-movflags", "use_metadata_tags"});
    return args;
}
