#include "cli/source_file.h"

#include <cstdio>

namespace sundra::cli {

std::unique_ptr<WaveFileReader> openSourceFile(const std::string& path) {
    std::string refusal;
    std::unique_ptr<WaveFileReader> reader = openWaveFile(path, refusal);
    if (!reader)
        std::fprintf(stderr, "file can not opened\n%s\n", refusal.c_str());
    return reader;
}

} // namespace sundra::cli
