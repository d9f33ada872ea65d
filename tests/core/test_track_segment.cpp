#include "core/track_segment.h"

#include "core/exception.h"
#include "memory_stream.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace sundra {
namespace {

using test::MemoryStream;

const WaveFormat kStereo16{2, 44100, 16};

TEST(TrackSegment, ConstructionStoresWhatItIsGiven) {
    const TrackSegment none;
    EXPECT_EQ(&none.parent(), &EmptyStream::shared());
    EXPECT_EQ(none.start(), 0);
    EXPECT_EQ(none.end(), 0);
    EXPECT_EQ(none.format(), WaveFormat{});

    MemoryStream master(WaveFormat{1, 8000, 8}, 1000);
    const TrackSegment whole(master);
    EXPECT_EQ(&whole.parent(), &master);
    EXPECT_EQ(whole.start(), 0);
    EXPECT_EQ(whole.end(), 1000);
    EXPECT_EQ(whole.format(), master.format());

    // No test at all: a reversed or out-of-range window stays as given.
    const TrackSegment raw(master, 900, -5);
    EXPECT_EQ(raw.start(), 900);
    EXPECT_EQ(raw.end(), -5);
}

TEST(TrackSegment, NormalizeClampsToTheParentAndOrders) {
    MemoryStream master(kStereo16, 1000);
    TrackSegment wide(master, -5, 2000);
    EXPECT_EQ(&wide.normalize(), &wide);
    EXPECT_EQ(wide.start(), 0);
    EXPECT_EQ(wide.end(), 1000);

    TrackSegment reversed(master, 900, 100);
    reversed.normalize();
    EXPECT_EQ(reversed.start(), 100);
    EXPECT_EQ(reversed.end(), 900);

    TrackSegment bothOutside(master, 5000, -7);
    bothOutside.normalize();
    EXPECT_EQ(bothOutside.start(), 0);
    EXPECT_EQ(bothOutside.end(), 1000);

    TrackSegment reset(master, 300, 400);
    reset.resetToWhole();
    EXPECT_EQ(reset.start(), 0);
    EXPECT_EQ(reset.end(), 1000);
}

TEST(TrackSegment, MergeExtendsBothWays) {
    MemoryStream master(kStereo16, 1000);
    TrackSegment first(master, 100, 200);
    EXPECT_EQ(&first.mergeWith(TrackSegment(master, 150, 400)), &first);
    EXPECT_EQ(first.start(), 100);
    EXPECT_EQ(first.end(), 400);

    TrackSegment later(master, 500, 600);
    later.mergeWith(TrackSegment(master, 100, 200));
    EXPECT_EQ(later.start(), 100);
    EXPECT_EQ(later.end(), 600);
}

TEST(TrackSegment, ReadsStopAtTheEnd) {
    MemoryStream master(kStereo16, 1000);
    test::numberFrames(master);
    TrackSegment track(master, 100, 200);
    track.seek(90);
    std::vector<std::uint8_t> buffer(4096, 0xee);
    EXPECT_EQ(track.read(buffer.data(), 4096), 40);
    EXPECT_EQ(buffer[0], 190 & 0xff); // frame 190 of the master comes first
    EXPECT_EQ(buffer[39], (199 + 3) & 0xff);
    EXPECT_EQ(buffer[40], 0xee);
    EXPECT_EQ(track.tell(), 100);
    EXPECT_EQ(track.read(buffer.data(), 4096), 0);
    EXPECT_EQ(master.tell(), 200);

    // A count with a partial frame does not reach past the end either.
    track.seek(90);
    EXPECT_EQ(track.read(buffer.data(), 43), 40);

    // Reading to exhaustion copies exactly the track's frames.
    track.seek(0);
    std::int32_t total = 0;
    for (std::int32_t n; (n = track.read(buffer.data(), 64)) > 0;) {
        total += n;
    }
    EXPECT_EQ(total, 400);
}

TEST(TrackSegment, AReversedSegmentIsEmpty) {
    MemoryStream master(kStereo16, 1000);
    TrackSegment reversed(master, 900, 100);
    EXPECT_EQ(reversed.length(), 0);
    reversed.seek(0);
    std::vector<std::uint8_t> buffer(64);
    EXPECT_EQ(reversed.read(buffer.data(), 64), 0);
    EXPECT_EQ(master.lastReadCount, 0);

    // Extremes never overflow.
    const TrackSegment huge(master, std::numeric_limits<std::int32_t>::min(),
                            std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(huge.length(), std::numeric_limits<std::int32_t>::max());
    const TrackSegment farReversed(master, std::numeric_limits<std::int32_t>::max(),
                                   std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(farReversed.length(), 0);
}

TEST(TrackSegment, SegmentsShareTheirParentsPosition) {
    MemoryStream master(kStereo16, 5000);
    TrackSegment track(master, 1000, 3000);
    track.seek(0);
    EXPECT_EQ(master.tell(), 1000);
    EXPECT_EQ(track.tell(), 0);

    TrackSegment other(master, 400, 2000);
    EXPECT_EQ(other.tell(), 600);
    other.seek(1500);
    EXPECT_EQ(track.tell(), 900);

    // A parent positioned before the segment gives a negative position.
    master.seek(10);
    EXPECT_EQ(track.tell(), -990);
}

TEST(TrackSegment, SegmentsOfSegmentsKnowWhereTheyLieInTheMaster) {
    MemoryStream master(kStereo16, 1000);
    test::numberFrames(master);
    TrackSegment track(master, 100, 900);
    TrackSegment piece(track, 50, 150);
    EXPECT_EQ(track.absoluteStart(), 100);
    EXPECT_EQ(track.absoluteEnd(), 900);
    EXPECT_EQ(piece.absoluteStart(), 150);
    EXPECT_EQ(piece.absoluteEnd(), 250);

    // A piece over the master made from the absolute positions covers the
    // same frames.
    TrackSegment row(master, piece.absoluteStart(), piece.absoluteEnd());
    std::vector<std::uint8_t> viaPiece(1000), viaRow(1000);
    piece.seek(0);
    EXPECT_EQ(piece.read(viaPiece.data(), 1000), 400);
    row.seek(0);
    EXPECT_EQ(row.read(viaRow.data(), 1000), 400);
    EXPECT_EQ(viaPiece, viaRow);
    EXPECT_EQ(viaRow[0], 150);
}

TEST(TrackSegment, WritesGoToTheParentWithoutBoundAndTruncateKeepsTheTrack) {
    MemoryStream master(kStereo16, 10);
    TrackSegment track(master, 2, 4);
    track.seek(1);
    const std::vector<std::uint8_t> samples(40, 0x55);
    EXPECT_EQ(track.write(samples.data(), 40), 0);
    EXPECT_EQ(master.length(), 13);
    EXPECT_EQ(master.bytes()[12], 0x55);
    EXPECT_EQ(master.bytes()[11], 0x00);

    EXPECT_EQ(track.truncate(1), 2);
    EXPECT_EQ(track.start(), 2);
    EXPECT_EQ(track.end(), 4);
    EXPECT_EQ(master.length(), 13);
}

TEST(TrackSegment, TheEmptyTrackIsOneForTheWholeProcess) {
    TrackSegment& empty = TrackSegment::empty();
    EXPECT_EQ(&empty, &TrackSegment::empty());
    EXPECT_EQ(&empty.parent(), &EmptyStream::shared());
    EXPECT_EQ(empty.length(), 0);
    EXPECT_EQ(empty.format(), (WaveFormat{2, 44100, 16}));
    std::uint8_t byte = 0;
    EXPECT_EQ(empty.read(&byte, 1), 0);
}

// A stream that only takes samples, like the sound output.
class SinkOnly : public SampleWriter {
public:
    void seek(std::int32_t) override {}
    std::int32_t tell() const override { return 0; }
    std::int32_t length() const override { return 100; }
    std::int32_t truncate(std::int32_t) override { return 0; }
    const WaveFormat& format() const override { return format_; }
    std::int32_t write(const void*, std::int32_t byteCount) override { return byteCount; }

private:
    WaveFormat format_;
};

TEST(TrackSegment, ReadingAStreamThatCannotBeReadIsAnError) {
    SinkOnly sink;
    TrackSegment track(sink);
    std::uint8_t bytes[4] = {};
    EXPECT_THROW(track.read(bytes, 4), UnsupportedOperation);
    EXPECT_EQ(track.write(bytes, 4), 4);
}

} // namespace
} // namespace sundra
