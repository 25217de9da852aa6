#pragma once

#include "LibavInput.h"

#include <deque>
#include <optional>

// A stream's last packets, kept while a file is read through, to find where its end
// breaks off (a download cut short stops in the middle of a packet): a picture's from its
// last key frame but one, as its last group needs the one before for its references (from
// its last key frame when that is an IDR picture, which needs none); a sound's last few,
// the first of them only to start the decoder.
class BrokenEnd {
public:
    BrokenEnd(bool picture, const AVCodecParameters& codec);
    void Keep(const AVPacket& packet);
    // The decoding time in seconds of the first packet checked that is cut off or does not
    // decode; none when all of them do.
    std::optional<double> From(const AVStream& stream) const;

private:
    bool picture_;
    const AVCodecParameters& codec_;
    std::deque<PacketPtr> packets_;
    std::size_t checkedFrom_ = 0;
};
