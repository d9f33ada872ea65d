#include "tests/support/test_files.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace sundra::test {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "sundra-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a temporary folder");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> entriesOf(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> TempDir::entries() const {
    return entriesOf(path_);
}

Bytes readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    Bytes bytes(static_cast<std::size_t>(in.tellg()));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return bytes;
}

Bytes readBytes(const std::string& path, std::size_t count) {
    std::ifstream in(path, std::ios::binary);
    Bytes bytes(count);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(count));
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return bytes;
}

void writeBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

void putTag(Bytes& out, const char (&tag)[5]) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(tag[i]));
}

void put16(Bytes& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void put32(Bytes& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

std::uint16_t get16(const Bytes& in, std::size_t offset) {
    return static_cast<std::uint16_t>(in.at(offset) | in.at(offset + 1) << 8);
}

std::uint32_t get32(const Bytes& in, std::size_t offset) {
    return static_cast<std::uint32_t>(in.at(offset)) |
           static_cast<std::uint32_t>(in.at(offset + 1)) << 8 |
           static_cast<std::uint32_t>(in.at(offset + 2)) << 16 |
           static_cast<std::uint32_t>(in.at(offset + 3)) << 24;
}

Bytes canonicalWav(const WaveFormat& format, const Bytes& samples) {
    const auto align = static_cast<std::uint32_t>(frameSize(format));
    Bytes out;
    putTag(out, "RIFF");
    put32(out, static_cast<std::uint32_t>(samples.size() + 36));
    putTag(out, "WAVE");
    putTag(out, "fmt ");
    put32(out, 16);
    put16(out, 1);
    put16(out, static_cast<std::uint16_t>(format.channels));
    put32(out, static_cast<std::uint32_t>(format.samplesPerSecond));
    put32(out, static_cast<std::uint32_t>(format.samplesPerSecond) * align);
    put16(out, static_cast<std::uint16_t>(align));
    put16(out, static_cast<std::uint16_t>(significantBits(format)));
    putTag(out, "data");
    put32(out, static_cast<std::uint32_t>(samples.size()));
    out.resize(44 + samples.size());
    std::copy(samples.begin(), samples.end(), out.begin() + 44);
    return out;
}

Bytes pcm16(const std::vector<std::int16_t>& samples) {
    Bytes out(samples.size() * 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const auto value = static_cast<std::uint16_t>(samples[i]);
        out[2 * i] = static_cast<std::uint8_t>(value);
        out[2 * i + 1] = static_cast<std::uint8_t>(value >> 8);
    }
    return out;
}

void writeRunsWav(const std::string& path, const WaveFormat& format, const std::vector<Run>& runs) {
    // Filled a run at a time: sanitizer builds make byte-wise appends slow.
    std::size_t total = 0;
    for (const Run& run : runs)
        total += static_cast<std::size_t>(run.frames) * static_cast<std::size_t>(format.channels);
    std::vector<std::int16_t> values(total);
    auto next = values.begin();
    for (const Run& run : runs)
        next = std::fill_n(
            next, static_cast<std::size_t>(run.frames) * static_cast<std::size_t>(format.channels),
            run.value);
    writeBytes(path, canonicalWav(format, pcm16(values)));
}

Bytes sawtoothSongs(const std::vector<std::int32_t>& parts) {
    Bytes samples;
    std::uint16_t value = 0;
    for (std::int32_t part : parts) {
        for (std::int32_t frame = 0; frame < std::abs(part); ++frame) {
            value = static_cast<std::uint16_t>(value + 13);
            const std::uint16_t sample =
                part > 0 ? static_cast<std::uint16_t>(1000 + value % 2000) : 0;
            put16(samples, sample);
            put16(samples, sample);
        }
    }
    return samples;
}

} // namespace sundra::test
