// A recording in a process of its own, for the test that kills a recording
// midway: record_child OUT.wav SECONDS records SECONDS of sound from the capture
// device of this process (SUNDRA_AUDIO chooses the port) into OUT.wav through
// the capture loop, with the header rewritten every two seconds. Exit status 0
// after a normal end, 1 otherwise.

#include "audio/capture_loop.h"
#include "audio/waitable.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>

namespace {

// The stop request of a recording that lasts a fixed number of blocks. The loop
// polls once before the first block and once after each, so the request reads
// as set from the poll after the last block on.
class StopAfterBlocks : public sundra::Event {
public:
    explicit StopAfterBlocks(long blocks) : remaining_(blocks) {}
    bool lock(std::uint32_t) override { return remaining_-- <= 0; }
    bool unlock() override { return true; }
    bool set() override { return true; }
    bool reset() override { return true; }
    bool pulse() override { return true; }

private:
    long remaining_;
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: record_child OUT.wav SECONDS\n", stderr);
        return 2;
    }
    try {
        const std::string path = argv[1];
        const long seconds = std::strtol(argv[2], nullptr, 10);
        auto file = std::make_unique<sundra::File>(path, sundra::File::Access::ReadWrite,
                                                   sundra::File::Share::Exclusive,
                                                   sundra::File::Disposition::Create);
        // As the program's recordings are: open-ended, with room for RF64.
        sundra::WaveFileWriter writer(sundra::WaveFormat{},
                                      std::make_unique<sundra::FileByteStream>(std::move(file)),
                                      sundra::WaveFileWriter::kOpenEnded);
        sundra::CaptureLoop loop(writer, sundra::RecordSettings{});
        loop.startWriting();
        StopAfterBlocks stop(seconds * sundra::CaptureLoop::kBlocksPerSecond);
        return loop.run(stop, sundra::Notifier::none());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "record_child: %s\n", error.what());
        return 1;
    }
}
