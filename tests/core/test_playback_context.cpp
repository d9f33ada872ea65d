#include "core/exception.h"
#include "core/playback_context.h"
#include "core/track_segment.h"

#include <gtest/gtest.h>

#include <future>
#include <string>
#include <vector>

namespace sundra {
namespace {

using Log = std::vector<std::string>;

// A device that notes its format and when it goes away.
class FakeDevice : public SampleWriter {
public:
    FakeDevice(const WaveFormat& format, Log& log) : format_(format), log_(log) {}
    ~FakeDevice() override { log_.push_back("device"); }
    void seek(std::int32_t) override {}
    std::int32_t tell() const override { return 0; }
    std::int32_t length() const override { return 0; }
    std::int32_t truncate(std::int32_t) override { return 0; }
    const WaveFormat& format() const override { return format_; }
    std::int32_t write(const void*, std::int32_t) override { return 0; }

private:
    WaveFormat format_;
    Log& log_;
};

class LoggedMaster : public EmptyStream {
public:
    LoggedMaster(const WaveFormat& format, Log& log, std::string name)
        : EmptyStream(format), log_(log), name_(std::move(name)) {}
    ~LoggedMaster() override { log_.push_back(name_); }

private:
    Log& log_;
    std::string name_;
};

struct Devices {
    Log log;
    int opened = 0;
    bool refuse = false;
    PlaybackContext::DeviceFactory factory() {
        return [this](const WaveFormat& format) -> std::unique_ptr<SampleWriter> {
            if (refuse) {
                throw Exception("Can't open waveout port");
            }
            ++opened;
            return std::make_unique<FakeDevice>(format, log);
        };
    }
};

const WaveFormat kMono22k{1, 22050, 16};

TEST(PlaybackContext, StartsWithDeviceAndBufferForTheMasterAndTheEmptyRange) {
    Devices devices;
    PlaybackContext context(std::make_unique<EmptyStream>(), devices.factory());
    EXPECT_EQ(devices.opened, 1);
    EXPECT_EQ(context.device().format(), WaveFormat{});
    EXPECT_EQ(context.buffer().capacity, 5512);
    EXPECT_EQ(context.buffer().used, 5512);
    EXPECT_EQ(context.buffer().format, WaveFormat{});
    EXPECT_EQ(&context.range(), &TrackSegment::empty());
    EXPECT_EQ(context.range().length(), 0);
}

TEST(PlaybackContext, SameFormatKeepsDeviceAndBufferOtherFormatReplacesBoth) {
    Devices devices;
    PlaybackContext context(std::make_unique<LoggedMaster>(WaveFormat{}, devices.log, "first"),
                            devices.factory());
    SampleWriter* device = &context.device();
    SampleBuffer* buffer = &context.buffer();
    TrackSegment track(context.master());
    context.setRange(track);

    context.setMaster(std::make_unique<LoggedMaster>(WaveFormat{}, devices.log, "second"));
    EXPECT_EQ(&context.device(), device);
    EXPECT_EQ(&context.buffer(), buffer);
    EXPECT_EQ(devices.opened, 1);
    EXPECT_EQ(devices.log, Log{"first"});
    EXPECT_EQ(&context.range(), &TrackSegment::empty());

    context.setMaster(std::make_unique<LoggedMaster>(kMono22k, devices.log, "third"));
    EXPECT_EQ(devices.opened, 2);
    EXPECT_EQ(context.device().format(), kMono22k);
    EXPECT_EQ(context.buffer().format, kMono22k);
    // 22050 x 2 / 32 = 1378 bytes, rounded up to whole 2-byte frames.
    EXPECT_EQ(context.buffer().capacity, 1378);
    EXPECT_EQ(context.master().format(), kMono22k);
    EXPECT_EQ(devices.log, (Log{"first", "device", "second"}));
}

TEST(PlaybackContext, RefusedDeviceLeavesEverythingAndTheCallerKeepsTheStream) {
    Devices devices;
    PlaybackContext context(std::make_unique<EmptyStream>(), devices.factory());
    SampleWriter* device = &context.device();
    SampleBuffer* buffer = &context.buffer();
    SampleReaderWriter* master = &context.master();
    TrackSegment track(context.master());
    context.setRange(track);

    devices.refuse = true;
    std::unique_ptr<SampleReaderWriter> stream =
        std::make_unique<LoggedMaster>(kMono22k, devices.log, "refused");
    EXPECT_THROW(context.setMaster(std::move(stream)), Exception);
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(&context.device(), device);
    EXPECT_EQ(&context.buffer(), buffer);
    EXPECT_EQ(&context.master(), master);
    EXPECT_EQ(&context.range(), &track);
    EXPECT_TRUE(devices.log.empty());

    context.setRangeDefault();
    EXPECT_EQ(&context.range(), &TrackSegment::empty());
}

TEST(PlaybackContext, RefusedDeviceAtConstructionPropagates) {
    Devices devices;
    devices.refuse = true;
    EXPECT_THROW(PlaybackContext(std::make_unique<EmptyStream>(), devices.factory()), Exception);
}

TEST(PlaybackContext, ReleasesDeviceBeforeMaster) {
    Devices devices;
    {
        PlaybackContext context(std::make_unique<LoggedMaster>(WaveFormat{}, devices.log, "master"),
                                devices.factory());
    }
    EXPECT_EQ(devices.log, (Log{"device", "master"}));
}

TEST(PlaybackContext, LockIsReentrantAndExcludesOtherThreads) {
    Devices devices;
    PlaybackContext context(std::make_unique<EmptyStream>(), devices.factory());
    std::unique_lock outer(context);
    {
        // A holder may call the operations that lock again.
        std::lock_guard inner(context);
        context.setRangeDefault();
    }
    auto otherThreadGotIt = std::async(std::launch::async, [&] {
        bool got = context.try_lock();
        if (got) {
            context.unlock();
        }
        return got;
    });
    EXPECT_FALSE(otherThreadGotIt.get());
    outer.unlock();
    auto afterRelease = std::async(std::launch::async, [&] {
        bool got = context.try_lock();
        if (got) {
            context.unlock();
        }
        return got;
    });
    EXPECT_TRUE(afterRelease.get());
}

} // namespace
} // namespace sundra
