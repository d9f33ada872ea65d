#include "tests/support/wav_sources.h"

#include <algorithm>

namespace sundra::test {

namespace {

constexpr SampleEncoding kInt = SampleEncoding::Integer;

void putText(Bytes& out, const std::string& text, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i)
        out.push_back(i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0);
}

Bytes bytesOf(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

// A LIST chunk of INFO tags, as ffmpeg and sox write it (odd strings padded).
Bytes listChunk() {
    Bytes body = bytesOf("INFO");
    const Bytes software = riffChunk("ISFT", bytesOf(std::string("Lavf59.27.100") + '\0'));
    body.insert(body.end(), software.begin(), software.end());
    return riffChunk("LIST", body);
}

SourceFile source(std::string name, const WaveFormat& format, std::int32_t frames,
                  const std::vector<Bytes>& before, const std::vector<Bytes>& after,
                  std::optional<std::uint32_t> dataSize = std::nullopt) {
    SourceFile file{std::move(name), {}, format, rampSamples(format, frames), std::nullopt};
    std::vector<Bytes> chunks = before;
    chunks.push_back(riffChunk("data", file.samples, true, dataSize));
    chunks.insert(chunks.end(), after.begin(), after.end());
    file.image = riffFile(chunks);
    return file;
}

// A Broadcast Wave record as an archive's transfer tool fills it; the time
// reference needs more than 32 bits.
const BroadcastInfo kArchiveRecord{
    "Side A, first transfer",
    "Archive transfer desk",
    "ARC-1987-0042",
    "2024-03-05",
    "09:30:00",
    0x1'0000'2000ull,
    "A=ANALOGUE,M=stereo,T=Revox B77\r\nA=PCM,F=48000,W=24,M=stereo\r\n"};

} // namespace

Bytes riffChunk(const char (&id)[5], const Bytes& body, bool pad,
                std::optional<std::uint32_t> sizeField) {
    Bytes out;
    putTag(out, id);
    put32(out, sizeField.value_or(static_cast<std::uint32_t>(body.size())));
    out.insert(out.end(), body.begin(), body.end());
    if (pad && body.size() % 2 == 1)
        out.push_back(0);
    return out;
}

Bytes riffFile(const std::vector<Bytes>& chunks) {
    Bytes out;
    putTag(out, "RIFF");
    put32(out, 0);
    putTag(out, "WAVE");
    for (const Bytes& chunk : chunks)
        out.insert(out.end(), chunk.begin(), chunk.end());
    const auto riffSize = static_cast<std::uint32_t>(out.size() - 8);
    for (int i = 0; i < 4; ++i)
        out[4 + i] = static_cast<std::uint8_t>(riffSize >> (8 * i));
    return out;
}

Bytes formatChunk(const WaveFormat& format, bool extensible) {
    const auto align = static_cast<std::uint16_t>(frameSize(format));
    Bytes body;
    put16(body, extensible ? 0xFFFE : isFloat(format) ? 3 : 1);
    put16(body, static_cast<std::uint16_t>(format.channels));
    put32(body, static_cast<std::uint32_t>(format.samplesPerSecond));
    put32(body, static_cast<std::uint32_t>(format.samplesPerSecond) * align);
    put16(body, align);
    put16(body,
          static_cast<std::uint16_t>(extensible ? format.bitsPerSample : significantBits(format)));
    if (extensible) {
        put16(body, 22);
        put16(body, static_cast<std::uint16_t>(significantBits(format)));
        put32(body, 0x3);
        put16(body, isFloat(format) ? 3 : 1);
        const Bytes tail = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                            0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
        body.insert(body.end(), tail.begin(), tail.end());
    }
    return riffChunk("fmt ", body);
}

Bytes bextBody(const BroadcastInfo& info) {
    Bytes body;
    putText(body, info.description, 256);
    putText(body, info.originator, 32);
    putText(body, info.originatorReference, 32);
    putText(body, info.originationDate, 10);
    putText(body, info.originationTime, 8);
    put32(body, static_cast<std::uint32_t>(info.timeReference));
    put32(body, static_cast<std::uint32_t>(info.timeReference >> 32));
    put16(body, 2); // version 2: a UMID and loudness figures of the whole source
    for (int i = 0; i < 64 + 10; ++i)
        body.push_back(static_cast<std::uint8_t>(0xA0 + i % 16));
    body.resize(602, 0);
    putText(body, info.codingHistory, info.codingHistory.size());
    return body;
}

Bytes rampSamples(const WaveFormat& format, std::int32_t frames) {
    const int bytes = format.bitsPerSample / 8;
    const int unused = format.bitsPerSample - significantBits(format);
    Bytes out;
    std::uint32_t value = 0x1234567;
    for (std::int64_t i = 0; i < std::int64_t{frames} * format.channels; ++i) {
        value = value * 1664525u + 1013904223u;
        const std::uint32_t sample = value >> unused << unused;
        for (int b = 0; b < bytes; ++b)
            out.push_back(static_cast<std::uint8_t>(sample >> (8 * b)));
    }
    return out;
}

std::vector<SourceFile> filesAsOthersWriteThem(std::int32_t frames) {
    const WaveFormat cd{2, 44100, 16};
    const WaveFormat hiRes{2, 48000, 24};
    BroadcastInfo oddInfo = kArchiveRecord;
    oddInfo.codingHistory += "X"; // an odd body, as often
    const Bytes bext = bextBody(oddInfo);
    const Bytes odd = bytesOf("<BWFXML>odd</BWFXML>1");
    const Bytes id3 = bytesOf(std::string("ID3\x03\0\0\0\0\0\x0A", 10) + "0123456789");

    std::vector<SourceFile> files = {
        source("bext first, odd size", hiRes, frames, {riffChunk("bext", bext), formatChunk(hiRes)},
               {}),
        source("bext first, no pad byte", hiRes, frames,
               {riffChunk("bext", bext, false), formatChunk(hiRes)}, {listChunk()}),
        source("LIST first", cd, frames, {listChunk(), formatChunk(cd)}, {}),
        source("LIST and id3 after the data", cd, frames, {formatChunk(cd)},
               {listChunk(), riffChunk("id3 ", id3)}),
        source("JUNK before and between", cd, frames,
               {riffChunk("JUNK", Bytes(28, 0)), formatChunk(cd), riffChunk("JUNK", Bytes(14, 0))},
               {}),
        source(
            "odd chunks without pad byte", cd, frames,
            {formatChunk(cd), riffChunk("iXML", odd, false), riffChunk("fact", Bytes(5, 1), false)},
            {riffChunk("cue ", odd, false)}),
        source("8-bit mono, odd data, pad byte, LIST", {1, 8000, 8}, frames | 1,
               {formatChunk({1, 8000, 8})}, {listChunk()}),
        source("unfinished recording, data size 0", cd, frames, {formatChunk(cd)}, {}, 0),
        source("unfinished recording, data size short", cd, frames, {formatChunk(cd)}, {},
               static_cast<std::uint32_t>(frames / 3 * 4)),
        source("12 bits in 16", {2, 44100, 16, kInt, 12}, frames,
               {formatChunk({2, 44100, 16, kInt, 12})}, {listChunk()}),
        source("20 bits in 24", {2, 96000, 24, kInt, 20}, frames,
               {formatChunk({2, 96000, 24, kInt, 20})}, {listChunk()}),
        source("24 bits in 32, extensible", {2, 48000, 32, kInt, 24}, frames,
               {formatChunk({2, 48000, 32, kInt, 24}, true)}, {listChunk()}),
    };
    files[0].broadcast = files[1].broadcast = oddInfo;
    return files;
}

} // namespace sundra::test
