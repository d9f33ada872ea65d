#include "core/broadcast_info.h"

#include <algorithm>

namespace sundra {

namespace {

// Where the fields lie in a bext chunk's body.
struct Field {
    std::size_t at;
    std::size_t size;
};
constexpr Field kDescription{0, 256};
constexpr Field kOriginator{256, 32};
constexpr Field kOriginatorReference{288, 32};
constexpr Field kDate{320, 10};
constexpr Field kTime{330, 8};
constexpr std::size_t kTimeReferenceAt = 338;
constexpr std::size_t kVersionAt = 346;
constexpr std::size_t kCodingHistoryAt = 602;

// A text field ends at its first NUL or at its size.
std::string text(const std::vector<std::uint8_t>& body, Field field) {
    const auto from = body.begin() + static_cast<long>(field.at);
    const auto to = from + static_cast<long>(std::min(field.size, body.size() - field.at));
    return std::string(from, std::find(from, to, 0));
}

void putText(std::vector<std::uint8_t>& body, Field field, const std::string& value) {
    std::copy_n(value.begin(), std::min(value.size(), field.size),
                body.begin() + static_cast<long>(field.at));
}

} // namespace

std::optional<BroadcastInfo> parseBroadcastChunk(const std::vector<std::uint8_t>& body) {
    if (body.size() < kVersionAt)
        return std::nullopt;
    BroadcastInfo info;
    info.description = text(body, kDescription);
    info.originator = text(body, kOriginator);
    info.originatorReference = text(body, kOriginatorReference);
    info.originationDate = text(body, kDate);
    info.originationTime = text(body, kTime);
    for (std::size_t i = 0; i < 8; ++i)
        info.timeReference |= static_cast<std::uint64_t>(body[kTimeReferenceAt + i]) << (8 * i);
    if (body.size() > kCodingHistoryAt)
        info.codingHistory = text(body, {kCodingHistoryAt, body.size() - kCodingHistoryAt});
    return info;
}

std::vector<std::uint8_t> broadcastChunkBody(const BroadcastInfo& info) {
    std::size_t size = kCodingHistoryAt + info.codingHistory.size();
    size += size % 2;
    std::vector<std::uint8_t> body(size, 0);
    putText(body, kDescription, info.description);
    putText(body, kOriginator, info.originator);
    putText(body, kOriginatorReference, info.originatorReference);
    putText(body, kDate, info.originationDate);
    putText(body, kTime, info.originationTime);
    for (std::size_t i = 0; i < 8; ++i)
        body[kTimeReferenceAt + i] = static_cast<std::uint8_t>(info.timeReference >> (8 * i));
    // Version 1: a UMID may follow (ours is left empty); the loudness fields
    // of version 2 stay reserved.
    body[kVersionAt] = 1;
    putText(body, {kCodingHistoryAt, info.codingHistory.size()}, info.codingHistory);
    return body;
}

BroadcastInfo advancedBy(BroadcastInfo info, std::int64_t frames) {
    info.timeReference += static_cast<std::uint64_t>(std::max<std::int64_t>(frames, 0));
    return info;
}

} // namespace sundra
