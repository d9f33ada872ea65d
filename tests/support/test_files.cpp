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

std::vector<std::string> TempDir::entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

Bytes readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
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
    return static_cast<std::uint32_t>(in.at(offset)) | static_cast<std::uint32_t>(in.at(offset + 1)) << 8 |
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
    put16(out, static_cast<std::uint16_t>(format.bitsPerSample));
    putTag(out, "data");
    put32(out, static_cast<std::uint32_t>(samples.size()));
    out.insert(out.end(), samples.begin(), samples.end());
    return out;
}

Bytes pcm16(const std::vector<std::int16_t>& samples) {
    Bytes out;
    out.reserve(samples.size() * 2);
    for (std::int16_t sample : samples)
        put16(out, static_cast<std::uint16_t>(sample));
    return out;
}

void writeRunsWav(const std::string& path, const WaveFormat& format, const std::vector<Run>& runs) {
    Bytes samples;
    for (const Run& run : runs)
        for (std::int32_t frame = 0; frame < run.frames; ++frame)
            for (std::int32_t channel = 0; channel < format.channels; ++channel)
                put16(samples, static_cast<std::uint16_t>(run.value));
    writeBytes(path, canonicalWav(format, samples));
}

} // namespace sundra::test
