// sundra-cli: the engine without a window. Reads, splits, exports, plays and
// records WAV files from the command line.

#include "cli/commands.h"
#include "cli/options.h"
#include "core/file.h"
#include "core/version.h"

#include <cstdio>
#include <exception>
#include <string>

namespace {

struct Command {
    const char* name;
    int (*run)(const sundra::cli::Arguments&);
    const char* usage;
};

const Command kCommands[] = {
    {"info", sundra::cli::runInfo, "info FILE.wav"},
    {"copy", sundra::cli::runCopy, "copy IN.wav OUT.wav"},
    {"make-album", sundra::cli::runMakeAlbum,
     "make-album OUT.wav --minutes N [--seed S] [--rate R] [--bits B] [--float]"},
    {"split", sundra::cli::runSplit,
     "split FILE.wav [--sense-level 50] [--sense-time 10] [--minimum-time 10] "
     "[--trim-space 1] [--click-filter 0] [--tracks N] [--save] [--out DIR] [--progress] [--cue "
     "OUT.cue] "
     "[--labels OUT.txt] [--format wav|flac|ogg|opus|mp3] [--quality 0..100] [--titles FILE] "
     "[--artist A] [--album B] [--year Y] [--jobs N]"},
    {"cut", sundra::cli::runCut,
     "cut FILE.wav --cue IN.cue | --labels IN.txt [--save] [--out DIR] [--progress] "
     "[--format wav|flac|ogg|opus|mp3] [--quality 0..100] [--titles FILE] [--artist A] "
     "[--album B] [--year Y]"},
    {"analyze", sundra::cli::runAnalyze,
     "analyze FILE.wav [--sense-level 50] [--sense-time 10] [--minimum-time 10] "
     "[--trim-space 1] [--click-filter 0]"},
    {"play", sundra::cli::runPlay, "play FILE.wav [--from SECONDS] [--seconds N]"},
    {"record", sundra::cli::runRecord, "record OUT.wav --seconds N"},
    {"peaks", sundra::cli::runPeaks, "peaks FILE.wav OUT.dat [--zoom 256]"},
};

void printUsage(std::FILE* to) {
    std::fprintf(to, "usage: sundra-cli COMMAND ...\n");
    for (const Command& command : kCommands)
        std::fprintf(to, "  sundra-cli %s\n", command.usage);
    std::fprintf(to, "  sundra-cli --help | --version\n");
}

int usage() {
    printUsage(stderr);
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    sundra::ignoreFileSizeSignal();
    if (argc < 2)
        return usage();
    const std::string name = argv[1];
    // Asked for, the usage goes to standard output and is no failure.
    if (argc == 2 && (name == "--help" || name == "-h")) {
        printUsage(stdout);
        return 0;
    }
    if (argc == 2 && name == "--version") {
        std::printf("sundra-cli %s\n", sundra::kVersion);
        return 0;
    }
    for (const Command& command : kCommands) {
        if (name != command.name)
            continue;
        try {
            return command.run(sundra::cli::Arguments(argv + 2, argv + argc));
        } catch (const sundra::cli::UsageError& error) {
            std::fprintf(stderr, "sundra-cli %s: %s\nusage: sundra-cli %s\n", command.name,
                         error.what(), command.usage);
            return 1;
        } catch (const std::exception& error) {
            std::fprintf(stderr, "sundra-cli %s: %s\n", command.name, error.what());
            return 1;
        }
    }
    return usage();
}
