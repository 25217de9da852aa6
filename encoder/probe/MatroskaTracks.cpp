#include "MatroskaTracks.h"

#include <cstdint>
#include <fstream>
#include <vector>

namespace {

constexpr std::uint32_t kEbmlHeader = 0x1A45DFA3;
constexpr std::uint32_t kSegment = 0x18538067;
constexpr std::uint32_t kTracks = 0x1654AE6B;
constexpr std::uint32_t kTrackEntry = 0xAE;
constexpr std::uint32_t kTrackType = 0x83;
constexpr std::uint32_t kCodecPrivate = 0x63A2;
constexpr std::uint64_t kUnknownSize = ~std::uint64_t(0);
// ffmpeg writes the track list within the first few kilobytes; a file whose list lies
// further on is read by ffprobe instead.
constexpr std::size_t kHeadBytes = 1 << 20;

// One EBML element's head: its ID and the size of its content.
struct Element {
    std::uint32_t id = 0;
    std::uint64_t size = 0;
    std::size_t content = 0; // where its content starts
};

// An EBML variable-length number at `at`: its length from the first byte's leading zeros.
bool ReadVint(const std::vector<unsigned char>& data, std::size_t& at, std::uint64_t& value, bool keepMarker)
{
    if (at >= data.size() || data[at] == 0)
        return false;
    int length = 1;
    while (!(data[at] & (0x80 >> (length - 1))))
        ++length;
    if (at + length > data.size())
        return false;
    value = keepMarker ? data[at] : data[at] & (0xFF >> length);
    bool allOnes = value == (0xFFu >> length);
    for (int i = 1; i < length; ++i) {
        value = value << 8 | data[at + i];
        allOnes = allOnes && data[at + i] == 0xFF;
    }
    if (!keepMarker && allOnes)
        value = kUnknownSize;
    at += length;
    return true;
}

bool ReadElement(const std::vector<unsigned char>& data, std::size_t at, Element& element)
{
    std::uint64_t id = 0;
    if (!ReadVint(data, at, id, true) || !ReadVint(data, at, element.size, false))
        return false;
    element.id = static_cast<std::uint32_t>(id);
    element.content = at;
    return true;
}

// The first child of [from, to) with this ID; the children of an element of unknown size
// run to `to`.
std::optional<Element> Find(const std::vector<unsigned char>& data, std::size_t from, std::size_t to, std::uint32_t id)
{
    Element element;
    for (std::size_t at = from; at < to && ReadElement(data, at, element);) {
        if (element.id == id)
            return element;
        if (element.size == kUnknownSize || element.size > to - element.content)
            return std::nullopt;
        at = element.content + element.size;
    }
    return std::nullopt;
}

std::size_t EndOf(const Element& element, std::size_t limit)
{
    return element.size == kUnknownSize || element.size > limit - element.content
        ? limit : element.content + static_cast<std::size_t>(element.size);
}

} // namespace

std::optional<std::string> MatroskaVideoCodecPrivate(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::vector<unsigned char> data(kHeadBytes);
    file.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()));
    data.resize(static_cast<std::size_t>(file.gcount()));
    Element header;
    if (!ReadElement(data, 0, header) || header.id != kEbmlHeader)
        return std::nullopt;
    const std::size_t afterHeader = EndOf(header, data.size());
    const auto segment = Find(data, afterHeader, data.size(), kSegment);
    if (!segment)
        return std::nullopt;
    const auto tracks = Find(data, segment->content, EndOf(*segment, data.size()), kTracks);
    if (!tracks)
        return std::nullopt;
    const std::size_t tracksEnd = EndOf(*tracks, data.size());
    Element entry;
    for (std::size_t at = tracks->content; at < tracksEnd && ReadElement(data, at, entry);) {
        const std::size_t entryEnd = EndOf(entry, tracksEnd);
        if (entryEnd != entry.content + entry.size)
            return std::nullopt;
        if (entry.id == kTrackEntry) {
            const auto type = Find(data, entry.content, entryEnd, kTrackType);
            if (type && type->size == 1 && data[type->content] == 1) {
                const auto codecPrivate = Find(data, entry.content, entryEnd, kCodecPrivate);
                if (!codecPrivate)
                    return std::string();
                return std::string(data.begin() + static_cast<long>(codecPrivate->content),
                                   data.begin() + static_cast<long>(EndOf(*codecPrivate, entryEnd)));
            }
        }
        at = entryEnd;
    }
    return std::nullopt;
}
