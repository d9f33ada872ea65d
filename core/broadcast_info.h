#pragma once
// The Broadcast Wave record ("bext" chunk) that archives and field recorders
// put in their WAV files: who made the recording, when, and where its first
// sample lies in the day (the time reference, in samples since midnight). The
// header walk reads it; the WAV writer puts it into the tracks cut from such a
// file, each with the time reference of its own first sample.
//
// Only what stays true of a track is kept. The loudness figures describe the
// whole source and the UMID names the source itself, so neither is carried
// over; the coding history is, since the tracks' samples are the source's.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sundra {

struct BroadcastInfo {
    std::string description;         // at most 256 characters
    std::string originator;          // at most 32
    std::string originatorReference; // at most 32
    std::string originationDate;     // "yyyy-mm-dd"
    std::string originationTime;     // "hh:mm:ss"
    std::uint64_t timeReference = 0; // samples since midnight
    std::string codingHistory;

    friend bool operator==(const BroadcastInfo&, const BroadcastInfo&) = default;
};

// The most of a bext chunk that is read: its fixed fields and a long coding
// history. Nothing a header says makes the walk read more.
inline constexpr std::uint32_t kMaxBroadcastChunkRead = 64 * 1024;

// The record in the body of a bext chunk; nothing when the body is too short to
// hold the fields up to the time reference.
std::optional<BroadcastInfo> parseBroadcastChunk(const std::vector<std::uint8_t>& body);

// The body of a bext chunk (version 1) that holds info, of even size.
std::vector<std::uint8_t> broadcastChunkBody(const BroadcastInfo& info);

// info for material that begins `frames` samples after the start of info's.
BroadcastInfo advancedBy(BroadcastInfo info, std::int64_t frames);

} // namespace sundra
